// The panel's copies of the host's records: the working records being
// edited and the saved ones that Cancel returns to, and what opening, OK,
// Cancel and the host's record exchange do with them. Everything is indexed
// by channel number; the tables live inside the panel object, so nothing is
// allocated while the panel runs.
#pragma once

#include <cstdint>
#include <functional>

#include "condvorn.h"
#include "link/link_state.h"

namespace condvorn {

class PanelRecords {
 public:
  // Takes the host's array of `count` records (1 to 128): each becomes a
  // working and a saved record with `changed` cleared; the entries beyond
  // the host's count hold the default record.
  PanelRecords(ChanSettings* hostSettings, int16_t count);

  int16_t channelCount() const { return channelCount_; }
  bool InHostTable(int32_t port) const { return port >= 0 && port < channelCount_; }
  ChanSettings& Working(int32_t channel) { return workingSettings_[channel]; }
  const ChanSettings& Working(int32_t channel) const { return workingSettings_[channel]; }
  // What Cancel returns to, and what a channel runs with in deferred mode.
  const ChanSettings& Saved(int32_t channel) const { return savedSettings_[channel]; }

  // A channel the panel offers: inside the host's table, in use, and with a
  // usable conditioner. Listed channels are counted in ascending order.
  bool Listed(int32_t channel) const;
  int32_t ListedPosition(int32_t channel) const;  // -1 when not listed
  int32_t FirstListed() const;                    // -1 when none is
  int32_t ListedAt(int32_t position) const;       // -1 when none is there

  // Whether a channel in use has a change that the host has not taken.
  bool AnyChangeInUse() const;

  // Apply: each changed channel is brought to its working record, `applied`
  // is told its number, and the record loses its mark and becomes the one
  // Cancel returns to.
  void ApplyChanges(const std::function<void(int32_t channel)>& applied);

  // OK: every working record goes to the host as edited, `changed` marks
  // included; in deferred mode the changed channels are then brought to
  // their records. True when any record had changed.
  bool CommitToHost(bool deferred);

  // Cancel. Immediate mode: each changed channel gets its saved record sent
  // again in full, and the host that record as the channel took it.
  // Deferred mode: the host gets every saved record, with the working
  // record's `changed`; nothing is sent.
  void RevertHost(bool deferred);

  // The panel's side of SetCondChan once the controls are stored: the
  // channel is brought to the host's record (which is rescaled to what it
  // took), and that record becomes the port's working and saved record,
  // unchanged. 0, or COND_ERR_BAD_PORT outside the host's table.
  int32_t TakeHostRecord(int32_t port, ChanSettings& host);

  // The panel's side of GetCondChan: the working record as the panel holds
  // it, after which its `changed` is cleared. 0, or COND_ERR_BAD_PORT
  // (the host's record untouched).
  int32_t HandToHost(int32_t port, ChanSettings& host);

 private:
  ChanSettings* hostSettings_;
  int16_t channelCount_;
  ChanSettings workingSettings_[kChannelCount];
  ChanSettings savedSettings_[kChannelCount];
};

}  // namespace condvorn
