// The vornsim command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornsim {

struct Options {
  std::vector<std::string> channels;  // "N=PROFILE"
  std::optional<std::string> lineFile;
  std::optional<std::string> link;  // POSIX: a symbolic link to the pseudo-terminal
  std::optional<std::string> port;  // Windows: the COM port to serve, "COM6"
  std::optional<std::string> record;
  std::optional<std::string> state;
  bool listProfiles = false;
  bool exitOnStdinEof = false;  // POSIX
};

// None when CLI11 has printed the help; throws std::invalid_argument for a
// malformed command line.
std::optional<Options> ParseCommandLine(int argc, char** argv);

}  // namespace vornsim
