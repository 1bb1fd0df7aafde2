#include "faults_json.h"

#include <initializer_list>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace vornsim {
namespace {

using nlohmann::json;

[[noreturn]] void Refuse(const std::string& path, const std::string& problem) {
  throw std::invalid_argument("faults: " + path + ": " + problem);
}

void ExpectObject(const json& value, const std::string& path, std::initializer_list<const char*> keys) {
  if (!value.is_object()) Refuse(path, "expected an object");
  for (const auto& item : value.items()) {
    bool known = false;
    for (const char* key : keys) known = known || item.key() == key;
    if (!known) Refuse(path, "unknown key \"" + item.key() + "\"");
  }
}

// The value of `key`, or nullptr when it is absent or null (the field keeps
// its default).
const json* Field(const json& object, const char* key) {
  auto it = object.find(key);
  return it == object.end() || it->is_null() ? nullptr : &*it;
}

std::string Text(const json& value, const std::string& path) {
  if (!value.is_string()) Refuse(path, "expected a text");
  return value.get<std::string>();
}

int Integer(const json& value, const std::string& path, int minimum, int maximum) {
  if (!value.is_number_integer()) Refuse(path, "expected a whole number");
  const long long number = value.get<long long>();
  if (number < minimum || number > maximum) {
    Refuse(path, "expected " + std::to_string(minimum) + " to " + std::to_string(maximum));
  }
  return static_cast<int>(number);
}

bool Flag(const json& value, const std::string& path) {
  if (!value.is_boolean()) Refuse(path, "expected true or false");
  return value.get<bool>();
}

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

}  // namespace

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
