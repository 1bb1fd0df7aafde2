// The optional plain-text diagnostic log "ZELCOND.LOG" in the host
// program's directory: one line per event, opened and closed per line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace condvorn {

constexpr size_t kLogLineBufferSize = 152;  // a message keeps at most 149 characters
constexpr size_t kExecutablePathRoom = 520;

// Writes the message and "\r\n" while logging is active; a message too long
// for the line buffer is cut. An unwritable file drops the line silently.
void LogLine(const char* text);
// LogLine with printf-style formatting.
void LogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Creates the log file afresh (empty); false when it cannot be created.
bool CreateLogFile();
// The log file's full name.
std::string LogFilePath();

// Everything up to and including the last '\' or ':' of the executable's
// path; empty when there is no path or no separator.
std::string ProgramDirectoryFromPath(const std::optional<std::string>& executablePath);

}  // namespace condvorn
