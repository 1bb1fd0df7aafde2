// Everything the command line says: where to talk, how to start the
// library, the host record's scaling, and the command with its arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornctl {

struct Options;
// What a command does; returns the exit code.
using CommandRunner = int (*)(const Options&);

struct Options {
  // Where it talks: a serial port, or the simulator (the default).
  std::optional<std::string> port;
  std::optional<std::string> sim;  // --sim [PROFILE]; empty: one channel of each built-in profile

  // The library's settings.
  int first = 0;     // "First": first channel number probed
  int last = 0;      // "Last": probed at least up to this one
  bool probeRangeGiven = false;  // --first or --last was on the command line
  // "Dump": keep the diagnostic log, in this file (empty: vornctl's state
  // directory).
  std::optional<std::string> log;

  // The host's side: its ADC range and its record's scaling, each given or
  // left to its default.
  double adcRange = 5.0;               // volts
  std::optional<double> scale;         // host units per ADC code; default volts at the ADC
  std::optional<double> zero;          // host units at ADC code 0; default 0
  std::optional<std::string> units;    // the name of the host units; default " Volt"

  // The command.
  CommandRunner run = nullptr;
  bool trace = false;  // print the traffic on the line
  bool json = false;
  int channel = -1;
  std::optional<std::string> input;   // info: the input whose gains to show
  std::vector<std::string> settings;  // set: key=value ...
  bool fresh = false;                 // set: start from the defaults, not the record last applied
  std::optional<std::string> panelPort;  // panel: the port, else the library's configured one
  std::optional<std::string> out;        // profile: the file to write, else standard output
};

// The options from the command line, or nothing when help was asked for
// and printed. Throws CommandError (kUsage) for a command line that does
// not parse.
std::optional<Options> ParseCommandLine(int argc, char** argv);

}  // namespace vornctl
