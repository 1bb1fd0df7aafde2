#include "api/chan_settings.h"

#include <cstring>

namespace condvorn {

ChanSettings DefaultChanSettings() {
  ChanSettings s;
  std::memset(&s, 0, sizeof s);
  s.size = kChanSettingsSize;
  std::strcpy(s.units, " Volt");
  s.gain = 1.0f;
  return s;
}

}  // namespace condvorn
