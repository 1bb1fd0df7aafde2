// The host's output file: one JSON object per line, written whole and
// flushed at once, from the script thread and the message-box watcher alike.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace condhost {

// Builds one JSON object field by field.
class JsonObject {
 public:
  JsonObject& Add(const char* key, long long value);
  JsonObject& Add(const char* key, double value);
  JsonObject& Add(const char* key, const std::string& text);
  JsonObject& Add(const char* key, const char* text) { return Add(key, std::string(text)); }
  // A value that is already JSON text (an array or an object).
  JsonObject& AddRaw(const char* key, const std::string& json);
  std::string Text() const { return "{" + fields_ + "}"; }

 private:
  std::string fields_;
};

std::string JsonString(const std::string& text);
// Shortest text that reads back as the same float or double.
std::string JsonNumber(double value);

class ResultWriter {
 public:
  explicit ResultWriter(const char* path);
  ~ResultWriter();
  ResultWriter(const ResultWriter&) = delete;
  ResultWriter& operator=(const ResultWriter&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  void Write(const JsonObject& line);

 private:
  FILE* file_;
  CRITICAL_SECTION lock_;
};

}  // namespace condhost
