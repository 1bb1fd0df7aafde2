// The library's diagnostic log in a file of vornctl's choosing, instead of
// where the library puts it: the host program's directory (vornctl's own),
// or on Linux the current one.
#pragma once

#include <filesystem>
#include <string>

#include "os/os.h"

namespace vornctl {

class RedirectedLog : public condvorn::LogFile {
 public:
  RedirectedLog(condvorn::LogFile& platform, std::filesystem::path path)
      : platform_(platform), path_(std::move(path)) {}

  bool Create(const std::string&) override { return created_ = platform_.Create(path_.string()); }
  bool Append(const std::string&, const std::string& bytes) override { return platform_.Append(path_.string(), bytes); }

  const std::filesystem::path& path() const { return path_; }
  // Whether the library has made the file.
  bool created() const { return created_; }

 private:
  condvorn::LogFile& platform_;
  std::filesystem::path path_;
  bool created_ = false;
};

}  // namespace vornctl
