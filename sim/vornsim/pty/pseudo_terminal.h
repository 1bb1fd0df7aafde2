// A pseudo-terminal that stands in for a serial port: the client opens the
// slave side as its COM port, the simulator reads and writes the master side.
#pragma once

#include <string>

namespace vornsim {

class PseudoTerminal {
 public:
  // Opens the pair and puts the slave in raw mode (no echo, no line editing,
  // no translation of "\r"), as a serial port is. Throws std::runtime_error.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int master() const { return master_; }  // non-blocking
  const std::string& slavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  // Held open for the pseudo-terminal's whole life: without it the master
  // reads EIO whenever the client has closed the port, and a client that
  // closes and reopens the port would find the line gone.
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace vornsim
