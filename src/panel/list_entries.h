// Small helpers for reading a channel's lists and a record's flag bits.
#pragma once

#include <algorithm>
#include <cstdint>

#include "condvorn.h"

namespace condvorn {

// The entries of a channel's list that exist, whatever its count says.
inline int32_t Entries(int32_t count, int32_t capacity) { return std::clamp(count, 0, capacity); }

// Whether an index picks an existing entry of such a list.
inline bool IsEntry(int32_t index, int32_t count, int32_t capacity) {
  return index >= 0 && index < Entries(count, capacity);
}

inline bool HasFlag(const ChanSettings& record, uint16_t bit) { return (record.flags & bit) != 0; }

inline void SetFlag(ChanSettings& record, uint16_t bit, bool on) {
  record.flags = static_cast<uint16_t>(on ? record.flags | bit : record.flags & ~bit);
}

}  // namespace condvorn
