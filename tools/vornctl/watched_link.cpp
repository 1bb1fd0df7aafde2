#include "watched_link.h"

#include <cctype>

namespace vornctl {

namespace {
constexpr int32_t kCarriageReturn = '\r';
}

int32_t WatchedLink::Open(int32_t port, int32_t mode, condvorn::LinkHandle* handle, void* scratch40) {
  int32_t result = inner_.Open(port, mode, handle, scratch40);
  lastOpenResult_ = result;
  for (LineObserver* observer : observers_) observer->Opened(port, result);
  return result;
}

void WatchedLink::Close(condvorn::LinkHandle handle) {
  EndPartialReply();
  inner_.Close(handle);
  for (LineObserver* observer : observers_) observer->Closed();
}

int32_t WatchedLink::Send(condvorn::LinkHandle handle, const char* text, int32_t length) {
  EndPartialReply();
  int32_t result = inner_.Send(handle, text, length);
  const std::string command(text, length > 0 ? static_cast<size_t>(length) : 0);
  for (LineObserver* observer : observers_) observer->CommandSent(command, result);
  return result;
}

int32_t WatchedLink::GetChar(condvorn::LinkHandle handle) {
  int32_t result = inner_.GetChar(handle);
  if (result == kCarriageReturn) {
    std::string line;
    line.swap(reply_);
    for (LineObserver* observer : observers_) observer->ReplyReceived(line, true);
  } else if (result > 0) {
    reply_.push_back(static_cast<char>(result));
  } else if (result < -1) {
    EndPartialReply();
    for (LineObserver* observer : observers_) observer->ReceiveFailed(result);
  }
  return result;
}

void WatchedLink::FlushInput(condvorn::LinkHandle handle) {
  EndPartialReply();
  inner_.FlushInput(handle);
}

void WatchedLink::EndPartialReply() {
  if (reply_.empty()) return;
  std::string line;
  line.swap(reply_);
  for (LineObserver* observer : observers_) observer->ReplyReceived(line, false);
}

std::optional<int> SelectedChannel(const std::string& command) {
  const std::string prefix = ";;CH";
  if (command.compare(0, prefix.size(), prefix) != 0 || command.back() != ';') return std::nullopt;
  const std::string digits = command.substr(prefix.size(), command.size() - prefix.size() - 1);
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  return std::stoi(digits);
}

}  // namespace vornctl
