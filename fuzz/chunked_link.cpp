#include "chunked_link.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace condvorn::fuzz {
namespace {

constexpr int32_t kSendError = 1117;     // an I/O device error
constexpr int32_t kReceiveError = -1119; // below -1: a receive error code

// One command of the device's language: printable ASCII, ended by its only
// ";" (a selection has two more in front).
bool OneCommand(std::string_view text) {
  if (text.rfind(";;CH", 0) == 0) text.remove_prefix(2);
  if (text.empty() || text.back() != ';' || text.find(';') != text.size() - 1) return false;
  for (char c : text) {
    if (c < ' ' || c > '~') return false;
  }
  return true;
}

}  // namespace

ChunkedLink::ChunkedLink(const std::vector<std::string_view>& replies, vornsim::VirtualClock& clock,
                         uint16_t failingSend, uint16_t failingRead)
    : replies_(replies), clock_(clock), failingSend_(failingSend), failingRead_(failingRead) {}

int32_t ChunkedLink::Send(LinkHandle, const char* text, int32_t length) {
  clock_.Poll();
  const std::string_view command(text, static_cast<size_t>(length));
  if (!OneCommand(command)) {
    std::fprintf(stderr, "sent something that is not one command: \"%.*s\"\n", static_cast<int>(length), text);
    std::abort();
  }
  if (++sends_ == failingSend_) return kSendError;
  if (sends_ <= replies_.size()) {
    const std::string_view reply = replies_[sends_ - 1];
    arrived_.insert(arrived_.end(), reply.begin(), reply.end());
  }
  return 0;
}

int32_t ChunkedLink::GetChar(LinkHandle) {
  clock_.Poll();
  if (++reads_ == failingRead_) return kReceiveError;
  if (arrived_.empty()) return -1;
  const unsigned char byte = arrived_.front();
  arrived_.pop_front();
  return byte;
}

int32_t ChunkedLink::CharCount(LinkHandle) {
  clock_.Poll();
  return static_cast<int32_t>(arrived_.size());
}

bool ChunkedLink::WaitForInput(LinkHandle, uint32_t micros) {
  clock_.Poll();
  if (!arrived_.empty()) return true;
  clock_.Advance(micros);
  return false;
}

}  // namespace condvorn::fuzz
