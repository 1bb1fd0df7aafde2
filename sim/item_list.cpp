#include "item_list.h"

#include <charconv>

namespace vornsim {
namespace {

constexpr int kTooManyCount = 25;
constexpr const char* kLettersItem = "high";

std::string CountAndItems(size_t announced, const std::vector<std::string>& items) {
  std::string text = ReplyLine(std::to_string(announced));
  for (const std::string& item : items) text += ReplyLine(item);
  return text;
}

// The fault that spoils this answer of the list, if any; counts the answer.
const ListFault* TakeFault(const std::string& name, Faults& faults) {
  auto it = faults.lists.find(name);
  if (it == faults.lists.end() || it->second.times == 0) return nullptr;
  if (it->second.times > 0) --it->second.times;
  return &it->second;
}

}  // namespace

std::string ReplyLine(const std::string& text) { return text + "\r"; }

std::string ItemListText(const std::vector<std::string>& items, const std::string& name,
                         Faults& faults) {
  const ListFault* fault = TakeFault(name, faults);
  if (!fault) return CountAndItems(items.size(), items);
  switch (fault->kind) {
    case ListFaultKind::kAnnounceZero:
      return CountAndItems(0, {});
    case ListFaultKind::kAnnounceTooMany: {
      // The real items over and over; a list without items counts 1, 2, 3...
      std::vector<std::string> many;
      for (int i = 0; i < kTooManyCount; ++i) {
        many.push_back(items.empty() ? std::to_string(i + 1) : items[i % items.size()]);
      }
      return CountAndItems(many.size(), many);
    }
    case ListFaultKind::kBreakOff:
      return CountAndItems(items.size(),
                           std::vector<std::string>(items.begin(), items.begin() + items.size() / 2));
    case ListFaultKind::kNonNumeric: {
      std::vector<std::string> spoilt = items;
      if (spoilt.empty()) spoilt.push_back(kLettersItem);
      spoilt.back() = kLettersItem;
      return CountAndItems(spoilt.size(), spoilt);
    }
  }
  return CountAndItems(items.size(), items);
}

std::string NumberText(double value) {
  // printf's "%.15g", whatever the process's locale.
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  return std::string(text, result.ptr);
}

std::vector<std::string> NumberTexts(const std::vector<double>& values) {
  std::vector<std::string> texts;
  for (double value : values) texts.push_back(NumberText(value));
  return texts;
}

}  // namespace vornsim
