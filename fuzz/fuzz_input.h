// One input of the reply fuzzer: what the host does, then what the line
// answers.
//
// The host's part is the bytes of a HostPart at the start (missing bytes
// read as 0): the discovery range, the log switch, the port and the
// arguments of the setting calls, which send and which read of the port
// fail, and the host's record (any bits but its size, so NaN, infinities,
// huge and negative values included). The line's part is the rest: the
// bytes that arrive after each command the library sends, one chunk per
// command in the order they are sent, chunks separated by a NUL byte (a
// serial link never hands one over). So a mutation of one chunk changes the
// answer to one command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "condvorn.h"

namespace condvorn::fuzz {

struct HostPart {
  uint8_t first = 0;         // discovery probes from this channel (mod 128)
  uint8_t last = 0;          // ... at least up to this one (mod 128)
  uint8_t dump = 0;          // bit 0: keep the diagnostic log
  uint8_t port = 0;          // the port of the setting calls (mod 128)
  uint8_t steps = 0;         // bit 0: CondGainChange up; bit 1: CondOffsChange up
  uint16_t failingSend = 0;  // this send (1-based) fails; 0 none
  uint16_t failingRead = 0;  // this read of a byte (1-based) reports a receive error; 0 none
  double adcRange = 5.0;
  float gainTo = 1.0f;
  float offsetTo = 0.0f;
  ChanSettings record;
};

struct FuzzInput {
  HostPart host;
  std::vector<std::string_view> replies;  // into the input's bytes
};

constexpr char kChunkSeparator = '\0';

FuzzInput ParseFuzzInput(const uint8_t* data, size_t size);
// The bytes of an input; no reply may hold the separator.
std::string SerializeFuzzInput(const HostPart& host, const std::vector<std::string>& replies);

}  // namespace condvorn::fuzz
