#include "panel/panel_records.h"

#include "api/chan_settings.h"
#include "channel/channel_state.h"
#include "channel/setting_commands.h"

namespace condvorn {

PanelRecords::PanelRecords(ChanSettings* hostSettings, int16_t count)
    : hostSettings_(hostSettings), channelCount_(count) {
  const ChanSettings defaults = DefaultChanSettings();
  for (int32_t i = 0; i < kChannelCount; ++i) workingSettings_[i] = savedSettings_[i] = defaults;
  for (int32_t i = 0; i < channelCount_; ++i) {
    workingSettings_[i] = hostSettings_[i];
    workingSettings_[i].changed = 0;
    savedSettings_[i] = workingSettings_[i];
  }
}

bool PanelRecords::Listed(int32_t channel) const {
  return InHostTable(channel) && workingSettings_[channel].inUse != 0 && Link().channelStatus[channel] >= 0;
}

int32_t PanelRecords::ListedPosition(int32_t channel) const {
  if (!Listed(channel)) return -1;
  int32_t position = 0;
  for (int32_t i = 0; i < channel; ++i) position += Listed(i) ? 1 : 0;
  return position;
}

int32_t PanelRecords::FirstListed() const {
  for (int32_t i = 0; i < channelCount_; ++i) {
    if (Listed(i)) return i;
  }
  return -1;
}

int32_t PanelRecords::ListedAt(int32_t position) const {
  if (position < 0) return -1;
  for (int32_t i = 0; i < channelCount_; ++i) {
    if (Listed(i) && position-- == 0) return i;
  }
  return -1;
}

bool PanelRecords::AnyChangeInUse() const {
  for (int32_t i = 0; i < channelCount_; ++i) {
    if (workingSettings_[i].inUse != 0 && workingSettings_[i].changed != 0) return true;
  }
  return false;
}

void PanelRecords::ApplyChanges(const std::function<void(int32_t channel)>& applied) {
  for (int32_t i = 0; i < channelCount_; ++i) {
    if (workingSettings_[i].changed == 0) continue;
    ApplySettings(i, workingSettings_[i]);
    applied(i);
    workingSettings_[i].changed = 0;
    savedSettings_[i] = workingSettings_[i];
  }
}

bool PanelRecords::CommitToHost(bool deferred) {
  bool anyChanged = false;
  for (int32_t i = 0; i < channelCount_; ++i) {
    hostSettings_[i] = workingSettings_[i];
    if (workingSettings_[i].changed == 0) continue;
    if (deferred) ApplySettings(i, workingSettings_[i]);
    anyChanged = true;
  }
  return anyChanged;
}

void PanelRecords::RevertHost(bool deferred) {
  for (int32_t i = 0; i < channelCount_; ++i) {
    if (deferred) {
      savedSettings_[i].changed = workingSettings_[i].changed;
      hostSettings_[i] = savedSettings_[i];
    } else if (workingSettings_[i].changed != 0) {
      hostSettings_[i] = savedSettings_[i];
      InvalidateApplied(i);
      ApplySettings(i, hostSettings_[i]);
    }
  }
}

int32_t PanelRecords::TakeHostRecord(int32_t port, ChanSettings& host) {
  if (!InHostTable(port)) return COND_ERR_BAD_PORT;
  ApplySettings(port, host);
  workingSettings_[port] = host;
  workingSettings_[port].changed = 0;
  savedSettings_[port] = workingSettings_[port];
  return COND_OK;
}

int32_t PanelRecords::HandToHost(int32_t port, ChanSettings& host) {
  if (!InHostTable(port)) return COND_ERR_BAD_PORT;
  host = workingSettings_[port];
  workingSettings_[port].changed = 0;
  return COND_OK;
}

}  // namespace condvorn
