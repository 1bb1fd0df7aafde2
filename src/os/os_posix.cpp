#include "os/os_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

namespace condvorn {

namespace {

constexpr long kNanosPerSecond = 1000000000;
// A send that the line has not taken in full within this time fails.
constexpr uint32_t kSendTimeoutMs = 500;

timespec MonotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

timespec Later(timespec time, uint32_t micros) {
  time.tv_sec += static_cast<time_t>(micros / 1000000u);
  time.tv_nsec += static_cast<long>(micros % 1000000u) * 1000;
  if (time.tv_nsec >= kNanosPerSecond) {
    time.tv_nsec -= kNanosPerSecond;
    ++time.tv_sec;
  }
  return time;
}

// The time from now until `end`; zero once it has come.
timespec Until(const timespec& end) {
  const timespec now = MonotonicNow();
  timespec left{end.tv_sec - now.tv_sec, end.tv_nsec - now.tv_nsec};
  if (left.tv_nsec < 0) {
    left.tv_nsec += kNanosPerSecond;
    --left.tv_sec;
  }
  return left.tv_sec < 0 ? timespec{0, 0} : left;
}

bool Passed(const timespec& end) {
  const timespec left = Until(end);
  return left.tv_sec == 0 && left.tv_nsec == 0;
}

void SleepUntil(const timespec& end) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &end, nullptr) == EINTR) {
  }
}

// Asks the driver to pass received bytes on at once. Ports without the
// setting (pseudo-terminals, most on-board UARTs) refuse; that is fine.
void RequestLowLatency(int fd) {
#if defined(__linux__)
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY) != 0) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  ::ioctl(fd, TIOCSSERIAL, &serial);
#else
  (void)fd;
#endif
}

}  // namespace

uint32_t PosixClock::TickCount() {
  const timespec now = MonotonicNow();
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void PosixClock::Pause(uint32_t micros) { SleepUntil(Later(MonotonicNow(), micros)); }

// ---- Configuration ----

bool PosixConfigStore::ReadRegistryDword(const char* name, uint32_t& value) {
  auto it = registry.find(name);
  if (it == registry.end()) return false;
  value = it->second;
  return true;
}

bool PosixConfigStore::WriteRegistryDword(const char* name, uint32_t value) {
  registry[name] = value;
  return true;
}

std::optional<std::string> IniEntry(const std::string& path, const char* name) {
  std::ifstream file(path);
  std::string line;
  bool inGeneral = false;
  const auto trim = [](std::string s) {
    size_t b = s.find_first_not_of(" \t\r");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  };
  while (std::getline(file, line)) {
    line = trim(line);
    if (!line.empty() && line.front() == '[') {
      inGeneral = (line == "[General]");
      continue;
    }
    size_t eq = line.find('=');
    if (inGeneral && eq != std::string::npos && trim(line.substr(0, eq)) == name) {
      return trim(line.substr(eq + 1));
    }
  }
  return std::nullopt;
}

std::string PosixConfigStore::ReadIniString(const char* name, const char* fallback, size_t room) {
  std::string text = IniEntry(iniPath, name).value_or(fallback);
  if (room > 0 && text.size() > room - 1) text.resize(room - 1);
  return text;
}

int32_t PosixConfigStore::ReadIniInt(const char* name, int32_t fallback) {
  auto text = IniEntry(iniPath, name);
  if (!text) return fallback;
  return static_cast<int32_t>(std::strtol(text->c_str(), nullptr, 10));
}

// ---- Log file ----

bool PosixLogFile::Create(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool PosixLogFile::Append(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return false;
  bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ::close(fd);
  return written;
}

// ---- Host ----

std::optional<std::string> PosixHost::ExecutablePath(size_t room) {
  char path[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<size_t>(n) >= room || static_cast<size_t>(n) >= sizeof path) return std::nullopt;
  return std::string(path, static_cast<size_t>(n));
}

void PosixHost::ShowMessage(const std::string& text) { std::cerr << text << std::endl; }

// ---- Serial link ----

std::string PosixSerialLink::PortPath(int32_t port) const {
  auto it = portPaths_.find(port);
  return it != portPaths_.end() ? it->second : "/dev/ttyS" + std::to_string(port - 1);
}

int32_t PosixSerialLink::Open(int32_t port, int32_t, LinkHandle* handle, void*) {
  // A host that starts the library twice without stopping it still holds
  // the port; let go of it, so that only one descriptor reads the line.
  if (auto earlier = openPorts_.find(port); earlier != openPorts_.end()) {
    ::close(earlier->second);
    openPorts_.erase(earlier);
  }
  int fd = ::open(PortPath(port).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &tio);
  }
  RequestLowLatency(fd);
  openPorts_[port] = fd;
  *handle = fd;
  return 0;
}

void PosixSerialLink::Close(LinkHandle handle) {
  for (auto it = openPorts_.begin(); it != openPorts_.end(); ++it) {
    if (it->second == static_cast<int>(handle)) {
      openPorts_.erase(it);
      break;
    }
  }
  ::close(static_cast<int>(handle));
}

int32_t PosixSerialLink::Send(LinkHandle handle, const char* text, int32_t length) {
  const int fd = static_cast<int>(handle);
  const timespec deadline = Later(MonotonicNow(), kSendTimeoutMs * 1000u);
  int32_t done = 0;
  while (done < length) {
    ssize_t n = ::write(fd, text + done, static_cast<size_t>(length - done));
    if (n > 0) {
      done += static_cast<int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return errno;
    // The line's buffer is full: wait for room, but not for ever (nothing
    // may be reading the line at all). The limit holds for the whole send,
    // so a line that takes a few bytes now and then cannot stretch it.
    const timespec left = Until(deadline);
    const int leftMs = static_cast<int>(left.tv_sec * 1000 + (left.tv_nsec + 999999) / 1000000);
    if (leftMs == 0) return ETIMEDOUT;
    pollfd room{fd, POLLOUT, 0};
    const int ready = ::poll(&room, 1, leftMs);
    if (ready == 0) return ETIMEDOUT;
    if (ready < 0 && errno != EINTR) return errno;
  }
  return 0;
}

int32_t PosixSerialLink::GetChar(LinkHandle handle) {
  unsigned char byte = 0;
  ssize_t n = ::read(static_cast<int>(handle), &byte, 1);
  if (n == 1) return byte;
  if (n == 0 || errno == EAGAIN || errno == EINTR) return 0;
  return -2 - errno;
}

int32_t PosixSerialLink::CharCount(LinkHandle handle) {
  int waiting = 0;
  if (::ioctl(static_cast<int>(handle), FIONREAD, &waiting) != 0) return 0;
  return waiting;
}

void PosixSerialLink::FlushInput(LinkHandle handle) { tcflush(static_cast<int>(handle), TCIFLUSH); }

int32_t PosixSerialLink::OutputQueueCount(LinkHandle handle) {
  int queued = 0;
  if (::ioctl(static_cast<int>(handle), TIOCOUTQ, &queued) != 0) return -1;
  return queued;
}

bool PosixSerialLink::WaitForInput(LinkHandle handle, uint32_t micros) {
  const timespec end = Later(MonotonicNow(), micros);
  pollfd port{static_cast<int>(handle), POLLIN, 0};
  for (;;) {
    if (CharCount(handle) > 0) return true;
    if (Passed(end)) return false;
    const timespec left = Until(end);
    const int ready = ::ppoll(&port, 1, &left, nullptr);
    // Woken with nothing to read: the line has hung up or failed, and will
    // deliver nothing more.
    if ((ready < 0 && errno != EINTR) || (ready > 0 && CharCount(handle) == 0)) break;
  }
  SleepUntil(end);
  return false;
}

// ---- The installed set ----

PosixConfigStore& PosixConfig() {
  static PosixConfigStore config;
  return config;
}

PosixSerialLink& PosixLink() {
  static PosixSerialLink link;
  return link;
}

Os PlatformOs() {
  static PosixClock clock;
  static PosixLogFile logFile;
  static PosixHost host;
  return Os{&clock, &PosixConfig(), &logFile, &host, &PosixLink()};
}

}  // namespace condvorn
