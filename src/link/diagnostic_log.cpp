#include "link/diagnostic_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "link/link_state.h"
#include "os/os.h"

namespace condvorn {

std::string LogFilePath() { return Link().programDirectory + "ZELCOND.LOG"; }

void LogLine(const char* text) {
  if (Link().logActive == 0) return;
  // The line buffer holds the message, "\r\n" and the terminating NUL.
  char line[kLogLineBufferSize];
  std::snprintf(line, sizeof line, "%.*s\r\n", static_cast<int>(kLogLineBufferSize - 3), text);
  CurrentOs().logFile->Append(LogFilePath(), line);
}

void LogFormat(const char* format, ...) {
  if (Link().logActive == 0) return;
  char message[kLogLineBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  LogLine(message);
}

bool CreateLogFile() { return CurrentOs().logFile->Create(LogFilePath()); }

std::string ProgramDirectoryFromPath(const std::optional<std::string>& executablePath) {
  if (!executablePath) return {};
  size_t separator = executablePath->find_last_of("\\:");
  if (separator == std::string::npos) return {};
  return executablePath->substr(0, separator + 1);
}

}  // namespace condvorn
