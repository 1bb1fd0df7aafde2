// The script language: one command per line, one result line per command.
//
//   # comment                       (blank lines and comments are skipped)
//   exports                         which exports the library has
//   init RESET | kill | type | adcrange VOLTS | pellproc
//   setchan PORT | getchan PORT     with the host's record of PORT
//   onchan PORT REPORT
//   gainto PORT GAIN | gainchange PORT UP | offsto PORT OFFSET | offschange PORT UP
//   info PORT WANT [SIZE]           GetCondInfo2; prints the wanted sections
//   menu COUNT OPTIONS [sampler]    DoCondMenu with the records from 0 on, and
//                                   the scripted sampling routine (no data
//                                   until `samples`); a modal panel runs the
//                                   lines that follow while it is open, so its
//                                   result comes later
//   killmenu POST | scaling ENABLE
//   pump MS                         handle messages; prints panel notifications
//   onchange none|getchan|kill      what the host window does on (3, port):
//                                   nothing, GetCondChan(port), KillCondMenu(0)
//   samples COUNT [CODE]...         the sampling routine reports COUNT and
//                                   writes the codes in equal runs
//   samplerclose                    its next call closes the panel
//   sampled                         its calls so far, and the last arguments
//
// The open panel, driven by window messages as a user would drive it:
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
//   dropped ID                      a click on a combo's arrow: its list's height
//   windows                         this process's other visible windows
//   attach MS                       wait for a panel of any process, and drive
//                                   that one from now on
//   move X Y                        move the panel window
//   shot NAME                       ask the bench for a screenshot, and wait
//   rec PORT [FIELD=VALUE]...       edit and print the host's record of PORT
//   regset NAME VALUE | regdel NAME the library's registry settings
//   file NAME                       a file in the host's directory, as text
//
// Each result is a JSON object: {"cmd": the line, "result": the export's
// return value, ...}; a command that cannot run gives {"cmd", "error"}.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "condvorn.h"
#include "exports.h"
#include "host_window.h"
#include "result_writer.h"

namespace condhost {

// A command that cannot run: bad arguments, or an export the library lacks.
struct ScriptError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Words separated by blanks; double quotes keep blanks inside a word.
std::vector<std::string> SplitWords(const std::string& line);
// A word as an integer (decimal, or 0x hexadecimal) or a number; else ScriptError.
long Integer(const std::string& word);
double Number(const std::string& word);
// The directory of condhost.exe, with its separator.
std::string HostDirectory();

// The export `name` of the library; ScriptError when it lacks it.
template <typename Fn>
Fn* Need(const Exports& exports, const char* name) {
  Fn* function = exports.Find<Fn>(name);
  if (function == nullptr) throw ScriptError(std::string("missing export ") + name);
  return function;
}

#define EXPORT(name) Need<decltype(name)>(exports_, #name)

class ScriptSession {
 public:
  ScriptSession(const Exports& exports, ResultWriter& out);

  void RunScript(const std::vector<std::string>& lines);

 private:
  using Words = std::vector<std::string>;
  struct Command;
  static const Command kCommands[];

  void Run(const std::string& line);
  // A tick inside a modal panel's loop: the next line, unless one runs.
  void RunNextInModalLoop();
  HWND NeedPanel() const;
  HWND NeedControl(const Words& args) const;

  ChanSettings& RecordFor(int port);
  // Runs `call` with PORT (the first argument) and its record; the result
  // gives the export's return value and the record after the call.
  void CallWithRecord(const Words& args, JsonObject& result,
                      const std::function<int32_t(int32_t, ChanSettings*)>& call);

  void ListExports(const Words& args, JsonObject& result);
  void Init(const Words& args, JsonObject& result);
  void Kill(const Words& args, JsonObject& result);
  void Type(const Words& args, JsonObject& result);
  void AdcRange(const Words& args, JsonObject& result);
  void PellProc(const Words& args, JsonObject& result);
  void SetChan(const Words& args, JsonObject& result);
  void GetChan(const Words& args, JsonObject& result);
  void OnChan(const Words& args, JsonObject& result);
  void GainTo(const Words& args, JsonObject& result);
  void GainChange(const Words& args, JsonObject& result);
  void OffsTo(const Words& args, JsonObject& result);
  void OffsChange(const Words& args, JsonObject& result);
  void Info(const Words& args, JsonObject& result);
  void Menu(const Words& args, JsonObject& result);
  void KillMenu(const Words& args, JsonObject& result);
  void Scaling(const Words& args, JsonObject& result);
  void Pump(const Words& args, JsonObject& result);
  void PanelView(const Words& args, JsonObject& result);
  void Select(const Words& args, JsonObject& result);
  void Click(const Words& args, JsonObject& result);
  void ButtonCommand(const Words& args, JsonObject& result);
  void Char(const Words& args, JsonObject& result);
  void Selection(const Words& args, JsonObject& result);
  void Enable(const Words& args, JsonObject& result);
  void Colours(const Words& args, JsonObject& result);
  void Context(const Words& args, JsonObject& result);
  void Focus(const Words& args, JsonObject& result);
  void Scroll(const Words& args, JsonObject& result);
  void Pixels(const Words& args, JsonObject& result);
  void Dropped(const Words& args, JsonObject& result);
  void Windows(const Words& args, JsonObject& result);
  void Attach(const Words& args, JsonObject& result);
  void OnChange(const Words& args, JsonObject& result);
  void Samples(const Words& args, JsonObject& result);
  void SamplerClose(const Words& args, JsonObject& result);
  void Sampled(const Words& args, JsonObject& result);
  void Move(const Words& args, JsonObject& result);
  void Shot(const Words& args, JsonObject& result);
  void Record(const Words& args, JsonObject& result);
  void RegSet(const Words& args, JsonObject& result);
  void RegDel(const Words& args, JsonObject& result);
  void File(const Words& args, JsonObject& result);

  const Exports& exports_;
  ResultWriter& out_;
  HostWindow window_;
  // One record per ADC port, and one more for ports outside the table;
  // 20 KiB, so kept off the host's stack.
  std::vector<ChanSettings> records_;
  std::vector<std::string> lines_;
  size_t next_ = 0;
  bool running_ = false;  // a line is running
};

}  // namespace condhost
