#include "extra_slots.h"

#include <cctype>

namespace vornctl {

std::optional<int> ExtraSlots::Slot(int channel, int index) const {
  auto it = slots_.find({channel, index});
  if (it == slots_.end()) return std::nullopt;
  return it->second;
}

void ExtraSlots::CommandSent(const std::string& text, int32_t) {
  describing_.reset();
  if (std::optional<int> channel = SelectedChannel(text)) {
    selected_ = *channel;
    return;
  }
  // "?FA0;" asks for the count; "?FAn;" describes setting n.
  const std::string prefix = "?FA";
  if (text.size() < prefix.size() + 2 || text.compare(0, prefix.size(), prefix) != 0 || text.back() != ';') return;
  const std::string digits = text.substr(prefix.size(), text.size() - prefix.size() - 1);
  if (digits.size() != 1 || !std::isdigit(static_cast<unsigned char>(digits[0]))) return;
  const int number = digits[0] - '0';
  if (number >= 1) describing_ = number - 1;
}

void ExtraSlots::ReplyReceived(const std::string& line, bool complete) {
  if (!describing_) return;
  if (complete && line.size() >= 2 && std::isdigit(static_cast<unsigned char>(line[1]))) {
    slots_[{selected_, *describing_}] = line[1] - '0';
  }
  describing_.reset();
}

}  // namespace vornctl
