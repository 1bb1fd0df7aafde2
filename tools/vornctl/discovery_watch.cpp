#include "discovery_watch.h"

#include <algorithm>

namespace vornctl {

namespace {
// Wide enough to wipe the progress text.
const char kWipe[] = "\r                                        \r";
}  // namespace

void DiscoveryWatch::Finish() {
  if (watching_ && progress_ != nullptr) *progress_ << kWipe << std::flush;
  watching_ = false;
}

void DiscoveryWatch::CommandSent(const std::string& text, int32_t result) {
  if (!watching_) return;
  if (std::optional<int> channel = SelectedChannel(text)) {
    probes_.push_back(Probe{*channel, {}, false});
    if (progress_ != nullptr) {
      *progress_ << "\rscanning: channel " << *channel << " (" << *channel - first_ + 1 << " of "
                 << std::max(last_, *channel) - first_ + 1 << ")   " << std::flush;
    }
  }
  if (result != 0 && !probes_.empty()) probes_.back().linkError = true;
}

void DiscoveryWatch::ReplyReceived(const std::string& line, bool) {
  if (watching_ && !probes_.empty()) probes_.back().replies.push_back(line);
}

void DiscoveryWatch::ReceiveFailed(int32_t) {
  if (watching_ && !probes_.empty()) probes_.back().linkError = true;
}

}  // namespace vornctl
