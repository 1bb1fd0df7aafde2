#include "simulator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <stdexcept>

#include "line_faults.h"
#include "query_replies.h"
#include "set_commands.h"

namespace vornsim {

// Every command takes effect when it is written, but it is stamped with the
// time its ";" reaches the device, and its reply is queued with the times its
// bytes will arrive. The host therefore sees nothing earlier than a real line
// would deliver it, while a test can look at the received commands and the
// settings as soon as the code under test has written them.
struct Simulator::Impl {
  struct ReplyByte {
    double arrivalMs;
    unsigned char byte;
  };

  std::function<uint64_t()> nowMicros;
  std::map<int, Channel> channels;

  std::deque<double> outgoingDoneMs;  // when each byte still on its way has gone out
  double lineFreeMs = 0;              // when the last byte written has gone out
  std::string pendingCommand;         // bytes of a command whose ";" has not come yet
  int selected = -1;

  std::deque<ReplyByte> replies;      // in order of arrival
  double lastReplyMs = -std::numeric_limits<double>::infinity();

  std::vector<Received> received;
  bool dead = false;
  DeathKind deadAs = DeathKind::kSilence;
  std::optional<LineDeath> death;
  int commandsSinceArmed = 0;
  int linesSinceArmed = 0;

  // The death still to come; none once the line is dead or without one.
  const LineDeath* Armed() const { return !dead && death ? &*death : nullptr; }

  double NowMs() const { return static_cast<double>(nowMicros()) / 1000.0; }

  void ForgetSent(double nowMs) {
    while (!outgoingDoneMs.empty() && outgoingDoneMs.front() <= nowMs) outgoingDoneMs.pop_front();
  }

  // A byte has reached the device at `atMs`. Selections are sent as
  // ";;CH%d;", so leading ";" stay with the command that follows them.
  void Arrive(char byte, double atMs, const Timing& timing) {
    pendingCommand += byte;
    if (byte != ';' || pendingCommand.find_first_not_of(';') == std::string::npos) return;
    std::string text;
    text.swap(pendingCommand);
    Take(text, atMs, timing);
  }

  void Take(const std::string& text, double atMs, const Timing& timing) {
    // The command without its leading and final ";".
    const size_t start = text.find_first_not_of(';');
    const std::string command = text.substr(start, text.size() - 1 - start);
    if (auto channel = SelectionIn(command)) selected = *channel;
    received.push_back(Received{atMs, selected, text, {}});

    ++commandsSinceArmed;
    if (dead) return;
    if (const LineDeath* armed = Armed(); armed && armed->afterCommands && commandsSinceArmed > *armed->afterCommands) {
      Die(atMs, armed->kind, timing);
      return;
    }
    auto it = channels.find(selected);
    if (it == channels.end()) return;
    Channel& channel = it->second;
    if (command[0] == '?') {
      if (!channel.faults.silent) {
        if (auto reply = AnswerQuery(channel, command)) Send(*reply, atMs, timing);
      }
    } else if (!SelectionIn(command)) {
      ApplySetCommand(channel.settings, command);
    }

    const auto& deadAfter = channel.faults.deadAfter;
    if (!dead && deadAfter && (text.rfind(*deadAfter, 0) == 0 || command.rfind(*deadAfter, 0) == 0)) {
      Die(atMs, DeathKind::kSilence, timing);
    }
  }

  // "CH5" selects channel 5.
  static std::optional<int> SelectionIn(const std::string& command) {
    if (command.size() < 3 || command.compare(0, 2, "CH") != 0) return std::nullopt;
    const char* digits = command.c_str() + 2;
    char* end = nullptr;
    long channel = std::strtol(digits, &end, 10);
    if (end == digits || *end != '\0' || !std::isdigit(static_cast<unsigned char>(*digits))) {
      return std::nullopt;
    }
    return static_cast<int>(channel);
  }

  // A reply starts a turnaround after the query and never before the reply
  // ahead of it has finished. An armed death may cut it after a whole line.
  void Send(const std::string& bytes, double queryMs, const Timing& timing) {
    double atMs = queryMs + timing.turnaroundMs;
    for (char c : bytes) {
      atMs = std::max(atMs, lastReplyMs + timing.perCharMs);
      Queue(c, atMs);
      const LineDeath* armed = Armed();
      if (c == '\r' && armed && armed->afterLines && ++linesSinceArmed >= *armed->afterLines) {
        Die(atMs, armed->kind, timing);
        return;
      }
    }
  }

  // A reply byte, kept in the transcript of the command being taken.
  void Queue(char byte, double atMs) {
    replies.push_back(ReplyByte{atMs, static_cast<unsigned char>(byte)});
    lastReplyMs = atMs;
    received.back().reply += byte;
  }

  // The line dies at `atMs`: what would have arrived later never does (and
  // leaves the transcripts), a dying burst of noise aside.
  void Die(double atMs, DeathKind kind, const Timing& timing) {
    dead = true;
    deadAs = kind;
    auto transcript = received.rbegin();
    while (!replies.empty() && replies.back().arrivalMs > atMs) {
      replies.pop_back();
      // The transcripts hold the queued bytes in the same order (unless a
      // test has cleared them meanwhile).
      while (transcript != received.rend() && transcript->reply.empty()) ++transcript;
      if (transcript != received.rend()) transcript->reply.pop_back();
    }
    lastReplyMs = replies.empty() ? atMs : std::max(atMs, replies.back().arrivalMs);
    if (kind != DeathKind::kGarbage) return;
    for (char c : DyingNoise()) Queue(c, lastReplyMs + timing.perCharMs);
  }
};

Simulator::Simulator(std::function<uint64_t()> nowMicros) : impl_(std::make_unique<Impl>()) {
  impl_->nowMicros = std::move(nowMicros);
}

Simulator::~Simulator() = default;

Channel& Simulator::AddChannel(int number, Profile profile) {
  auto [it, added] = impl_->channels.try_emplace(number, number, std::move(profile));
  if (!added) throw std::invalid_argument("channel " + std::to_string(number) + " is already on the line");
  return it->second;
}

Channel* Simulator::FindChannel(int number) {
  auto it = impl_->channels.find(number);
  return it == impl_->channels.end() ? nullptr : &it->second;
}

Channel& Simulator::channel(int number) {
  Channel* found = FindChannel(number);
  if (!found) throw std::out_of_range("no channel " + std::to_string(number) + " on the line");
  return *found;
}

void Simulator::Write(const char* bytes, size_t count) {
  const double nowMs = impl_->NowMs();
  for (size_t i = 0; i < count; ++i) {
    double doneMs = std::max(nowMs, impl_->lineFreeMs) + timing.perCharMs;
    impl_->lineFreeMs = doneMs;
    impl_->outgoingDoneMs.push_back(doneMs);
    impl_->Arrive(bytes[i], doneMs, timing);
  }
}

size_t Simulator::OutputPending() {
  impl_->ForgetSent(impl_->NowMs());
  return impl_->outgoingDoneMs.size();
}

int Simulator::ReadByte() {
  auto& replies = impl_->replies;
  if (replies.empty() || replies.front().arrivalMs > impl_->NowMs()) return -1;
  int byte = replies.front().byte;
  replies.pop_front();
  return byte;
}

size_t Simulator::Available() {
  const double nowMs = impl_->NowMs();
  size_t count = 0;
  for (const auto& reply : impl_->replies) {
    if (reply.arrivalMs > nowMs) break;
    ++count;
  }
  return count;
}

void Simulator::DiscardArrived() {
  const double nowMs = impl_->NowMs();
  auto& replies = impl_->replies;
  while (!replies.empty() && replies.front().arrivalMs <= nowMs) replies.pop_front();
}

std::optional<uint64_t> Simulator::NextArrivalMicros() const {
  if (impl_->replies.empty()) return std::nullopt;
  return static_cast<uint64_t>(std::ceil(impl_->replies.front().arrivalMs * 1000.0));
}

const std::vector<Received>& Simulator::received() const { return impl_->received; }

std::vector<std::string> Simulator::ReceivedTexts(std::optional<int> channel) const {
  std::vector<std::string> texts;
  for (const Received& command : impl_->received) {
    if (!channel || command.channel == *channel) texts.push_back(command.text);
  }
  return texts;
}

void Simulator::ClearReceived() { impl_->received.clear(); }

bool Simulator::LineDead() const { return impl_->dead; }

bool Simulator::LineClosed() const { return impl_->dead && impl_->deadAs == DeathKind::kClose; }

void Simulator::ArmDeath(const LineDeath& death) {
  impl_->death = death;
  impl_->commandsSinceArmed = 0;
  impl_->linesSinceArmed = 0;
}

void Simulator::Revive() {
  impl_->dead = false;
  impl_->replies.clear();
  impl_->lastReplyMs = -std::numeric_limits<double>::infinity();
  impl_->pendingCommand.clear();
  impl_->death.reset();
}

}  // namespace vornsim
