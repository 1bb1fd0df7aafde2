// One side of the panel's filter controls, low-pass or high-pass: its type
// list, its cut-off combo, and the channel's and the record's fields they
// show, so that one piece of code serves both sides.
#pragma once

#include "channel/channel_state.h"
#include "panel/cond_dlg.h"

namespace condvorn {

struct CCondDlg::FilterSide {
  int typeCombo;
  int cutoffCombo;
  CMyComboBox& cutoffs;
  const char* offText;  // the item of a cut-off of 0: "All pass" or "DC"
  int32_t ChannelState::*typeCount;
  FilterType (ChannelState::*types)[kMaxListItems];
  int16_t ChanSettings::*type;
  float ChanSettings::*cutoff;
  int32_t (*nearest)(double cutoff, int32_t type);
  void (*apply)(double cutoff, ChanSettings& record);
  int32_t& listedType;  // the type whose cut-offs the combo lists, -1 none
};

}  // namespace condvorn
