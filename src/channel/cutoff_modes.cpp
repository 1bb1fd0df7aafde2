#include "channel/cutoff_modes.h"

namespace condvorn {
namespace {

struct CutoffMode {
  int32_t code;
  const char* name;
};

constexpr CutoffMode kCutoffModes[] = {
    {-1, "Rect * 1"},
    {-10, "Rect * 10"},
    {-11, "Raw * 10"},
};

}  // namespace

const char* CutoffModeName(int32_t code) {
  for (const CutoffMode& mode : kCutoffModes) {
    if (mode.code == code) return mode.name;
  }
  return nullptr;
}

}  // namespace condvorn
