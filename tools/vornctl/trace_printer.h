// Prints the traffic on the line as it happens: every command as sent and
// every reply line as received, with the time since the line was made.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "watched_link.h"

namespace vornctl {

class TracePrinter : public LineObserver {
 public:
  TracePrinter(std::ostream& out, std::function<double()> nowMs) : out_(out), nowMs_(std::move(nowMs)) {}

  void Opened(int32_t port, int32_t result) override;
  void Closed() override;
  void CommandSent(const std::string& text, int32_t result) override;
  void ReplyReceived(const std::string& line, bool complete) override;
  void ReceiveFailed(int32_t code) override;

 private:
  void Print(const char* direction, const std::string& text);

  std::ostream& out_;
  std::function<double()> nowMs_;
};

// The text with control and non-ASCII bytes written as \r, \n or \xNN.
std::string Printable(const std::string& text);

}  // namespace vornctl
