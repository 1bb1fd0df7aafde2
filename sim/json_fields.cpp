#include "json_fields.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vornsim::json_fields {

void Refuse(const std::string& path, const std::string& problem) {
  throw std::invalid_argument(path + ": " + problem);
}

void ExpectObject(const json& value, const std::string& path, std::initializer_list<const char*> keys) {
  if (!value.is_object()) Refuse(path, "expected an object");
  for (const auto& item : value.items()) {
    bool known = false;
    for (const char* key : keys) known = known || item.key() == key;
    if (!known) Refuse(path, "unknown key \"" + item.key() + "\"");
  }
}

const json* Field(const json& object, const char* key) {
  auto it = object.find(key);
  return it == object.end() || it->is_null() ? nullptr : &*it;
}

std::string Text(const json& value, const std::string& path) {
  if (!value.is_string()) Refuse(path, "expected a text");
  return value.get<std::string>();
}

double Number(const json& value, const std::string& path) {
  if (!value.is_number()) Refuse(path, "expected a number");
  return value.get<double>();
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

std::string ReadFile(const std::string& path, const std::string& what) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::invalid_argument("cannot read " + what + " file " + path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace vornsim::json_fields
