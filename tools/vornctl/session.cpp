#include "session.h"

#include <filesystem>
#include <iostream>

#include "api/library_state.h"
#include "exit_codes.h"
#include "host_record.h"
#include "link/diagnostic_log.h"
#include "serial_port_line.h"
#include "simulated_line.h"

namespace vornctl {
namespace {

std::unique_ptr<Line> MakeLine(const Options& options) {
  if (options.port) return std::make_unique<SerialPortLine>(*options.port);
  return std::make_unique<SimulatedLine>(options.simProfile, options.first);
}

// Where the library keeps its diagnostic log, as a full path.
std::string LogLocation() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(condvorn::LogFilePath(), error);
  return error ? condvorn::LogFilePath() : path.string();
}

}  // namespace

Session::Session(const Options& options)
    : options_(options),
      line_(MakeLine(options)),
      watched_(line_->link()),
      config_(line_->portNumber(), options.log, options.first, options.last),
      host_(*condvorn::PlatformOs().host) {
  watched_.AddObserver(slots_);
  watched_.AddObserver(discovery_);
  if (options.trace) {
    const Line* line = line_.get();
    trace_ = std::make_unique<TracePrinter>(std::cerr, [line] { return line->ElapsedMs(); });
    watched_.AddObserver(*trace_);
  }
  previous_ =
      condvorn::InstallOs(condvorn::Os{&line_->clock(), &config_, condvorn::PlatformOs().logFile, &host_, &watched_});
  condvorn::LoadLibraryState();
  SetADCRange(options.adcRange);
}

Session::~Session() {
  if (started_) KillCond();
  condvorn::InstallOs(previous_);
}

bool Session::Start(std::ostream* progress) {
  discovery_.ShowProgress(progress);
  const int32_t status = InitCond(1);
  started_ = true;
  discovery_.Finish();
  if (options_.log) std::cerr << "vornctl: diagnostic log of the initialisation: " << LogLocation() << std::endl;
  if (status == COND_ERR_NO_LINK) {
    const std::optional<int32_t> opened = watched_.lastOpenResult();
    throw CommandError(ExitCode::kPortFailed,
                       opened ? line_->OpenFailure(*opened) : "the library did not open " + line_->Description());
  }
  return status == COND_OK;
}

void Session::StartWithChannels() {
  if (!Start()) throw CommandError(ExitCode::kNoChannels, NoChannelsMessage());
}

std::string Session::NoChannelsMessage() const {
  const std::string probed = options_.last > options_.first
                                 ? "channels " + std::to_string(options_.first) + " to " + std::to_string(options_.last)
                                 : "channel " + std::to_string(options_.first);
  return "no channel answered on " + line_->Description() + " (probed " + probed +
         "; --first and --last choose the range)";
}

std::vector<int> Session::FoundChannels() const {
  std::vector<int> found;
  for (int channel = 0; channel < COND_PORT_COUNT; ++channel) {
    if (CondOnChan(channel, 0) != 0) found.push_back(channel);
  }
  return found;
}

void CheckChannelNumber(int channel) {
  if (channel < 0 || channel >= COND_PORT_COUNT) {
    throw CommandError(ExitCode::kUnknownChannel,
                       "channel " + std::to_string(channel) + " does not exist: channels are 0 to 127");
  }
}

void Session::RequireChannel(int channel) const {
  if (CondOnChan(channel, 0) != 0) return;
  std::string found;
  for (int number : FoundChannels()) found += " " + std::to_string(number);
  throw CommandError(ExitCode::kUnknownChannel,
                     "channel " + std::to_string(channel) + " was not found on the line; channels found:" + found);
}

ChanSettings Session::NewHostRecord() const {
  // By default the host's units are volts at the ADC input.
  return HostRecord(options_.scale.value_or(options_.adcRange / 32768.0), options_.zero, options_.units);
}

}  // namespace vornctl
