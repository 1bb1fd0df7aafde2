#include "line_server.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vornsim {
namespace {

[[noreturn]] void FailServing(const std::string& what) {
  throw std::runtime_error("pseudo-terminal: " + what + ": " + std::strerror(errno));
}

bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

// True when stdin has reached its end (or is closed); other input is dropped.
bool StdinEnded(short events) {
  if (events & POLLNVAL) return true;
  if (!(events & (POLLIN | POLLHUP | POLLERR))) return false;
  char discarded[256];
  const ssize_t count = read(STDIN_FILENO, discarded, sizeof discarded);
  return count == 0 || (count < 0 && !WouldBlock());
}

}  // namespace

LineEnd LineServer::Run(const ControlSignals& signals, bool stopAtStdinEof) {
  while (!signals.StopRequested()) {
    if (signals.TakeRevival()) return LineEnd::kRevived;
    SendArrivedReplies();
    if (simulator_.LineClosed() && unsent_.empty() && !simulator_.NextArrivalMicros()) return LineEnd::kClosed;

    pollfd fds[2] = {{master_, static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT)), 0},
                     {STDIN_FILENO, POLLIN, 0}};
    const nfds_t count = stopAtStdinEof ? 2 : 1;
    const std::optional<timespec> timeout = TimeToNextReply();
    if (ppoll(fds, count, timeout ? &*timeout : nullptr, &signals.waitMask()) < 0) {
      if (errno == EINTR) continue;
      FailServing("ppoll");
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) FailServing("the master side failed");
    if (fds[0].revents & POLLIN) TakeClientBytes();
    if (stopAtStdinEof && StdinEnded(fds[1].revents)) return LineEnd::kStopped;
  }
  return LineEnd::kStopped;
}

void LineServer::TakeClientBytes() {
  char bytes[4096];
  for (;;) {
    const ssize_t count = read(master_, bytes, sizeof bytes);
    if (count < 0 && WouldBlock()) break;
    if (count < 0) FailServing("read");
    if (count == 0) break;
    simulator_.Write(bytes, static_cast<size_t>(count));
  }
  if (record_) record_->WriteNew(simulator_);
}

void LineServer::SendArrivedReplies() {
  for (int byte = simulator_.ReadByte(); byte >= 0; byte = simulator_.ReadByte()) {
    unsent_ += static_cast<char>(byte);
  }
  if (unsent_.empty()) return;
  const ssize_t count = write(master_, unsent_.data(), unsent_.size());
  if (count < 0 && WouldBlock()) return;
  if (count < 0) FailServing("write");
  unsent_.erase(0, static_cast<size_t>(count));
}

// Sleeps until the next reply byte is due; with none queued, until the host
// writes again.
std::optional<timespec> LineServer::TimeToNextReply() const {
  const std::optional<uint64_t> due = simulator_.NextArrivalMicros();
  if (!due) return std::nullopt;
  const uint64_t now = nowMicros_();
  const uint64_t wait = *due > now ? *due - now : 0;
  return timespec{static_cast<time_t>(wait / 1000000), static_cast<long>(wait % 1000000) * 1000};
}

}  // namespace vornsim
