// A serial link that passes everything through to another and tells its
// observers what went over the line: commands as sent, reply lines as
// received, and the link's errors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/os.h"

namespace vornctl {

class LineObserver {
 public:
  virtual ~LineObserver() = default;
  virtual void Opened(int32_t /*port*/, int32_t /*result*/) {}
  virtual void Closed() {}
  // A command text and what the link's Send returned (0: accepted).
  virtual void CommandSent(const std::string& /*text*/, int32_t /*result*/) {}
  // A reply line without its carriage return; incomplete when something
  // else happened on the line before the carriage return came.
  virtual void ReplyReceived(const std::string& /*line*/, bool /*complete*/) {}
  virtual void ReceiveFailed(int32_t /*code*/) {}
};

class WatchedLink : public condvorn::SerialLink {
 public:
  explicit WatchedLink(condvorn::SerialLink& inner) : inner_(inner) {}

  void AddObserver(LineObserver& observer) { observers_.push_back(&observer); }
  // What the last Open returned; nothing before the first.
  std::optional<int32_t> lastOpenResult() const { return lastOpenResult_; }

  int32_t Open(int32_t port, int32_t mode, condvorn::LinkHandle* handle, void* scratch40) override;
  void Close(condvorn::LinkHandle handle) override;
  int32_t Send(condvorn::LinkHandle handle, const char* text, int32_t length) override;
  int32_t GetChar(condvorn::LinkHandle handle) override;
  int32_t CharCount(condvorn::LinkHandle handle) override { return inner_.CharCount(handle); }
  void FlushInput(condvorn::LinkHandle handle) override;
  int32_t OutputQueueCount(condvorn::LinkHandle handle) override { return inner_.OutputQueueCount(handle); }
  bool WaitForInput(condvorn::LinkHandle handle, uint32_t micros) override {
    return inner_.WaitForInput(handle, micros);
  }

 private:
  // Reports the reply bytes gathered so far as an incomplete line.
  void EndPartialReply();

  condvorn::SerialLink& inner_;
  std::vector<LineObserver*> observers_;
  std::string reply_;
  std::optional<int32_t> lastOpenResult_;
};

// The channel that a command selects (";;CH5;" selects 5), if it is a
// selection.
std::optional<int> SelectedChannel(const std::string& command);

}  // namespace vornctl
