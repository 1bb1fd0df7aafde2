// Reading the simulator's records from JSON. Every reader refuses what does
// not fit with std::invalid_argument("<path>: <problem>"), so that a message
// says where the trouble is; unknown keys are refused, so that a misspelt key
// does not go unseen.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vornsim::json_fields {

using nlohmann::json;

[[noreturn]] void Refuse(const std::string& path, const std::string& problem);

// An object whose keys are all among `keys`.
void ExpectObject(const json& value, const std::string& path, std::initializer_list<const char*> keys);

// The value of `key`, or nullptr when it is absent or null (the field then
// keeps its default).
const json* Field(const json& object, const char* key);

std::string Text(const json& value, const std::string& path);
double Number(const json& value, const std::string& path);
int Integer(const json& value, const std::string& path, int minimum, int maximum);
bool Flag(const json& value, const std::string& path);

// A list, each entry read by `readOne(entry, path[i])`.
template <typename T, typename ReadOne>
std::vector<T> List(const json& value, const std::string& path, ReadOne readOne) {
  if (!value.is_array()) Refuse(path, "expected a list");
  std::vector<T> list;
  for (size_t i = 0; i < value.size(); ++i) list.push_back(readOne(value[i], path + "[" + std::to_string(i) + "]"));
  return list;
}

// The whole text of a file; `what` names it in the message when it cannot be read.
std::string ReadFile(const std::string& path, const std::string& what);

}  // namespace vornsim::json_fields
