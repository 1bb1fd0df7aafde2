// libFuzzer's entry: each input is a host's session against a line whose
// answers the input gives (see fuzz_input.h).
#include <cstddef>
#include <cstdint>

#include "chunked_link.h"
#include "fuzz_input.h"
#include "session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace condvorn::fuzz;
  const FuzzInput input = ParseFuzzInput(data, size);
  vornsim::VirtualClock clock;
  ChunkedLink link(input.replies, clock, input.host.failingSend, input.host.failingRead);
  RunSession(input.host, link, clock);
  return 0;
}
