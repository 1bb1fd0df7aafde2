#include "line_faults.h"

#include <algorithm>

namespace vornsim {
namespace {

// Line noise: none of these is 0, which a reader would take for "nothing
// received", nor a carriage return.
constexpr const char kGarbage[] = "\xFF\xF0\x7F";
constexpr char kOverlongFill = '#';

}  // namespace

std::string DistortReply(const std::string& reply, const Faults& faults) {
  std::string text;
  if (faults.garbage) text += kGarbage;
  for (char c : reply) {
    if (c == '\r') text.append(static_cast<size_t>(std::max(faults.overlongBy, 0)), kOverlongFill);
    text += c;
  }
  if (faults.stallAfterFirstChar && text.size() > 1) text.resize(1);
  return text;
}

std::string DyingNoise() { return std::string(kGarbage) + "\r" + kGarbage + kGarbage; }

}  // namespace vornsim
