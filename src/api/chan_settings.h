// The host's settings record: defaults and checks shared by the exports,
// the channel model and the panel.
#pragma once

#include "condvorn.h"

namespace condvorn {

constexpr uint32_t kChanSettingsSize = sizeof(ChanSettings);

// A record with the defaults: size 160, units " Volt", gain 1, all else 0.
ChanSettings DefaultChanSettings();

}  // namespace condvorn
