#include "script_session.h"

#include <psapi.h>

#include <cstdlib>
#include <stdexcept>

#include "fault_guard.h"
#include "records.h"
#include "sample_source.h"

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

// The open handles, counted in the handle table itself: Wine answers
// GetProcessHandleCount with 0. Handle values are given out lowest first, so
// a process with a few hundred handles has them all below 0x1000.
DWORD CountOpenHandles() {
  DWORD count = 0;
  for (ULONG_PTR value = 4; value < 0x1000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// What a long run must not let grow. Wine also answers PrivateUsage with 0;
// the commit charge it reports as PagefileUsage is the same figure on Windows.
Json ResourcesNow() {
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  return {{"handles", handles != 0 ? handles : CountOpenHandles()},
          {"privateBytes", memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage}};
}

using S = ScriptSession&;
using A = const Words&;

const std::vector<Command> kHostCommands = {
    // Edits ({"gain": 2, ...}) and prints the host's record of PORT.
    {"rec", "PORT [FIELDS]", 1, 2, [](S session, A args, Json& result) {
       ChanSettings& record = session.records().Of(Integer(args[0]));
       if (args.size() > 1) SetRecordFields(record, Json::parse(args[1]));
       result["rec"] = RecordJson(record);
     }},
    // Handles messages (guarded) for MS ms; the panel's notifications since the last pump.
    {"pump", "MS", 1, 1, [](S session, A args, Json& result) {
       const auto fault = RunGuarded([&] { session.window().Pump(static_cast<DWORD>(Integer(args[0]))); });
       Json notes = Json::array();
       for (const auto& [code, port] : session.window().TakeNotes()) notes.push_back({code, port});
       result["notes"] = notes;
       if (fault) result["fault"] = fault->what;
     }},
    // The host window fetches the port's record, GetCondChan, when told of a change.
    {"onchange", "getchan", 1, 1, [](S session, A args, Json&) {
       if (args[0] != "getchan") throw std::invalid_argument("usage: onchange getchan");
       auto* getCondChan = EXPORT(session.library(), GetCondChan);
       session.window().OnNote([&records = session.records(), getCondChan](WPARAM code, LPARAM port) {
         const auto changed = static_cast<int32_t>(port);
         if (code == COND_NOTIFY_CHANGED) getCondChan(changed, &records.Of(changed));
       });
     }},
    // What the sampling routine reports and writes (sample_source.h).
    {"samples", "COUNT [CODE]...", 1, 1000, [](S, A args, Json&) {
       sampleScript.reported = static_cast<int32_t>(Integer(args[0]));
       sampleScript.runs.clear();
       for (size_t i = 1; i < args.size(); ++i) sampleScript.runs.push_back(static_cast<int16_t>(Integer(args[i])));
     }},
    {"samplerclose", "", 0, 0, [](S session, A, Json&) {
       sampleScript.closer = EXPORT(session.library(), KillCondMenu);
     }},
    {"sampled", "", 0, 0, [](S, A, Json& result) {
       result["calls"] = sampleScript.calls;
       result["channel"] = sampleScript.channel;
       result["max"] = sampleScript.maxCount;
     }},
    {"wait", "NAME", 1, 1, [](S session, A args, Json&) { session.Wait(args[0], Json::object()); }},
    {"repeat", "TIMES LINES", 2, 2, [](S session, A args, Json&) {
       session.Repeat(Integer(args[0]), Integer(args[1]));
     }},
    {"resources", "", 0, 0, [](S, A, Json& result) { result["resources"] = ResourcesNow(); }},
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
        throw std::invalid_argument(std::string("usage: ") + command->verb + " " + command->words);
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
  char host[MAX_PATH] = "";
  const std::string path(host, GetModuleFileNameA(nullptr, host, sizeof host));
  const std::string done = path.substr(0, path.find_last_of("\\:") + 1) + name + ".done";
  DeleteFileA(done.c_str());
  also["waiting"] = name;
  out_.Write(also);
  for (DWORD waited = 0; !DeleteFileA(done.c_str()); waited += kWaitStepMs) {
    if (waited > kLongestWaitMs) throw std::runtime_error("the bench did not answer " + name);
    window_.Pump(kWaitStepMs);
  }
}

}  // namespace condhost
