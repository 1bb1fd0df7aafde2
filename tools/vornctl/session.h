// One run of the library on one line: vornctl's services installed as the
// library's Os, the library loaded and started, and stopped at the end.
#pragma once

#include <memory>
#include <vector>

#include "condvorn.h"
#include "console_host.h"
#include "discovery_watch.h"
#include "line.h"
#include "options.h"
#include "redirected_log.h"
#include "seeded_config.h"
#include "trace_printer.h"
#include "watched_link.h"

namespace vornctl {

// Throws CommandError (kUnknownChannel) for a number outside 0 to 127.
void CheckChannelNumber(int channel);

class Session {
 public:
  // Chooses the line, installs the services and loads the library; with
  // options.trace the traffic goes to standard error.
  explicit Session(const Options& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Starts the library (InitCond), which opens the line and scans it,
  // showing the channel being probed on `progress` unless it is null.
  // True when any channel was found. Throws CommandError (kPortFailed)
  // when the line cannot be opened.
  bool Start(std::ostream* progress = nullptr);
  // Start, and throw CommandError (kNoChannels) when nothing answered.
  void StartWithChannels();

  // The channels that the library found usable.
  std::vector<int> FoundChannels() const;
  // Throws CommandError (kUnknownChannel) unless the library found the
  // channel.
  void RequireChannel(int channel) const;

  // A host record with the scaling from the command line.
  ChanSettings NewHostRecord() const;

  // Lets `observer` watch the line too; before Start to see the whole run.
  void AddLineObserver(LineObserver& observer) { watched_.AddObserver(observer); }
  // What each channel probed by Start answered.
  const std::vector<Probe>& probes() const { return discovery_.probes(); }
  std::string LineDescription() const { return line_->Description(); }
  // The line's name in the file of its remembered settings, if it has one.
  std::optional<std::string> SettingsKey() const { return line_->SettingsKey(); }
  // What to tell a person when no channel answered.
  std::string NoChannelsMessage() const;

 private:
  const Options& options_;
  std::unique_ptr<Line> line_;
  WatchedLink watched_;
  SeededConfig config_;
  ConsoleHost host_;
  DiscoveryWatch discovery_;
  std::unique_ptr<TracePrinter> trace_;
  std::unique_ptr<RedirectedLog> log_;  // with --log
  condvorn::Os previous_;
  bool started_ = false;
};

}  // namespace vornctl
