// A serial line whose answers come from a fuzz input: the n-th chunk of
// bytes arrives, all at once, as the library sends its n-th command; once
// the chunks run out the line is silent. A wait that finds nothing lets its
// whole time pass on the virtual clock, so every time-out costs nothing.
// Whatever is sent must be one command of the device's language; anything
// else aborts.
#pragma once

#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "in_process_line.h"
#include "os/os.h"

namespace condvorn::fuzz {

class ChunkedLink : public SerialLink {
 public:
  // `failingSend` and `failingRead` (1-based, 0 for none) pick the one send
  // that fails and the one read of a byte that reports a receive error.
  ChunkedLink(const std::vector<std::string_view>& replies, vornsim::VirtualClock& clock, uint16_t failingSend,
              uint16_t failingRead);

  int32_t Open(int32_t, int32_t, LinkHandle* handle, void*) override {
    *handle = 0x7777;
    return 0;
  }
  void Close(LinkHandle) override {}
  int32_t Send(LinkHandle handle, const char* text, int32_t length) override;
  int32_t GetChar(LinkHandle handle) override;
  int32_t CharCount(LinkHandle handle) override;
  void FlushInput(LinkHandle) override { arrived_.clear(); }
  int32_t OutputQueueCount(LinkHandle) override { return 0; }
  bool WaitForInput(LinkHandle handle, uint32_t micros) override;

 private:
  const std::vector<std::string_view>& replies_;
  vornsim::VirtualClock& clock_;
  const uint16_t failingSend_;
  const uint16_t failingRead_;
  size_t sends_ = 0;
  size_t reads_ = 0;
  std::deque<unsigned char> arrived_;
};

}  // namespace condvorn::fuzz
