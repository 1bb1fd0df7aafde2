// The script language: one command per line, one JSON result line per
// command, {"cmd": the line, ...}; a command that cannot run gives
// {"cmd", "error"}. Blank lines and lines starting with # are skipped.
//
// The exports, by name with their arguments in order as JSON words (see
// export_call.h): every call runs in guarded memory, under the fault guard
// and timed, and a record argument left out is the host's record of the port:
//   InitCond 1 | SetCondChan 0 | CondGainTo "nan" 0 {"bytes": 100, "size": 100}
//   GetCondInfo2 0 {"want": 32} | DoCondMenu host 4 sampler 2
// A DoCondMenu that opens a modal panel runs the lines that follow while the
// panel is open, so that its own result comes later.
//
// The host's side:
//   rec PORT [FIELDS]               edit ({"gain": 2, ...}) and print the host's record of PORT
//   sizes                           the record sizes the host was built with
//   pump MS                         handle messages (guarded); the panel's notifications
//   onchange none|getchan|kill      what the host window does on (3, port):
//                                   nothing, GetCondChan(port), KillCondMenu(0)
//   samples COUNT [CODE]...         the sampling routine reports COUNT and
//                                   writes the codes in equal runs
//   samplerclose                    its next call closes the panel
//   sampled                         its calls so far, and the last arguments
//   wait NAME                       write {"waiting": NAME}, then wait until
//                                   the file NAME.done appears beside the host
//   repeat TIMES LINES              run the next LINES lines TIMES times over
//   resources                       the process's handles and private bytes
//
// The open panel, driven by window messages as a user would drive it
// (panel_commands.cpp):
//   panel                           the panel and every control, as JSON
//   select ID INDEX                 choose a combo item (CBN_SELCHANGE)
//   click ID                        BM_CLICK on a button
//   command ID                      WM_COMMAND from a button, as Enter and Esc give it
//   char ID TEXT                    WM_CHAR for each character (a combo's edit
//                                   part takes them); prints the text and beeps
//   selection ID START END          EM_SETSEL
//   enable ID ON                    EnableWindow, as a host might
//   colours ID                      the colours a combo gives its edit part,
//                                   and those the panel reflects to it
//   context ID                      WM_CONTEXTMENU at the control's centre
//   focus ID                        the keyboard focus to the control
//   scroll ID CODE                  WM_VSCROLL from a scroll bar
//   pixels ID X...                  the green rows of columns X in control ID,
//                                   and green pixels elsewhere in the panel
//   dropped ID                      drop a combo's list by its arrow: shown,
//                                   height, items and item height
//   windows                         this process's other visible windows
//   attach MS                       wait for a panel of any process, and drive
//                                   that one from now on
//   move X Y                        move the panel window
//   shot NAME                       as wait, with the panel's "window" rectangle
//                                   for the bench's screenshot
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
  size_t minArgs;
  size_t maxArgs;
  const char* usage;
  void (*run)(ScriptSession& session, const Words& args, Json& result);
};

// The commands that drive the panel.
extern const std::vector<Command> kPanelCommands;

// A word as an integer (decimal, or 0x hexadecimal); else throws.
long Integer(const std::string& word);
// A file beside condhost.exe.
std::string BesideHost(const std::string& name);

class ScriptSession {
 public:
  ScriptSession(HMODULE library, ResultWriter& out);

  void RunScript(const std::vector<std::string>& lines);

  HMODULE library() const { return library_; }
  ResultWriter& out() { return out_; }
  HostWindow& window() { return window_; }
  HostRecords& records() { return records_; }
  // Writes {"waiting": NAME, ...`also`} and handles messages until the
  // bench answers with NAME.done; throws when it does not in time.
  void Wait(const std::string& name, Json also);
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
