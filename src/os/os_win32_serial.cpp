#include "os/os_win32_serial.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "os/os_win32_timing.h"

namespace condvorn {
namespace {

// GetLastError() as a link error code, which must never be 0.
int32_t LastErrorCode() {
  DWORD error = GetLastError();
  return error != 0 ? static_cast<int32_t>(error) : static_cast<int32_t>(ERROR_GEN_FAILURE);
}

// A COM port at 9600 baud, 8 data bits, no parity, 1 stop bit, without any
// handshake, opened for overlapped I/O. Bytes waiting in the driver are moved
// into a small buffer per open handle and handed out one at a time.
class Win32SerialLink : public SerialLink {
 public:
  int32_t Open(int32_t port, int32_t, LinkHandle* handle, void*) override {
    CloseEarlierOpen(port);
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(port));
    HANDLE device = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) return LastErrorCode();
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (done == nullptr || !ConfigureLine(device)) {
      int32_t error = LastErrorCode();
      if (done != nullptr) CloseHandle(done);
      CloseHandle(device);
      return error;
    }
    ports_[device] = OpenPort{port, done, {}, 0};
    *handle = reinterpret_cast<LinkHandle>(device);
    return 0;
  }

  void Close(LinkHandle handle) override {
    HANDLE device = AsDevice(handle);
    if (OpenPort* port = Find(handle)) CloseHandle(port->done);
    ports_.erase(device);
    CloseHandle(device);
  }

  int32_t Send(LinkHandle handle, const char* text, int32_t length) override {
    OpenPort* port = Find(handle);
    if (port == nullptr) return ERROR_INVALID_HANDLE;
    const char* next = text;
    DWORD left = length > 0 ? static_cast<DWORD>(length) : 0;
    while (left > 0) {
      OVERLAPPED overlapped = port->Overlapped();
      BOOL started = WriteFile(AsDevice(handle), next, left, nullptr, &overlapped);
      std::optional<DWORD> written = Finish(handle, started, overlapped);
      if (!written) return LastErrorCode();
      // Nothing taken within the write time-out: the line is stuck.
      if (*written == 0) return ERROR_TIMEOUT;
      next += *written;
      left -= *written;
    }
    return 0;
  }

  int32_t GetChar(LinkHandle handle) override {
    OpenPort* port = Find(handle);
    if (port == nullptr) return -2 - static_cast<int32_t>(ERROR_INVALID_HANDLE);
    // A NUL byte cannot be told from "nothing waiting", so it is skipped.
    for (;;) {
      if (port->next == port->received.size()) {
        int32_t refilled = Refill(handle, *port);
        if (refilled <= 0) return refilled;
      }
      unsigned char byte = port->received[port->next++];
      if (byte != 0) return byte;
    }
  }

  int32_t CharCount(LinkHandle handle) override {
    OpenPort* port = Find(handle);
    int32_t buffered = port != nullptr ? static_cast<int32_t>(port->received.size() - port->next) : 0;
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(AsDevice(handle), &errors, &status)) return buffered;
    return buffered + static_cast<int32_t>(status.cbInQue);
  }

  void FlushInput(LinkHandle handle) override {
    if (OpenPort* port = Find(handle)) Drop(*port);
    PurgeComm(AsDevice(handle), PURGE_RXCLEAR);
  }

  int32_t OutputQueueCount(LinkHandle handle) override {
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(AsDevice(handle), &errors, &status)) return -1;
    return static_cast<int32_t>(status.cbOutQue);
  }

  // A wait for input is a one-byte overlapped read, cut off by a timer when
  // nothing comes, followed by a pause of two character times (2 ms) once
  // its byte has come. The read: the comm event EV_RXCHAR would serve on
  // Windows, but Wine over a pseudo-terminal ends such waits every few
  // milliseconds with no event, and a longer read there waits for all its
  // bytes, not for the first. The pause: a read costs Wine about 0.1 ms of
  // processor time, so a reply at 9600 baud fetched byte by byte would keep
  // the processor 10 to 15 % busy; after it the bytes that followed the
  // first are fetched together. The wait then ends up to two character
  // times after its first byte.
  bool WaitForInput(LinkHandle handle, uint32_t micros) override {
    const int64_t end = PerformanceCounter::After(micros);
    OpenPort* port = Find(handle);
    while (port != nullptr) {
      if (port->next < port->received.size()) return true;
      const int32_t got = ReadWithin(handle, *port, end);
      if (got > 0) {
        LetMoreArrive(end);
        return true;
      }
      if (got < 0) break;
      if (PerformanceCounter::HundredsOfNanosUntil(end) == 0) return false;
    }
    // A port that cannot be read delivers nothing: wait out the time.
    wait_.Until(end);
    return false;
  }

 private:
  static constexpr DWORD kReadChunk = 256;
  static constexpr DWORD kWriteTimeoutMs = 500;
  // How long a read waits for a first byte; WaitForInput cuts it short.
  static constexpr DWORD kFirstByteTimeoutMs = 60000;
  // Two characters at 9600 baud.
  static constexpr uint32_t kGatherMicros = 2084;

  struct OpenPort {
    int32_t number;
    HANDLE done;                          // signalled when a transfer ends
    std::vector<unsigned char> received;  // bytes read from the driver
    size_t next;                          // the next one to hand out

    OVERLAPPED Overlapped() const {
      OVERLAPPED overlapped{};
      overlapped.hEvent = done;
      return overlapped;
    }
  };

  static HANDLE AsDevice(LinkHandle handle) { return reinterpret_cast<HANDLE>(handle); }

  static void Drop(OpenPort& port) {
    port.received.clear();
    port.next = 0;
  }

  // Waits for a transfer that ReadFile or WriteFile started to end: the
  // bytes moved, or nothing when it failed (GetLastError tells why).
  static std::optional<DWORD> Finish(LinkHandle handle, BOOL started, OVERLAPPED& overlapped) {
    if (!started && GetLastError() != ERROR_IO_PENDING) return std::nullopt;
    DWORD moved = 0;
    if (!GetOverlappedResult(AsDevice(handle), &overlapped, &moved, TRUE)) return std::nullopt;
    return moved;
  }

  OpenPort* Find(LinkHandle handle) {
    auto it = ports_.find(AsDevice(handle));
    return it != ports_.end() ? &it->second : nullptr;
  }

  // A host that starts the library twice without stopping it still holds
  // the port exclusively; let go of it so that it can be opened again.
  void CloseEarlierOpen(int32_t port) {
    for (auto it = ports_.begin(); it != ports_.end(); ++it) {
      if (it->second.number == port) {
        CloseHandle(it->second.done);
        CloseHandle(it->first);
        ports_.erase(it);
        return;
      }
    }
  }

  // Line settings, reads that end with the first bytes to arrive, a short
  // write time-out, and no stale input. Output is not purged: what an
  // earlier handle sent may still be on its way. Modem-control lines are
  // left alone: ptys refuse those calls.
  static bool ConfigureLine(HANDLE device) {
    if (!SetupComm(device, 1024, 1024)) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(device, &dcb)) return false;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(device, &dcb)) return false;
    // Both read values MAXDWORD with a constant: a read returns at once
    // with what waits, or else with the first byte to arrive.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kFirstByteTimeoutMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(device, &timeouts)) return false;
    return PurgeComm(device, PURGE_RXCLEAR) != FALSE;
  }

  // Reads what the driver holds into the port's buffer: the number of bytes
  // now buffered, 0 when nothing waits, or -2 - the error on a failure.
  static int32_t Refill(LinkHandle handle, OpenPort& port) {
    Drop(port);
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(AsDevice(handle), &errors, &status)) return -2 - LastErrorCode();
    if (status.cbInQue == 0) return 0;
    port.received.resize(status.cbInQue < kReadChunk ? status.cbInQue : kReadChunk);
    OVERLAPPED overlapped = port.Overlapped();
    BOOL started = ReadFile(AsDevice(handle), port.received.data(), static_cast<DWORD>(port.received.size()),
                            nullptr, &overlapped);
    std::optional<DWORD> got = Finish(handle, started, overlapped);
    if (!got) {
      int32_t error = LastErrorCode();
      Drop(port);
      return -2 - error;
    }
    port.received.resize(*got);
    return static_cast<int32_t>(*got);
  }

  // The pause after a wait's first byte (see WaitForInput).
  void LetMoreArrive(int64_t end) { wait_.Until(std::min(end, PerformanceCounter::After(kGatherMicros))); }

  // Reads into the port's empty buffer the first byte to arrive before
  // `end`: 1 when it came, 0 when none came in time, -1 when reading failed.
  int32_t ReadWithin(LinkHandle handle, OpenPort& port, int64_t end) {
    HANDLE device = AsDevice(handle);
    Drop(port);
    port.received.resize(1);
    OVERLAPPED overlapped = port.Overlapped();
    if (!ReadFile(device, port.received.data(), 1, nullptr, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
      Drop(port);
      return -1;
    }
    if (!wait_.Until(end, overlapped.hEvent)) CancelIoEx(device, &overlapped);
    // A cancelled read may still have taken its byte: it is kept.
    DWORD got = 0;
    if (!GetOverlappedResult(device, &overlapped, &got, TRUE) && GetLastError() != ERROR_OPERATION_ABORTED) {
      Drop(port);
      return -1;
    }
    port.received.resize(got);
    return static_cast<int32_t>(got);
  }

  std::map<HANDLE, OpenPort> ports_;
  PreciseWait wait_;
};

}  // namespace

SerialLink& ComPortLink() {
  static Win32SerialLink link;
  return link;
}

}  // namespace condvorn
