// The capability record (GetCondInfo2) gives the version, the inputs with
// each one's gains, the filter characteristics and the extra settings; each
// input is chosen in turn for its gains. What the record does not carry is
// taken from the channel's own replies as they cross the line while the
// library reads it: each input's offset ranges ("?OS;"), the notch
// frequency ("?NT;") and the answer to "?DF;".
// The library's own additions are taken back out: the "off" entry before a
// single stepped characteristic's cut-offs, its rectifier mode code, and
// the filter tables of channels that answer "?DF;" with 1 or 2.
#include "profile_capture.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "channel_info.h"
#include "exit_codes.h"
#include "link/reply_numbers.h"
#include "profile.h"  // the simulator's
#include "session.h"
#include "watched_link.h"

namespace vornctl {
namespace {

// The reply lines to the latest of each query sent to one channel.
class ChannelReplies : public LineObserver {
 public:
  explicit ChannelReplies(int channel) : channel_(channel) {}

  void CommandSent(const std::string& text, int32_t) override {
    if (std::optional<int> channel = SelectedChannel(text)) selected_ = *channel;
    asked_ = selected_ == channel_ && !text.empty() && text[0] == '?' ? text : std::string();
    if (!asked_.empty()) replies_[asked_].clear();
  }
  void ReplyReceived(const std::string& line, bool complete) override {
    if (!asked_.empty() && complete) replies_[asked_].push_back(line);
  }

  // The first reply line's integer; nothing when the query went unanswered.
  std::optional<int> Integer(const std::string& query) const {
    const std::vector<std::string>* lines = Lines(query);
    if (!lines || lines->empty()) return std::nullopt;
    return condvorn::ReplyInteger(lines->front().c_str());
  }
  // The items of an item list: a count line, then one line per item.
  std::vector<double> Numbers(const std::string& query) const {
    std::vector<double> numbers;
    const std::vector<std::string>* lines = Lines(query);
    if (!lines || lines->empty()) return numbers;
    const size_t count = static_cast<size_t>(std::max(0, condvorn::ReplyInteger(lines->front().c_str())));
    for (size_t i = 1; i <= count && i < lines->size(); ++i) {
      numbers.push_back(condvorn::ReplyDouble((*lines)[i].c_str()));
    }
    return numbers;
  }

 private:
  const std::vector<std::string>* Lines(const std::string& query) const {
    auto it = replies_.find(query);
    return it == replies_.end() ? nullptr : &it->second;
  }

  int channel_;
  int selected_ = -1;
  std::string asked_;
  std::map<std::string, std::vector<std::string>> replies_;
};

// The record holds gains as float: the shortest decimal that gives the same
// float is what the channel sent.
double AsSent(double gain) {
  char text[32];
  const char* end = std::to_chars(text, text + sizeof text, static_cast<float>(gain)).ptr;
  double sent = gain;
  std::from_chars(text, end, sent);
  return sent;
}

std::vector<double> GainsAsSent(const std::vector<double>& gains) {
  std::vector<double> sent;
  for (double gain : gains) sent.push_back(AsSent(gain));
  return sent;
}

// The characteristics of a channel that describes its filters.
std::vector<vornsim::FilterProfile> Described(const std::vector<FilterInfo>& filters) {
  std::vector<vornsim::FilterProfile> described;
  for (const FilterInfo& filter : filters) {
    described.push_back({filter.name, filter.stepped, filter.stepped ? 0 : filter.minimum,
                         filter.stepped ? 0 : filter.maximum, filter.cutoffs});
  }
  return described;
}

// The single stepped characteristic of a channel without digital filters:
// the library puts "off" before the channel's cut-offs, and turns a
// high-pass list of -10, 10, -1 into the mode code -11 in the middle.
std::vector<vornsim::FilterProfile> Single(const std::vector<FilterInfo>& filters, bool highPass) {
  if (filters.empty()) return {};
  std::vector<double> cutoffs(filters[0].cutoffs.begin() + std::min<size_t>(1, filters[0].cutoffs.size()),
                              filters[0].cutoffs.end());
  if (highPass && cutoffs.size() == 3 && std::trunc(cutoffs[0]) == -10 && cutoffs[1] == -11 &&
      std::trunc(cutoffs[2]) == -1) {
    cutoffs[1] = 10;
  }
  return {{filters[0].name, true, 0, 0, cutoffs}};
}

vornsim::Profile Capture(const Session& session, int channel, const ChannelReplies& replies) {
  ChanSettings record = session.NewHostRecord();
  ChannelInfo info = ReadChannelInfo(channel, record);
  vornsim::Profile profile;
  profile.name = info.type;
  profile.version = info.type;
  profile.digitalFilters = replies.Integer("?DF;");
  profile.notch = replies.Integer("?NT;").value_or(0);
  for (size_t input = 0; input < info.inputs.size(); ++input) {
    record.input = static_cast<int16_t>(input);
    const ChannelInfo lists = input == 0 ? info : ReadChannelInfo(channel, record);
    profile.inputs.push_back({info.inputs[input], GainsAsSent(lists.gains), replies.Numbers("?OS;")});
  }
  const int digital = profile.digitalFilters.value_or(0);
  if (digital != 1 && digital != 2) {  // 1 and 2: the library's own tables
    profile.lowPass = digital != 0 ? Described(info.lowPass) : Single(info.lowPass, false);
    profile.highPass = digital != 0 ? Described(info.highPass) : Single(info.highPass, true);
  }
  for (size_t i = 0; i < info.extras.size(); ++i) {
    const ExtraInfo& extra = info.extras[i];
    profile.extras.push_back(
        {extra.name, extra.choices, extra.slot.value_or(0), extra.choiceNames, extra.minimum, extra.maximum});
  }
  return profile;
}

}  // namespace

int RunProfile(const Options& options) {
  CheckChannelNumber(options.channel);
  ChannelReplies replies(options.channel);  // outlives the session, which reports its close
  Session session(options);
  session.AddLineObserver(replies);
  session.StartWithChannels();
  session.RequireChannel(options.channel);
  const std::string text = vornsim::ProfileToJson(Capture(session, options.channel, replies));
  if (!options.out) {
    std::cout << text << std::flush;
    return static_cast<int>(ExitCode::kOk);
  }
  std::ofstream file(*options.out, std::ios::binary | std::ios::trunc);
  if (!(file << text).flush()) {
    throw CommandError(ExitCode::kUsage, "--out " + *options.out + ": cannot write the file");
  }
  return static_cast<int>(ExitCode::kOk);
}

}  // namespace vornctl
