// A model of Vorn conditioner channels on one serial line, for tests and for
// host developers without the hardware.
//
// The host writes command bytes into the line and reads reply bytes out of
// it. Every channel on the line has a profile (what it offers), a set of
// faults (how it misbehaves) and the settings it currently holds. Time comes
// from a clock the owner supplies, in microseconds: a virtual one in tests,
// the real one in the vornsim program. Bytes take about 1.04 ms each in
// either direction (9600 baud), and a reply starts after a turnaround.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "profile.h"

namespace vornsim {

// How an item list (count line, then one line per item) goes wrong.
enum class ListFaultKind {
  kAnnounceZero,    // the count line says 0 and no items follow
  kAnnounceTooMany, // the count line says 25 and 25 items follow
  kBreakOff,        // the count is right but the items stop half way
  kNonNumeric,      // one item is letters where a number belongs
};

struct ListFault {
  ListFaultKind kind = ListFaultKind::kAnnounceZero;
  int times = -1;   // how many answers the fault spoils; -1: all of them
};

struct Faults {
  bool silent = false;                       // answers nothing
  std::optional<int> channelReply;           // "?CH;" answered with this number
  std::optional<std::string> versionReply;   // "?RV;" answered with this line; "" no reply
  bool stallAfterFirstChar = false;          // every reply stops after its first character
  int overlongBy = 0;                        // every reply line gets this many more characters
  bool garbage = false;                      // a few garbage bytes before every reply
  std::optional<std::string> deadAfter;      // after the first command that starts with this
                                             // text the whole line goes dead (cable pulled)
  // Item-list faults by query name: "IS", "GS", "OS", "LS", "HS", "FA1" (its
  // choice list), "LD2" (the cut-off list that follows that description).
  std::map<std::string, ListFault> lists;
  // Replaces the whole reply to a query (by command text without the ";",
  // such as "?NT"); the text goes out exactly as given, "\r" included.
  std::map<std::string, std::string> rawReplies;
};

// The settings a channel holds, exactly as the set commands gave them.
struct DeviceSettings {
  int input = 1;            // "IP", 1-based
  int gain = 1;             // "GN", 1-based
  int offsetRange = 1;      // "OR", 1-based
  int offsetCode = 0;       // "OF"
  int lowPassType = 1;      // "LD", 1-based
  int lowPassIndex = 0;     // "LP", 0-based
  double lowPassValue = 0;  // "LO", Hz
  int highPassType = 1;     // "HD", 1-based
  int highPassIndex = 0;    // "HP", 0-based
  double highPassValue = 0; // "HO", Hz
  int extraSelected = 0;    // "FA", 1-based; 0 none yet
  std::map<int, double> extraValues;  // "FS", by 1-based extra setting
  bool acCoupling = false;  // "AC"
  bool notch = false;       // "NF"
  int triggerInput = 1;     // "TG"
  int triggerEdge = 1;      // "TP": 0 falling, 1 rising
};

class Channel {
 public:
  Channel(int number, Profile profile) : profile(std::move(profile)), number_(number) {}
  int number() const { return number_; }

  Profile profile;
  Faults faults;
  DeviceSettings settings;

 private:
  int number_;
};

// How the whole line dies: a cable pulled, an adapter unplugged.
enum class DeathKind {
  kSilence,  // nothing is answered any more; commands still go out
  kClose,    // the port itself goes away: nothing can be read or written
  kGarbage,  // a burst of noise, then silence
};

// The line dies once, in the middle of whatever exchange is going on: after
// it has received a number of commands, or sent a number of reply lines
// whole, both counted from when the death was armed.
struct LineDeath {
  DeathKind kind = DeathKind::kSilence;
  std::optional<int> afterCommands;  // the next command finds the line dead
  std::optional<int> afterLines;     // the rest of the reply after that line is lost
};

// One command as the line received it.
struct Received {
  double timeMs;      // when its final ";" arrived
  int channel;        // the channel selected then (after a selection: the new one); -1 none
  std::string text;   // the command with its ";"
  std::string reply;  // the bytes the line sent back for it, as they went out
};

struct Timing {
  double turnaroundMs = 2.0;   // from a query's ";" to the first reply byte
  double perCharMs = 1.0417;   // one byte at 9600 baud, 8N1
};

class Simulator {
 public:
  explicit Simulator(std::function<uint64_t()> nowMicros);
  ~Simulator();

  Channel& AddChannel(int number, Profile profile);
  Channel* FindChannel(int number);
  Channel& channel(int number);  // throws std::out_of_range when absent

  // ---- The host's side of the line ----
  // Bytes from the host; commands are taken when their ";" has arrived.
  void Write(const char* bytes, size_t count);
  // Bytes written but not yet transmitted to the line.
  size_t OutputPending();
  // The next reply byte that has arrived by now, or -1.
  int ReadByte();
  // Reply bytes that have arrived by now and are not yet read.
  size_t Available();
  // Drops the reply bytes that have arrived by now.
  void DiscardArrived();
  // When the next reply byte arrives (it may have already), if one is queued.
  std::optional<uint64_t> NextArrivalMicros() const;

  // ---- Observation ----
  const std::vector<Received>& received() const;
  // The texts received, all or only those while `channel` was selected.
  std::vector<std::string> ReceivedTexts(std::optional<int> channel = std::nullopt) const;
  void ClearReceived();
  bool LineDead() const;
  // Dead, and the port gone with it (DeathKind::kClose).
  bool LineClosed() const;

  // Arms the line's death; it strikes once.
  void ArmDeath(const LineDeath& death);
  // The line comes back: it answers again, nothing sent before is still on
  // its way, and an armed death is disarmed.
  void Revive();

  Timing timing;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vornsim
