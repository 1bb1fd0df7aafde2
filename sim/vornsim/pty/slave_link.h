// A symbolic link to the pseudo-terminal's slave, such as a Wine prefix's
// "dosdevices/com5", for as long as the simulator runs.
#pragma once

#include <string>

namespace vornsim {

class SlaveLink {
 public:
  // Creates the link at `linkPath`, replacing a symbolic link already there
  // (left by an earlier run) but never another kind of file. Throws
  // std::runtime_error.
  SlaveLink(std::string linkPath, std::string slavePath);
  // Removes the link, unless something else has replaced it meanwhile.
  ~SlaveLink();
  SlaveLink(const SlaveLink&) = delete;
  SlaveLink& operator=(const SlaveLink&) = delete;

 private:
  std::string linkPath_;
  std::string slavePath_;
};

}  // namespace vornsim
