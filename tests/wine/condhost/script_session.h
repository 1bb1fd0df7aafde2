// The script language: one command per line, one JSON result line per
// command, {"cmd": the line, ...}; a command that cannot run gives
// {"cmd", "error"}. Blank lines and lines starting with # are skipped.
//
// A line is either one of the host's commands (the tables in
// script_session.cpp and panel_commands.cpp, each with its words), or an
// export's name with its arguments in order as JSON words (export_call.h):
//   InitCond 1 | SetCondChan 0 | CondGainTo "nan" 0 {"bytes": 100, "size": 100}
// A DoCondMenu that opens a modal panel runs the lines that follow while the
// panel is open, so that its own result comes later.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "export_call.h"
#include "host_window.h"
#include "result_writer.h"

namespace condhost {

using Words = std::vector<std::string>;
class ScriptSession;

struct Command {
  const char* verb;
  const char* words;  // what follows the verb, for the usage message
  size_t minArgs;
  size_t maxArgs;
  void (*run)(ScriptSession& session, const Words& args, Json& result);
};

// The commands that drive the open panel with window messages.
extern const std::vector<Command> kPanelCommands;

// A word as an integer (decimal, or 0x hexadecimal); else throws.
long Integer(const std::string& word);

class ScriptSession {
 public:
  ScriptSession(HMODULE library, ResultWriter& out);

  void RunScript(const std::vector<std::string>& lines);

  HMODULE library() const { return library_; }
  HostWindow& window() { return window_; }
  HostRecords& records() { return records_; }
  // Writes {"waiting": NAME, ...`also`} and handles messages until the
  // bench answers with the file NAME.done beside the host; throws when it
  // does not in time.
  void Wait(const std::string& name, Json also);
  // Runs the next `count` lines `times` times over.
  void Repeat(long times, long count);
  // Runs an export call; a modal panel's loop runs the next lines.
  void Call(const std::string& name, const Json& args, Json& result);

 private:
  void Run(const std::string& line);
  // A tick inside a modal panel's loop: the next line, unless one runs.
  void RunNextInModalLoop();

  HMODULE library_;
  ResultWriter& out_;
  HostWindow window_;
  HostRecords records_;
  std::vector<std::unique_ptr<GuardedBlock>> lent_;  // records arrays a panel may still use
  std::vector<std::string> lines_;
  size_t next_ = 0;
  bool running_ = false;  // a line is running
};

}  // namespace condhost
