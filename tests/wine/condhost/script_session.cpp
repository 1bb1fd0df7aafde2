#include "script_session.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "records.h"
#include "sample_source.h"

namespace condhost {

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t' || c == '\r') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

long Integer(const std::string& word) {
  char* end = nullptr;
  long value = std::strtol(word.c_str(), &end, 0);
  if (word.empty() || *end != '\0') throw ScriptError("not an integer: " + word);
  return value;
}

double Number(const std::string& word) {
  char* end = nullptr;
  double value = std::strtod(word.c_str(), &end);
  if (word.empty() || *end != '\0') throw ScriptError("not a number: " + word);
  return value;
}

std::string HostDirectory() {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of("\\:") + 1);
}

namespace {

constexpr const char* kSettingsKey = "Software\\ZEL\\ZELCond\\Vorn";

// The host's data-acquisition routine handed to SetPellProc.
void WINAPI HostPellProc() {}

constexpr DWORD kModalTickMs = 10;


}  // namespace

struct ScriptSession::Command {
  const char* verb;
  size_t minArgs;
  size_t maxArgs;
  const char* usage;
  void (ScriptSession::*run)(const Words&, JsonObject&);
};

const ScriptSession::Command ScriptSession::kCommands[] = {
    {"exports", 0, 0, "exports", &ScriptSession::ListExports},
    {"init", 1, 1, "init RESET", &ScriptSession::Init},
    {"kill", 0, 0, "kill", &ScriptSession::Kill},
    {"type", 0, 0, "type", &ScriptSession::Type},
    {"adcrange", 1, 1, "adcrange VOLTS", &ScriptSession::AdcRange},
    {"pellproc", 0, 0, "pellproc", &ScriptSession::PellProc},
    {"setchan", 1, 1, "setchan PORT", &ScriptSession::SetChan},
    {"getchan", 1, 1, "getchan PORT", &ScriptSession::GetChan},
    {"onchan", 2, 2, "onchan PORT REPORT", &ScriptSession::OnChan},
    {"gainto", 2, 2, "gainto PORT GAIN", &ScriptSession::GainTo},
    {"gainchange", 2, 2, "gainchange PORT UP", &ScriptSession::GainChange},
    {"offsto", 2, 2, "offsto PORT OFFSET", &ScriptSession::OffsTo},
    {"offschange", 2, 2, "offschange PORT UP", &ScriptSession::OffsChange},
    {"info", 2, 3, "info PORT WANT [SIZE]", &ScriptSession::Info},
    {"menu", 2, 3, "menu COUNT OPTIONS [sampler]", &ScriptSession::Menu},
    {"killmenu", 1, 1, "killmenu POST", &ScriptSession::KillMenu},
    {"scaling", 1, 1, "scaling ENABLE", &ScriptSession::Scaling},
    {"pump", 1, 1, "pump MS", &ScriptSession::Pump},
    {"onchange", 1, 1, "onchange none|getchan|kill", &ScriptSession::OnChange},
    {"samples", 1, 1000, "samples COUNT [CODE]...", &ScriptSession::Samples},
    {"samplerclose", 0, 0, "samplerclose", &ScriptSession::SamplerClose},
    {"sampled", 0, 0, "sampled", &ScriptSession::Sampled},
    {"panel", 0, 0, "panel", &ScriptSession::PanelView},
    {"select", 2, 2, "select ID INDEX", &ScriptSession::Select},
    {"click", 1, 1, "click ID", &ScriptSession::Click},
    {"command", 1, 1, "command ID", &ScriptSession::ButtonCommand},
    {"char", 2, 2, "char ID TEXT", &ScriptSession::Char},
    {"selection", 3, 3, "selection ID START END", &ScriptSession::Selection},
    {"enable", 2, 2, "enable ID ON", &ScriptSession::Enable},
    {"colours", 1, 1, "colours ID", &ScriptSession::Colours},
    {"context", 1, 1, "context ID", &ScriptSession::Context},
    {"focus", 1, 1, "focus ID", &ScriptSession::Focus},
    {"scroll", 2, 2, "scroll ID CODE", &ScriptSession::Scroll},
    {"pixels", 2, 100, "pixels ID X...", &ScriptSession::Pixels},
    {"dropped", 1, 1, "dropped ID", &ScriptSession::Dropped},
    {"windows", 0, 0, "windows", &ScriptSession::Windows},
    {"attach", 1, 1, "attach MS", &ScriptSession::Attach},
    {"move", 2, 2, "move X Y", &ScriptSession::Move},
    {"shot", 1, 1, "shot NAME", &ScriptSession::Shot},
    {"rec", 1, 1000, "rec PORT [FIELD=VALUE]...", &ScriptSession::Record},
    {"regset", 2, 2, "regset NAME VALUE", &ScriptSession::RegSet},
    {"regdel", 1, 1, "regdel NAME", &ScriptSession::RegDel},
    {"file", 1, 1, "file NAME", &ScriptSession::File},
};

ScriptSession::ScriptSession(const Exports& exports, ResultWriter& out)
    : exports_(exports), out_(out), records_(COND_PORT_COUNT + 1, DefaultRecord()) {}

void ScriptSession::RunScript(const std::vector<std::string>& lines) {
  lines_ = lines;
  while (next_ < lines_.size()) Run(lines_[next_++]);
}

void ScriptSession::RunNextInModalLoop() {
  if (running_) return;
  if (next_ >= lines_.size()) {
    // Nothing left to close it: close it as the host would, and say so.
    out_.Write(JsonObject().Add("error", "the script ended with a modal panel open"));
    EXPORT(KillCondMenu)(0);
    return;
  }
  Run(lines_[next_++]);
}

void ScriptSession::Run(const std::string& line) {
  Words words = SplitWords(line);
  if (words.empty() || words[0][0] == '#') return;
  JsonObject result;
  result.Add("cmd", line.substr(0, line.find_last_not_of("\r\n") + 1));
  try {
    const Command* command = nullptr;
    for (const Command& candidate : kCommands) {
      if (words[0] == candidate.verb) command = &candidate;
    }
    if (command == nullptr) throw ScriptError("unknown command " + words[0]);
    Words args(words.begin() + 1, words.end());
    running_ = true;
    if (args.size() < command->minArgs || args.size() > command->maxArgs) {
      throw ScriptError(std::string("usage: ") + command->usage);
    }
    (this->*command->run)(args, result);
  } catch (const ScriptError& error) {
    result.Add("error", error.what());
  }
  running_ = false;
  out_.Write(result);
}

ChanSettings& ScriptSession::RecordFor(int port) {
  return port >= 0 && port < COND_PORT_COUNT ? records_[port] : records_[COND_PORT_COUNT];
}

// ---- Lifecycle ----

void ScriptSession::ListExports(const Words&, JsonObject& result) {
  std::string present;
  std::string missing;
  for (const std::string& name : Exports::AllNames()) {
    std::string& list = exports_.Has(name) ? present : missing;
    list += (list.empty() ? "" : ", ") + JsonString(name);
  }
  result.AddRaw("present", "[" + present + "]").AddRaw("missing", "[" + missing + "]");
}

void ScriptSession::Init(const Words& args, JsonObject& result) {
  result.Add("result", static_cast<long long>(EXPORT(InitCond)(Integer(args[0]))));
}

void ScriptSession::Kill(const Words&, JsonObject&) { EXPORT(KillCond)(); }

void ScriptSession::Type(const Words&, JsonObject& result) {
  result.Add("result", static_cast<long long>(EXPORT(GetCondType)()));
}

void ScriptSession::AdcRange(const Words& args, JsonObject&) { EXPORT(SetADCRange)(Number(args[0])); }

void ScriptSession::PellProc(const Words&, JsonObject& result) {
  result.Add("result", static_cast<long long>(EXPORT(SetPellProc)(HostPellProc)));
}

// ---- Channel settings ----

void ScriptSession::CallWithRecord(const Words& args, JsonObject& result,
                                   const std::function<int32_t(int32_t, ChanSettings*)>& call) {
  int32_t port = Integer(args[0]);
  ChanSettings& record = RecordFor(port);
  result.Add("result", static_cast<long long>(call(port, &record)));
  result.AddRaw("rec", RecordJson(record));
}

void ScriptSession::SetChan(const Words& args, JsonObject& result) {
  CallWithRecord(args, result, [&](int32_t port, ChanSettings* record) { return EXPORT(SetCondChan)(port, record); });
}

void ScriptSession::GetChan(const Words& args, JsonObject& result) {
  CallWithRecord(args, result, [&](int32_t port, ChanSettings* record) { return EXPORT(GetCondChan)(port, record); });
}

void ScriptSession::OnChan(const Words& args, JsonObject& result) {
  result.Add("result", static_cast<long long>(EXPORT(CondOnChan)(Integer(args[0]), Integer(args[1]))));
}

void ScriptSession::GainTo(const Words& args, JsonObject& result) {
  CallWithRecord(args, result, [&](int32_t port, ChanSettings* record) {
    float gain = static_cast<float>(Number(args[1]));
    return EXPORT(CondGainTo)(gain, port, record);
  });
}

void ScriptSession::GainChange(const Words& args, JsonObject& result) {
  CallWithRecord(args, result, [&](int32_t port, ChanSettings* record) {
    return EXPORT(CondGainChange)(Integer(args[1]), port, record);
  });
}

void ScriptSession::OffsTo(const Words& args, JsonObject& result) {
  CallWithRecord(args, result, [&](int32_t port, ChanSettings* record) {
    float offset = static_cast<float>(Number(args[1]));
    return EXPORT(CondOffsTo)(offset, port, record);
  });
}

void ScriptSession::OffsChange(const Words& args, JsonObject& result) {
  CallWithRecord(args, result, [&](int32_t port, ChanSettings* record) {
    return EXPORT(CondOffsChange)(Integer(args[1]), port, record);
  });
}

void ScriptSession::Info(const Words& args, JsonObject& result) {
  static CondInfo info;  // large: kept out of the stack
  int port = Integer(args[0]);
  MarkInfoSections(info);
  info.size = args.size() > 2 ? Integer(args[2]) : static_cast<int32_t>(sizeof info);
  info.settings = &RecordFor(port);
  info.want = static_cast<uint32_t>(Integer(args[1]));
  result.Add("result", static_cast<long long>(EXPORT(GetCondInfo2)(port, &info)));
  result.AddRaw("info", InfoJson(info, info.want)).AddRaw("rec", RecordJson(*info.settings));
}

// ---- Control panel ----

void ScriptSession::Menu(const Words& args, JsonObject& result) {
  int32_t count = Integer(args[0]);
  int32_t options = Integer(args[1]);
  if (args.size() > 2 && args[2] != "sampler") throw ScriptError("usage: menu COUNT OPTIONS [sampler]");
  CondSampleProc sampler = args.size() > 2 ? ScriptedSamples : nullptr;
  auto* doCondMenu = EXPORT(DoCondMenu);
  const bool modal = (options & COND_MENU_MODELESS) == 0;
  // The script goes on inside the modal loop, one line per tick.
  if (modal) window_.StartTicks(kModalTickMs, [this] { RunNextInModalLoop(); });
  const bool wasRunning = running_;
  running_ = false;
  const int32_t opened = doCondMenu(records_.data(), count, sampler, options, window_.handle());
  running_ = wasRunning;
  if (modal) window_.StopTicks();
  result.Add("result", static_cast<long long>(opened));
}

void ScriptSession::KillMenu(const Words& args, JsonObject&) { EXPORT(KillCondMenu)(Integer(args[0])); }

void ScriptSession::Scaling(const Words& args, JsonObject& result) {
  result.Add("result", static_cast<long long>(EXPORT(SetMenuScaling)(Integer(args[0]))));
}

void ScriptSession::Pump(const Words& args, JsonObject& result) {
  std::string notes;
  for (const auto& note : window_.Pump(static_cast<DWORD>(Integer(args[0])))) {
    notes += (notes.empty() ? "[" : ", [") + std::to_string(note.first) + ", " + std::to_string(note.second) + "]";
  }
  result.AddRaw("notes", "[" + notes + "]");
}

void ScriptSession::OnChange(const Words& args, JsonObject&) {
  if (args[0] == "none") {
    window_.OnNote(nullptr);
    return;
  }
  const bool fetch = args[0] == "getchan";
  if (!fetch && args[0] != "kill") throw ScriptError("usage: onchange none|getchan|kill");
  auto* getCondChan = EXPORT(GetCondChan);
  auto* killCondMenu = EXPORT(KillCondMenu);
  window_.OnNote([this, fetch, getCondChan, killCondMenu](WPARAM code, LPARAM port) {
    if (code != COND_NOTIFY_CHANGED) return;
    if (fetch) {
      getCondChan(static_cast<int32_t>(port), &RecordFor(static_cast<int>(port)));
    } else {
      killCondMenu(0);
    }
  });
}

void ScriptSession::Samples(const Words& args, JsonObject&) {
  std::vector<int16_t> runs;
  for (size_t i = 1; i < args.size(); ++i) runs.push_back(static_cast<int16_t>(Integer(args[i])));
  SetSamples(static_cast<int32_t>(Integer(args[0])), runs);
}

void ScriptSession::SamplerClose(const Words&, JsonObject&) { CloseFromSampler(EXPORT(KillCondMenu)); }

void ScriptSession::Sampled(const Words&, JsonObject& result) {
  const SamplerCalls seen = SamplerSeen();
  result.Add("calls", static_cast<long long>(seen.calls))
      .Add("channel", static_cast<long long>(seen.channel))
      .Add("max", static_cast<long long>(seen.maxCount));
}

// ---- Host side ----

void ScriptSession::Record(const Words& args, JsonObject& result) {
  ChanSettings& record = RecordFor(Integer(args[0]));
  for (size_t i = 1; i < args.size(); ++i) {
    size_t equals = args[i].find('=');
    if (equals == std::string::npos || !SetRecordField(record, args[i].substr(0, equals), args[i].substr(equals + 1))) {
      throw ScriptError("bad field assignment " + args[i]);
    }
  }
  result.AddRaw("rec", RecordJson(record));
}

void ScriptSession::RegSet(const Words& args, JsonObject& result) {
  HKEY key = nullptr;
  DWORD value = static_cast<DWORD>(Integer(args[1]));
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExA(key, args[0].c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
  }
  result.Add("result", static_cast<long long>(status));
}

void ScriptSession::RegDel(const Words& args, JsonObject& result) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) {
    status = RegDeleteValueA(key, args[0].c_str());
    RegCloseKey(key);
  }
  result.Add("result", static_cast<long long>(status));
}

void ScriptSession::File(const Words& args, JsonObject& result) {
  FILE* file = std::fopen((HostDirectory() + args[0]).c_str(), "rb");
  if (file == nullptr) {
    result.AddRaw("text", "null");
    return;
  }
  std::string text;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
  std::fclose(file);
  result.Add("text", text);
}

}  // namespace condhost
