#include "slave_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vornsim {
namespace {

[[noreturn]] void FailLinking(const std::string& what) {
  throw std::runtime_error("--link: " + what + ": " + std::strerror(errno));
}

// Where the symbolic link at `path` points; empty when it is not one.
std::string LinkTarget(const std::string& path) {
  char target[4096];
  const ssize_t length = readlink(path.c_str(), target, sizeof target);
  return length < 0 ? std::string() : std::string(target, static_cast<size_t>(length));
}

}  // namespace

SlaveLink::SlaveLink(std::string linkPath, std::string slavePath)
    : linkPath_(std::move(linkPath)), slavePath_(std::move(slavePath)) {
  struct stat existing {};
  if (lstat(linkPath_.c_str(), &existing) == 0) {
    if (!S_ISLNK(existing.st_mode)) {
      errno = EEXIST;
      FailLinking(linkPath_ + " exists and is not a symbolic link");
    }
    if (unlink(linkPath_.c_str()) != 0) FailLinking("cannot remove the old link " + linkPath_);
  }
  if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) FailLinking("cannot create " + linkPath_);
}

SlaveLink::~SlaveLink() {
  if (LinkTarget(linkPath_) == slavePath_) unlink(linkPath_.c_str());
}

}  // namespace vornsim
