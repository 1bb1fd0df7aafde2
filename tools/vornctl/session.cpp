#include "session.h"

#include <filesystem>
#include <iostream>

#include "api/library_state.h"
#include "exit_codes.h"
#include "host_record.h"
#include "platform.h"
#include "serial_port_line.h"
#include "simulated_line.h"

namespace vornctl {
namespace {

std::unique_ptr<Line> MakeLine(const Options& options) {
  if (options.port) return std::make_unique<SerialPortLine>(*options.port);
  return std::make_unique<SimulatedLine>(options.sim.value_or(""), options.first);
}

// The file that --log names, or ZELCOND.LOG in the state directory, as a
// full path. Throws CommandError (kUsage) when there is no state directory.
std::filesystem::path LogPath(const std::string& given) {
  std::filesystem::path path = given;
  if (given.empty()) {
    const std::optional<std::filesystem::path> directory = StateDirectory();
    if (!directory) {
      throw CommandError(ExitCode::kUsage, "--log: the environment names no home directory; give --log FILE");
    }
    std::error_code error;
    std::filesystem::create_directories(*directory, error);
    path = *directory / "ZELCOND.LOG";
  }
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute;
}

}  // namespace

Session::Session(const Options& options)
    : options_(options),
      line_(MakeLine(options)),
      watched_(line_->link()),
      config_(line_->portNumber(), options.log.has_value(), options.first, options.last),
      host_(*condvorn::PlatformOs().host) {
  watched_.AddObserver(discovery_);
  if (options.log) log_ = std::make_unique<RedirectedLog>(*condvorn::PlatformOs().logFile, LogPath(*options.log));
  if (options.trace) {
    const Line* line = line_.get();
    trace_ = std::make_unique<TracePrinter>(std::cerr, [line] { return line->ElapsedMs(); });
    watched_.AddObserver(*trace_);
  }
  condvorn::LogFile* logFile = log_ ? log_.get() : condvorn::PlatformOs().logFile;
  previous_ = condvorn::InstallOs(condvorn::Os{&line_->clock(), &config_, logFile, &host_, &watched_});
  condvorn::LoadLibraryState();
  SetADCRange(options.adcRange);
}

Session::~Session() {
  if (started_) KillCond();
  condvorn::InstallOs(previous_);
}

bool Session::Start(std::ostream* progress) {
  discovery_.ShowProgress(progress, options_.first, options_.last);
  const int32_t status = InitCond(1);
  started_ = true;
  discovery_.Finish();
  if (log_ && log_->created()) {
    std::cerr << "vornctl: diagnostic log of the initialisation: " << log_->path().string() << std::endl;
  }
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

ChanSettings Session::NewHostRecord() const { return HostRecordFor(options_); }

}  // namespace vornctl
