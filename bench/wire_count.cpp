#include "wire_count.h"

#include <algorithm>

namespace bench {
namespace {

constexpr double kCharMs = 10.0 / 9.6;  // ten bits at 9600 baud
constexpr double kSelectionPauseMs = 20;
constexpr double kFirstCharWaitMs = 30;
constexpr double kReplyTimeoutMs = 1000;
constexpr double kRetryPauseMs = 100;

}  // namespace

double FloorMs(const WireCount& count, double turnaroundMs) {
  return static_cast<double>(count.bytesOutWaitedFor + count.bytesIn) * kCharMs +
         static_cast<double>(count.selections) * kSelectionPauseMs +
         static_cast<double>(count.silentProbes) * kFirstCharWaitMs +
         static_cast<double>(count.unansweredQueries) * kReplyTimeoutMs +
         static_cast<double>(count.retries) * kRetryPauseMs +
         static_cast<double>(count.answeredQueries) * (turnaroundMs - kCharMs);
}

nlohmann::json CountJson(const WireCount& count) {
  return {{"bytesOut", count.bytesOut},
          {"bytesIn", count.bytesIn},
          {"bytesOutWaitedFor", count.bytesOutWaitedFor},
          {"selections", count.selections},
          {"silentProbes", count.silentProbes},
          {"unansweredQueries", count.unansweredQueries},
          {"answeredQueries", count.answeredQueries},
          {"retries", count.retries}};
}

WireCount CountingLink::Take() {
  CloseQuery();
  WireCount taken = count_;
  count_ = WireCount{};
  sentNotWaitedFor_ = 0;
  return taken;
}

int32_t CountingLink::Send(condvorn::LinkHandle handle, const char* text, int32_t length) {
  CloseQuery();
  const std::string command(text, length > 0 ? static_cast<size_t>(length) : 0);
  count_.bytesOut += static_cast<int64_t>(command.size());
  sentNotWaitedFor_ += static_cast<int64_t>(command.size());
  if (command.rfind(";;CH", 0) == 0) ++count_.selections;
  if (command.rfind("?", 0) == 0) openQuery_ = command;
  return inner_.Send(handle, text, length);
}

int32_t CountingLink::GetChar(condvorn::LinkHandle handle) {
  const int32_t result = inner_.GetChar(handle);
  if (result > 0) {
    ++count_.bytesIn;
    if (!openQuery_.empty()) ++count_.answeredQueries;
    openQuery_.clear();
    WaitedForSent();
  }
  return result;
}

int32_t CountingLink::OutputQueueCount(condvorn::LinkHandle handle) {
  WaitedForSent();
  return inner_.OutputQueueCount(handle);
}

void CountingLink::WaitedForSent() {
  count_.bytesOutWaitedFor += sentNotWaitedFor_;
  sentNotWaitedFor_ = 0;
}

void CountingLink::FlushInput(condvorn::LinkHandle handle) {
  ++count_.retries;
  inner_.FlushInput(handle);
}

void CountingLink::CloseQuery() {
  if (openQuery_.empty()) return;
  ++(openQuery_ == "?CH;" ? count_.silentProbes : count_.unansweredQueries);
  sentNotWaitedFor_ -= std::min(sentNotWaitedFor_, static_cast<int64_t>(openQuery_.size()));
  openQuery_.clear();
}

}  // namespace bench
