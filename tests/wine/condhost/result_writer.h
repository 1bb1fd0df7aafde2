// The host's output file: one JSON object per line, written whole and
// flushed at once, from the script thread and the message-box watcher alike.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace condhost {

// Script words and results; a result keeps its fields in the order given.
using Json = nlohmann::ordered_json;

class ResultWriter {
 public:
  explicit ResultWriter(const char* path) : file_(std::fopen(path, "wb")) { InitializeCriticalSection(&lock_); }
  ~ResultWriter() {
    if (file_ != nullptr) std::fclose(file_);
    DeleteCriticalSection(&lock_);
  }
  ResultWriter(const ResultWriter&) = delete;
  ResultWriter& operator=(const ResultWriter&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  void Write(const Json& line) {
    if (file_ == nullptr) return;
    // Texts from the library need not be UTF-8: a byte that is not stands as U+FFFD.
    const std::string text = line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    EnterCriticalSection(&lock_);
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
    LeaveCriticalSection(&lock_);
  }

 private:
  FILE* file_;
  CRITICAL_SECTION lock_;
};

}  // namespace condhost
