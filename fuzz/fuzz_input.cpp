#include "fuzz_input.h"

#include <cstring>

#include "api/chan_settings.h"

namespace condvorn::fuzz {
namespace {

// Every field of the host's part that an input sets, in the order of its bytes.
template <typename Visit>
void ForEachField(HostPart& host, Visit visit) {
  visit(host.first);
  visit(host.last);
  visit(host.dump);
  visit(host.port);
  visit(host.steps);
  visit(host.failingSend);
  visit(host.failingRead);
  visit(host.adcRange);
  visit(host.gainTo);
  visit(host.offsetTo);
  ChanSettings& r = host.record;
  visit(r.scale);
  visit(r.zero);
  visit(r.gain);
  visit(r.offset);
  visit(r.flags);
  visit(r.input);
  visit(r.lowPassCutoff);
  visit(r.highPassCutoff);
  visit(r.lowPassType);
  visit(r.highPassType);
  for (float& value : r.extraValues) visit(value);
}

}  // namespace

FuzzInput ParseFuzzInput(const uint8_t* data, size_t size) {
  FuzzInput input;
  input.host.record = DefaultChanSettings();
  size_t at = 0;
  ForEachField(input.host, [&](auto& field) {
    unsigned char bytes[sizeof field] = {};
    const size_t taken = at < size ? std::min(sizeof field, size - at) : 0;
    std::memcpy(bytes, data + at, taken);
    std::memcpy(&field, bytes, sizeof field);
    at += sizeof field;
  });
  const std::string_view line(reinterpret_cast<const char*>(data) + std::min(at, size), size - std::min(at, size));
  for (size_t start = 0; start <= line.size();) {
    const size_t end = std::min(line.find(kChunkSeparator, start), line.size());
    input.replies.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return input;
}

std::string SerializeFuzzInput(const HostPart& host, const std::vector<std::string>& replies) {
  std::string bytes;
  HostPart fields = host;
  ForEachField(fields, [&](auto& field) { bytes.append(reinterpret_cast<const char*>(&field), sizeof field); });
  for (size_t i = 0; i < replies.size(); ++i) {
    if (i > 0) bytes += kChunkSeparator;
    bytes += replies[i];
  }
  return bytes;
}

}  // namespace condvorn::fuzz
