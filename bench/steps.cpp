#include "steps.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <stdexcept>

namespace bench {
namespace {

// The host's record of each port, as a host fills it before its first call.
ChanSettings& RecordOf(int32_t port) {
  static ChanSettings records[COND_PORT_COUNT];
  ChanSettings& record = records[port];
  if (record.size == 0) {
    record.size = sizeof(ChanSettings);
    record.scale = 1.0f;
    record.gain = 1.0f;
    std::strcpy(record.units, " Volt");
  }
  return record;
}

int32_t PortOf(const std::string& step, size_t colon) {
  const std::string digits = colon == std::string::npos ? "" : step.substr(colon + 1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 3 ||
      std::stoi(digits) >= COND_PORT_COUNT) {
    throw std::invalid_argument("step " + step + ": expected a port from 0 to 127 after the colon");
  }
  return std::stoi(digits);
}

int32_t Call(const Exports& exports, const std::string& step) {
  const size_t colon = step.find(':');
  const std::string verb = step.substr(0, colon);
  if (verb == "init" && colon == std::string::npos) return exports.initCond(1);
  const int32_t port = PortOf(step, colon);
  if (verb == "info") {
    static CondInfo info;  // large: kept off the stack
    info.size = sizeof info;
    info.want = 0;
    info.settings = &RecordOf(port);
    return exports.getCondInfo2(port, &info);
  }
  if ((verb == "setchan" || verb == "gainchange") && exports.condOnChan(port, 0) != 1) {
    throw std::runtime_error("step " + step + ": port " + std::to_string(port) + " has no usable channel");
  }
  if (verb == "setchan") return exports.setCondChan(port, &RecordOf(port));
  if (verb == "gainchange") return exports.condGainChange(1, port, &RecordOf(port));
  throw std::invalid_argument("unknown step " + step + " (init, info:PORT, setchan:PORT, gainchange:PORT)");
}

}  // namespace

StepResult RunStep(const Exports& exports, const std::string& step) {
  const ProcessTimes before = ProcessTimesNow();
  const int32_t result = Call(exports, step);
  const ProcessTimes after = ProcessTimesNow();
  return StepResult{step, result, after.wallMs - before.wallMs, after.cpuMs - before.cpuMs};
}

std::string StepJson(const StepResult& result) {
  return nlohmann::json{{"step", result.step}, {"result", result.result}, {"wallMs", result.wallMs},
                        {"cpuMs", result.cpuMs}}
      .dump();
}

}  // namespace bench
