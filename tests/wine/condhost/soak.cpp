#include "soak.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <stdexcept>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "export_call.h"
#include "records.h"

namespace condhost {
namespace {

constexpr size_t kFailuresKept = 10;
constexpr int kStartAttempts = 3;
constexpr float kOffsets[2] = {0.01f, 0.02f};

// Handle values are given out lowest first: a process with a few hundred
// handles has them all below this.
constexpr ULONG_PTR kHandleValuesProbed = 0x1000;

struct Sample {
  DWORD handles;
  SIZE_T privateBytes;
};

// The open handles, counted in the handle table itself.
DWORD CountOpenHandles() {
  DWORD count = 0;
  for (ULONG_PTR value = 4; value < kHandleValuesProbed; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Wine answers GetProcessHandleCount and PrivateUsage with 0: the handles
// are then counted in the table, and the private bytes are the commit
// charge it reports as PagefileUsage (which Windows gives in both fields).
Sample TakeSample() {
  Sample sample{};
  GetProcessHandleCount(GetCurrentProcess(), &sample.handles);
  if (sample.handles == 0) sample.handles = CountOpenHandles();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  sample.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  return sample;
}

// [least, most] of a field over samples [from, to).
template <typename Field>
Json Span(const std::vector<Sample>& samples, size_t from, size_t to, Field field) {
  auto [least, most] = std::minmax_element(samples.begin() + from, samples.begin() + to,
                                           [&](const Sample& a, const Sample& b) { return field(a) < field(b); });
  return {field(*least), field(*most)};
}

// The port's record as a recording host keeps it.
ChanSettings PortRecord() {
  ChanSettings record = DefaultRecord();
  record.scale = 0.001f;
  record.inUse = 1;
  return record;
}

// Starts the library until every port has its channel: a probe that a busy
// machine answers late leaves a channel out, and is tried again. The number
// of InitCond calls it took.
int StartLibrary(HMODULE library, const std::vector<int32_t>& ports) {
  const auto initCond = EXPORT(library, InitCond);
  const auto condOnChan = EXPORT(library, CondOnChan);
  const auto allFound = [&] {
    return std::all_of(ports.begin(), ports.end(), [&](int32_t port) { return condOnChan(port, 0) == 1; });
  };
  int starts = 1;
  for (initCond(1); !allFound() && starts < kStartAttempts; ++starts) initCond(1);
  return allFound() ? starts : 0;
}

}  // namespace

Json ResourcesNow() {
  const Sample sample = TakeSample();
  return {{"handles", sample.handles}, {"privateBytes", sample.privateBytes}};
}

Json RunSoak(HMODULE library, const Json& options) {
  const auto setCondChan = EXPORT(library, SetCondChan);
  const auto gainChange = EXPORT(library, CondGainChange);
  const auto getCondInfo2 = EXPORT(library, GetCondInfo2);
  const size_t calls = options.at("calls").get<size_t>();
  const std::vector<int32_t> ports = options.at("ports").get<std::vector<int32_t>>();
  const size_t window = std::min(options.value("window", size_t{1000}), calls / 2);
  const size_t sampleEvery = options.value("sampleEvery", size_t{1});
  const int starts = StartLibrary(library, ports);
  if (starts == 0) throw std::runtime_error("the ports' channels were not found");

  std::map<int32_t, ChanSettings> records;
  for (int32_t port : ports) records[port] = PortRecord();
  auto info = std::make_unique<CondInfo>();
  std::map<std::pair<int32_t, int>, Json> answers;  // by port and input
  std::vector<Sample> samples;
  samples.reserve(calls / sampleEvery + 1);
  Json failures = Json::array();
  size_t outOfStep = 0;

  LARGE_INTEGER start, end, frequency;
  QueryPerformanceCounter(&start);
  for (size_t call = 0; call < calls; ++call) {
    const size_t round = call / 3;
    const int32_t port = ports[round % ports.size()];
    ChanSettings& record = records[port];
    int32_t result = 0;
    const char* name = "";
    switch (call % 3) {
      case 0:
        name = "SetCondChan";
        record.offset = kOffsets[round / ports.size() % 2];
        result = setCondChan(port, &record);
        break;
      case 1:
        name = "CondGainChange";
        result = gainChange(static_cast<int32_t>(round / ports.size() % 2 == 0), port, &record);
        break;
      default: {
        name = "GetCondInfo2";
        ChanSettings asked = PortRecord();
        asked.input = static_cast<int16_t>(round / ports.size() % 2);
        *info = CondInfo{};
        info->size = sizeof(CondInfo);
        info->settings = &asked;
        info->want = 127;
        result = getCondInfo2(port, info.get());
        const Json answer = InfoJson(*info);
        auto [known, first] = answers.emplace(std::make_pair(port, asked.input), answer);
        if (!first && known->second != answer) ++outOfStep;
      }
    }
    if (call % sampleEvery == 0) samples.push_back(TakeSample());
    if (result != 0 && failures.size() < kFailuresKept) {
      failures.push_back(std::string(name) + " on port " + std::to_string(port) + " gave " + std::to_string(result));
    }
  }
  QueryPerformanceCounter(&end);
  QueryPerformanceFrequency(&frequency);

  Json references = Json::array();
  for (const auto& [key, answer] : answers) {
    references.push_back({{"port", key.first}, {"input", key.second}, {"info", answer}});
  }
  const size_t perWindow = std::max<size_t>(window / sampleEvery, 1);
  const auto handles = [](const Sample& s) { return static_cast<unsigned long long>(s.handles); };
  const auto privateBytes = [](const Sample& s) { return static_cast<unsigned long long>(s.privateBytes); };
  const auto firstAndLast = [&](auto field) {
    return Json{{"first", Span(samples, 0, perWindow, field)},
                {"last", Span(samples, samples.size() - perWindow, samples.size(), field)}};
  };
  return {{"starts", starts},
          {"calls", calls},
          {"failures", failures},
          {"outOfStep", outOfStep},
          {"answers", references},
          {"seconds", static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart)},
          {"handles", firstAndLast(handles)},
          {"privateBytes", firstAndLast(privateBytes)}};
}

}  // namespace condhost
