#include "script_session.h"

#include <cstdlib>
#include <stdexcept>

#include "fault_guard.h"
#include "records.h"
#include "sample_source.h"
#include "process_resources.h"

namespace condhost {
namespace {

constexpr DWORD kModalTickMs = 10;
constexpr DWORD kWaitStepMs = 20;
constexpr DWORD kLongestWaitMs = 120000;

// Words separated by blanks outside double quotes and JSON brackets; the
// quotes stay in the word.
Words SplitWords(const std::string& line) {
  Words words;
  std::string word;
  bool quoted = false;
  int depth = 0;
  for (char c : line) {
    if ((c == ' ' || c == '\t' || c == '\r') && !quoted && depth == 0) {
      if (!word.empty()) words.push_back(word);
      word.clear();
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == '{' || c == '[')) ++depth;
    if (!quoted && (c == '}' || c == ']')) --depth;
    word += c;
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// A word as JSON; a word that is not JSON is a text.
Json WordJson(const std::string& word) {
  Json value = Json::parse(word, nullptr, false);
  return value.is_discarded() ? Json(word) : value;
}

void Rec(ScriptSession& session, const Words& args, Json& result) {
  ChanSettings& record = session.records().Of(Integer(args[0]));
  if (args.size() > 1) SetRecordFields(record, Json::parse(args[1]));
  result["rec"] = RecordJson(record);
}

void Sizes(ScriptSession&, const Words&, Json& result) {
  result["ChanSettings"] = sizeof(ChanSettings);
  result["CondInfo"] = sizeof(CondInfo);
}

void Pump(ScriptSession& session, const Words& args, Json& result) {
  Json notes = Json::array();
  const auto fault = RunGuarded([&] { session.window().Pump(static_cast<DWORD>(Integer(args[0]))); });
  for (const auto& [code, port] : session.window().TakeNotes()) notes.push_back({code, port});
  result["notes"] = notes;
  if (fault) result["fault"] = fault->what;
}

void OnChange(ScriptSession& session, const Words& args, Json&) {
  if (args[0] == "none") {
    session.window().OnNote(nullptr);
    return;
  }
  const bool fetch = args[0] == "getchan";
  if (!fetch && args[0] != "kill") throw std::invalid_argument("usage: onchange none|getchan|kill");
  auto* getCondChan = EXPORT(session.library(), GetCondChan);
  auto* killCondMenu = EXPORT(session.library(), KillCondMenu);
  HostRecords& records = session.records();
  session.window().OnNote([&records, fetch, getCondChan, killCondMenu](WPARAM code, LPARAM port) {
    if (code != COND_NOTIFY_CHANGED) return;
    if (fetch) {
      getCondChan(static_cast<int32_t>(port), &records.Of(static_cast<int32_t>(port)));
    } else {
      killCondMenu(0);
    }
  });
}

void Samples(ScriptSession&, const Words& args, Json&) {
  std::vector<int16_t> runs;
  for (size_t i = 1; i < args.size(); ++i) runs.push_back(static_cast<int16_t>(Integer(args[i])));
  SetSamples(static_cast<int32_t>(Integer(args[0])), runs);
}

void SamplerClose(ScriptSession& session, const Words&, Json&) {
  CloseFromSampler(EXPORT(session.library(), KillCondMenu));
}

void Sampled(ScriptSession&, const Words&, Json& result) {
  const SamplerCalls seen = SamplerSeen();
  result["calls"] = seen.calls;
  result["channel"] = seen.channel;
  result["max"] = seen.maxCount;
}

void WaitCommand(ScriptSession& session, const Words& args, Json&) { session.Wait(args[0], Json::object()); }

void Repeat(ScriptSession& session, const Words& args, Json&) { session.Repeat(Integer(args[0]), Integer(args[1])); }

void Resources(ScriptSession&, const Words&, Json& result) { result["resources"] = ResourcesNow(); }

const std::vector<Command> kHostCommands = {
    {"rec", 1, 2, "rec PORT [FIELDS]", Rec},
    {"sizes", 0, 0, "sizes", Sizes},
    {"pump", 1, 1, "pump MS", Pump},
    {"onchange", 1, 1, "onchange none|getchan|kill", OnChange},
    {"samples", 1, 1000, "samples COUNT [CODE]...", Samples},
    {"samplerclose", 0, 0, "samplerclose", SamplerClose},
    {"sampled", 0, 0, "sampled", Sampled},
    {"wait", 1, 1, "wait NAME", WaitCommand},
    {"repeat", 2, 2, "repeat TIMES LINES", Repeat},
    {"resources", 0, 0, "resources", Resources},
};

const Command* FindCommand(const std::string& verb) {
  for (const auto* table : {&kHostCommands, &kPanelCommands}) {
    for (const Command& command : *table) {
      if (verb == command.verb) return &command;
    }
  }
  return nullptr;
}

}  // namespace

long Integer(const std::string& word) {
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 0);
  if (word.empty() || *end != '\0') throw std::invalid_argument("not an integer: " + word);
  return value;
}

std::string BesideHost(const std::string& name) {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string directory(path, length);
  return directory.substr(0, directory.find_last_of("\\:") + 1) + name;
}

ScriptSession::ScriptSession(HMODULE library, ResultWriter& out) : library_(library), out_(out) {}

void ScriptSession::RunScript(const std::vector<std::string>& lines) {
  lines_ = lines;
  while (next_ < lines_.size()) Run(lines_[next_++]);
}

void ScriptSession::RunNextInModalLoop() {
  if (running_) return;
  if (next_ >= lines_.size()) {
    // Nothing left to close it: close it as the host would, and say so.
    out_.Write(Json{{"error", "the script ended with a modal panel open"}});
    EXPORT(library_, KillCondMenu)(0);
    return;
  }
  Run(lines_[next_++]);
}

void ScriptSession::Run(const std::string& line) {
  const Words words = SplitWords(line);
  if (words.empty() || words[0][0] == '#') return;
  Json result = {{"cmd", line.substr(0, line.find_last_not_of("\r\n") + 1)}};
  running_ = true;
  try {
    const Words args(words.begin() + 1, words.end());
    if (const Command* command = FindCommand(words[0])) {
      if (args.size() < command->minArgs || args.size() > command->maxArgs) {
        throw std::invalid_argument(std::string("usage: ") + command->usage);
      }
      command->run(*this, args, result);
    } else {
      Json values = Json::array();
      for (const std::string& arg : args) values.push_back(WordJson(arg));
      Call(words[0], values, result);
    }
  } catch (const std::exception& error) {
    result["error"] = error.what();
  }
  running_ = false;
  out_.Write(result);
}

void ScriptSession::Call(const std::string& name, const Json& args, Json& result) {
  ExportCall call(library_, name, args, records_, window_.handle());
  // The script goes on inside the modal loop, one line per tick.
  const bool modal = call.OpensModalPanel();
  if (modal) window_.StartTicks(kModalTickMs, [this] { RunNextInModalLoop(); });
  running_ = !modal;
  result.update(call.Run());
  running_ = true;
  if (modal) window_.StopTicks();
  for (auto& block : call.TakeLent()) lent_.push_back(std::move(block));
}

void ScriptSession::Repeat(long times, long count) {
  const size_t first = next_;
  if (times < 0 || count < 0 || first + count > lines_.size()) throw std::invalid_argument("no lines to repeat");
  next_ = first + count;
  for (long time = 0; time < times; ++time) {
    for (long line = 0; line < count; ++line) Run(lines_[first + line]);
  }
}

void ScriptSession::Wait(const std::string& name, Json also) {
  const std::string done = BesideHost(name + ".done");
  DeleteFileA(done.c_str());
  also["waiting"] = name;
  out_.Write(also);
  for (DWORD waited = 0; !DeleteFileA(done.c_str()); waited += kWaitStepMs) {
    if (waited > kLongestWaitMs) throw std::runtime_error("the bench did not answer " + name);
    window_.Pump(kWaitStepMs);
  }
}

}  // namespace condhost
