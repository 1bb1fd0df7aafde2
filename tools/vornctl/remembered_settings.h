// The record last applied to each channel of a serial port, kept between
// runs in a small file per port, so that `set` can start from it: a
// conditioner cannot report its settings, and a record applied afresh puts
// every setting it does not name back to its default. The Python binding
// reads and writes the same file:
//   {"version": 1, "channels": {"4": {"scale": 0.00015258789, ..., "extraValues": [0, ...]}}}
// with the ChanSettings fields that a host sets, named as in condvorn.h,
// each float as the shortest text that reads back as the same float.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "condvorn.h"

namespace vornctl {

class RememberedSettings {
 public:
  // The file of the port named `portKey` (see PortKey) in `directory`.
  RememberedSettings(const std::filesystem::path& directory, const std::string& portKey)
      : file_(directory / (portKey + ".json")) {}

  const std::filesystem::path& file() const { return file_; }

  // The record last applied to the channel, each field that the file lacks
  // taken from `defaults`; nothing when none is remembered. A file that
  // cannot be read, or is not one of these, is passed over with a warning.
  std::optional<ChanSettings> Recall(int channel, const ChanSettings& defaults, std::ostream& warnings) const;

  // Keeps `record` as the one last applied to the channel, beside the other
  // channels' (a file that cannot be read is replaced). The new file is
  // written beside the old one and renamed over it, so that an interrupted
  // write leaves the old file. Warns when it cannot be written.
  void Remember(int channel, const ChanSettings& record, std::ostream& warnings) const;

 private:
  std::filesystem::path file_;
};

}  // namespace vornctl
