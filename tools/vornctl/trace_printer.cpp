#include "trace_printer.h"

#include <cstdio>

namespace vornctl {

void TracePrinter::Opened(int32_t port, int32_t result) {
  Print("==", "open port " + std::to_string(port) +
                  (result == 0 ? std::string(": ok") : ": failed, code " + std::to_string(result)));
}

void TracePrinter::Closed() { Print("==", "close"); }

void TracePrinter::CommandSent(const std::string& text, int32_t result) {
  Print("->",
        Printable(text) + (result == 0 ? std::string() : "   (send failed, code " + std::to_string(result) + ")"));
}

void TracePrinter::ReplyReceived(const std::string& line, bool complete) {
  Print("<-", Printable(line) + (complete ? "" : "   (no carriage return)"));
}

void TracePrinter::ReceiveFailed(int32_t code) { Print("!!", "receive error, code " + std::to_string(code)); }

void TracePrinter::Print(const char* direction, const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%11.3f ms", nowMs_());
  out_ << stamp << "  " << direction << " " << text << std::endl;
}

std::string Printable(const std::string& text) {
  std::string shown;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == '\r') {
      shown += "\\r";
    } else if (byte == '\n') {
      shown += "\\n";
    } else if (byte < 0x20 || byte > 0x7e) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace vornctl
