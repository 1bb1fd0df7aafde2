#include "result_writer.h"

#include <string>

namespace condhost {

ResultWriter::ResultWriter(const char* path) : file_(std::fopen(path, "wb")) { InitializeCriticalSection(&lock_); }

ResultWriter::~ResultWriter() {
  if (file_ != nullptr) std::fclose(file_);
  DeleteCriticalSection(&lock_);
}

void ResultWriter::Write(const Json& line) {
  if (file_ == nullptr) return;
  // Texts from the library need not be UTF-8: a byte that is not stands as U+FFFD.
  const std::string text = line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  EnterCriticalSection(&lock_);
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fflush(file_);
  LeaveCriticalSection(&lock_);
}

}  // namespace condhost
