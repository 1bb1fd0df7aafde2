#include "faults_json.h"

#include "json_fields.h"

namespace vornsim {
namespace {

using namespace json_fields;

ListFaultKind Kind(const json& value, const std::string& path) {
  const std::string name = Text(value, path);
  if (name == "announceZero") return ListFaultKind::kAnnounceZero;
  if (name == "announceTooMany") return ListFaultKind::kAnnounceTooMany;
  if (name == "breakOff") return ListFaultKind::kBreakOff;
  if (name == "nonNumeric") return ListFaultKind::kNonNumeric;
  Refuse(path, "unknown kind \"" + name + "\" (announceZero, announceTooMany, breakOff, nonNumeric)");
}

ListFault ReadListFault(const json& value, const std::string& path) {
  ExpectObject(value, path, {"kind", "times"});
  ListFault fault;
  const json* kind = Field(value, "kind");
  if (!kind) Refuse(path, "\"kind\" is missing");
  fault.kind = Kind(*kind, path + ".kind");
  if (auto* v = Field(value, "times")) fault.times = Integer(*v, path + ".times", -1, 1000000);
  return fault;
}

// An object whose keys name queries, each value read by `readOne`.
template <typename T, typename ReadOne>
std::map<std::string, T> ByQuery(const json& value, const std::string& path, ReadOne readOne) {
  if (!value.is_object()) Refuse(path, "expected an object");
  std::map<std::string, T> byQuery;
  for (const auto& item : value.items()) {
    byQuery[item.key()] = readOne(item.value(), path + "." + item.key());
  }
  return byQuery;
}

DeathKind ReadDeathKind(const json& value, const std::string& path) {
  const std::string name = Text(value, path);
  if (name == "silence") return DeathKind::kSilence;
  if (name == "close") return DeathKind::kClose;
  if (name == "garbage") return DeathKind::kGarbage;
  Refuse(path, "unknown kind \"" + name + "\" (silence, close, garbage)");
}

}  // namespace

LineDeath DeathFromJson(const json& value, const std::string& path) {
  ExpectObject(value, path, {"kind", "afterCommands", "afterLines"});
  LineDeath death;
  if (auto* v = Field(value, "kind")) death.kind = ReadDeathKind(*v, path + ".kind");
  if (auto* v = Field(value, "afterCommands")) death.afterCommands = Integer(*v, path + ".afterCommands", 0, 1000000);
  if (auto* v = Field(value, "afterLines")) death.afterLines = Integer(*v, path + ".afterLines", 0, 1000000);
  if (!death.afterCommands && !death.afterLines) Refuse(path, "give \"afterCommands\" or \"afterLines\"");
  return death;
}

Faults FaultsFromJson(const json& value, const std::string& path) {
  ExpectObject(value, path,
               {"silent", "channelReply", "versionReply", "stallAfterFirstChar", "overlongBy", "garbage",
                "deadAfter", "lists", "rawReplies"});
  Faults faults;
  if (auto* v = Field(value, "silent")) faults.silent = Flag(*v, path + ".silent");
  if (auto* v = Field(value, "channelReply")) {
    faults.channelReply = Integer(*v, path + ".channelReply", -1000000, 1000000);
  }
  if (auto* v = Field(value, "versionReply")) faults.versionReply = Text(*v, path + ".versionReply");
  if (auto* v = Field(value, "stallAfterFirstChar")) {
    faults.stallAfterFirstChar = Flag(*v, path + ".stallAfterFirstChar");
  }
  if (auto* v = Field(value, "overlongBy")) faults.overlongBy = Integer(*v, path + ".overlongBy", 0, 100000);
  if (auto* v = Field(value, "garbage")) faults.garbage = Flag(*v, path + ".garbage");
  if (auto* v = Field(value, "deadAfter")) faults.deadAfter = Text(*v, path + ".deadAfter");
  if (auto* v = Field(value, "lists")) faults.lists = ByQuery<ListFault>(*v, path + ".lists", ReadListFault);
  if (auto* v = Field(value, "rawReplies")) {
    faults.rawReplies = ByQuery<std::string>(*v, path + ".rawReplies", Text);
  }
  return faults;
}

}  // namespace vornsim
