// Everything the command line says: where to talk, how to start the
// library, the host record's scaling, and the command with its arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornctl {

enum class Command { kScan, kInfo, kSet, kDemo, kPanel, kProfile };

struct Options {
  // Where it talks: a serial port, or the simulator (the default).
  std::optional<std::string> port;
  std::string simProfile;  // empty: one channel of each built-in profile

  // The library's settings.
  int first = 0;     // "First": first channel number probed
  int last = 0;      // "Last": probed at least up to this one
  bool probeRangeGiven = false;  // --first or --last was on the command line
  bool log = false;  // "Dump": keep the diagnostic log

  // The host's side: its ADC range and its record's scaling.
  double adcRange = 5.0;        // volts
  std::optional<double> scale;  // host units per ADC code; default volts at the ADC
  double zero = 0.0;            // host units at ADC code 0
  std::string units = " Volt";  // the name of the host units

  // The command.
  Command command = Command::kScan;
  bool trace = false;  // print the traffic on the line
  bool json = false;
  int channel = -1;
  std::optional<std::string> input;   // info: the input whose gains to show
  std::vector<std::string> settings;  // set: key=value ...
  std::optional<std::string> panelPort;  // panel: the port, else the library's configured one
  std::optional<std::string> out;        // profile: the file to write, else standard output
};

// The options from the command line, or nothing when help was asked for
// and printed. Throws CommandError (kUsage) for a command line that does
// not parse.
std::optional<Options> ParseCommandLine(int argc, char** argv);

}  // namespace vornctl
