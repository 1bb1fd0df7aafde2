// Which slot of the host record's eight extra values each extra setting
// uses. The capability record reports an extra setting's name, kind and
// values but not its slot, so this watches the channel describe its extra
// settings (answer to "?FAn;": a kind digit, a slot digit, the name) while
// the library reads its capabilities.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "watched_link.h"

namespace vornctl {

class ExtraSlots : public LineObserver {
 public:
  // The slot of extra setting `index` (0-based) of `channel`, once seen.
  std::optional<int> Slot(int channel, int index) const;

  void CommandSent(const std::string& text, int32_t result) override;
  void ReplyReceived(const std::string& line, bool complete) override;

 private:
  int selected_ = -1;              // the channel selected on the line
  std::optional<int> describing_;  // the setting whose description is due
  std::map<std::pair<int, int>, int> slots_;
};

}  // namespace vornctl
