// The script language: one command per line, one result line per command.
//
//   # comment                       (blank lines and comments are skipped)
//   exports                         which exports the library has
//   init RESET | kill | type | adcrange VOLTS | pellproc
//   setchan PORT | getchan PORT     with the host's record of PORT
//   onchan PORT REPORT
//   gainto PORT GAIN | gainchange PORT UP | offsto PORT OFFSET | offschange PORT UP
//   info PORT WANT [SIZE]           GetCondInfo2; prints the wanted sections
//   menu COUNT OPTIONS | killmenu POST | scaling ENABLE
//   pump MS                         handle messages; prints panel notifications
//   rec PORT [FIELD=VALUE]...       edit and print the host's record of PORT
//   regset NAME VALUE | regdel NAME the library's registry settings
//   file NAME                       a file in the host's directory, as text
//
// Each result is a JSON object: {"cmd": the line, "result": the export's
// return value, ...}; a command that cannot run gives {"cmd", "error"}.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "condvorn.h"
#include "exports.h"
#include "host_window.h"
#include "result_writer.h"

namespace condhost {

class ScriptSession {
 public:
  ScriptSession(const Exports& exports, ResultWriter& out);

  void Run(const std::string& line);

 private:
  using Words = std::vector<std::string>;
  struct Command;
  static const Command kCommands[];

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
};

}  // namespace condhost
