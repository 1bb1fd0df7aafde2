#include "fuzz_input.h"

#include <algorithm>
#include <cstring>


namespace condvorn::fuzz {

FuzzInput ParseFuzzInput(const uint8_t* data, size_t size) {
  FuzzInput input;
  const size_t taken = std::min(size, sizeof input.host);
  std::memcpy(&input.host, data, taken);
  std::memset(reinterpret_cast<uint8_t*>(&input.host) + taken, 0, sizeof input.host - taken);
  // Every byte of the record comes from the input but its size, which a
  // host fills once and which makes the exports refuse the record otherwise.
  input.host.record.size = sizeof(ChanSettings);
  const std::string_view line(reinterpret_cast<const char*>(data) + taken, size - taken);
  for (size_t start = 0; start <= line.size();) {
    const size_t end = std::min(line.find(kChunkSeparator, start), line.size());
    input.replies.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return input;
}

std::string SerializeFuzzInput(const HostPart& host, const std::vector<std::string>& replies) {
  std::string bytes(reinterpret_cast<const char*>(&host), sizeof host);
  for (size_t i = 0; i < replies.size(); ++i) {
    if (i > 0) bytes += kChunkSeparator;
    bytes += replies[i];
  }
  return bytes;
}

}  // namespace condvorn::fuzz
