#include "result_writer.h"

#include <cmath>
#include <cstdlib>

namespace condhost {

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': json += "\\\""; break;
      case '\\': json += "\\\\"; break;
      case '\n': json += "\\n"; break;
      case '\r': json += "\\r"; break;
      case '\t': json += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          json += escaped;
        } else {
          json += static_cast<char>(c);
        }
    }
  }
  return json + "\"";
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char text[40];
  for (int digits = 6; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}

JsonObject& JsonObject::AddRaw(const char* key, const std::string& json) {
  if (!fields_.empty()) fields_ += ", ";
  fields_ += JsonString(key) + ": " + json;
  return *this;
}

JsonObject& JsonObject::Add(const char* key, long long value) { return AddRaw(key, std::to_string(value)); }
JsonObject& JsonObject::Add(const char* key, double value) { return AddRaw(key, JsonNumber(value)); }
JsonObject& JsonObject::Add(const char* key, const std::string& text) { return AddRaw(key, JsonString(text)); }

ResultWriter::ResultWriter(const char* path) : file_(std::fopen(path, "wb")) { InitializeCriticalSection(&lock_); }

ResultWriter::~ResultWriter() {
  if (file_ != nullptr) std::fclose(file_);
  DeleteCriticalSection(&lock_);
}

void ResultWriter::Write(const JsonObject& line) {
  if (file_ == nullptr) return;
  EnterCriticalSection(&lock_);
  std::string text = line.Text() + "\n";
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fflush(file_);
  LeaveCriticalSection(&lock_);
}

}  // namespace condhost
