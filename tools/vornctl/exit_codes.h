// vornctl's exit codes and the error that carries one to main(). Each kind
// of failure a person can act on has its own code, so scripts can tell them
// apart; --help lists them.
#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace vornctl {

enum class ExitCode : int {
  kOk = 0,
  kInternal = 1,        // an unexpected failure inside vornctl or the library
  kUsage = 2,           // unknown command or option, malformed argument
  kUnknownChannel = 3,  // a channel outside 0 to 127 or not found on the line
  kUnknownKey = 4,      // set: a key that names no setting of the channel
  kBadValue = 5,        // a value the channel cannot take
  kPortFailed = 6,      // the serial port cannot be opened
  kNoChannels = 7,      // no channel answered the scan
};

// A failure with a message for the person at the keyboard, and what a
// command had found before it failed, for a script that asked for JSON.
class CommandError : public std::runtime_error {
 public:
  CommandError(ExitCode code, const std::string& message, nlohmann::json details = nullptr)
      : std::runtime_error(message), code_(code), details_(std::move(details)) {}
  ExitCode code() const { return code_; }
  // A JSON object, or null.
  const nlohmann::json& details() const { return details_; }

 private:
  ExitCode code_;
  nlohmann::json details_;
};

// The exit-code table for --help.
const char* ExitCodeHelp();

}  // namespace vornctl
