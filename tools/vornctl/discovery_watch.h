// Watches the library's scan of the line: which channels it probed, what
// each answered, and, on a terminal, a progress line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "watched_link.h"

namespace vornctl {

struct Probe {
  int channel = -1;
  std::vector<std::string> replies;  // reply lines, as received
  bool linkError = false;            // the link failed to send or receive
};

class DiscoveryWatch : public LineObserver {
 public:
  // Where to show the channel being probed, as "channel 6 (2 of 3)" for a
  // scan that probes channels first to last; null (the default) for nowhere.
  // The scan goes on beyond `last` while channels answer, and the count
  // with it.
  void ShowProgress(std::ostream* progress, int first, int last) {
    progress_ = progress;
    first_ = first;
    last_ = last;
  }
  // Stops watching (the scan is over) and clears the progress line.
  void Finish();
  const std::vector<Probe>& probes() const { return probes_; }

  void CommandSent(const std::string& text, int32_t result) override;
  void ReplyReceived(const std::string& line, bool complete) override;
  void ReceiveFailed(int32_t code) override;

 private:
  std::ostream* progress_ = nullptr;
  int first_ = 0;
  int last_ = 0;
  bool watching_ = true;
  std::vector<Probe> probes_;
};

}  // namespace vornctl
