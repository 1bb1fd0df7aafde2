// The host's output file: one JSON object per line, written whole and
// flushed at once, from the script thread and the message-box watcher alike.
#pragma once

#include <windows.h>

#include <cstdio>

#include <nlohmann/json.hpp>

namespace condhost {

// Script words and results; a result keeps its fields in the order given.
using Json = nlohmann::ordered_json;

class ResultWriter {
 public:
  explicit ResultWriter(const char* path);
  ~ResultWriter();
  ResultWriter(const ResultWriter&) = delete;
  ResultWriter& operator=(const ResultWriter&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  void Write(const Json& line);

 private:
  FILE* file_;
  CRITICAL_SECTION lock_;
};

}  // namespace condhost
