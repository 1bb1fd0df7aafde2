// Host memory laid out to catch a library that reaches outside what it was
// given: a block ends where an inaccessible page begins, so any access past
// its end faults, and the bytes before it hold a pattern that must still be
// there after the call.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace condhost {

class GuardedBlock {
 public:
  // Zero-filled; at least one byte.
  explicit GuardedBlock(size_t size) : size_(std::max<size_t>(size, 1)) {
    const size_t usable = (size_ + kLeastPattern + kPage - 1) / kPage * kPage;
    reserved_ = usable + kPage;
    base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, reserved_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD previous = 0;
    VirtualProtect(base_ + usable, kPage, PAGE_NOACCESS, &previous);
    block_ = base_ + usable - size_;
    std::memset(base_, kPattern, usable - size_);
    std::memset(block_, 0, size_);
  }
  ~GuardedBlock() { VirtualFree(base_, 0, MEM_RELEASE); }
  GuardedBlock(const GuardedBlock&) = delete;
  GuardedBlock& operator=(const GuardedBlock&) = delete;

  void* data() const { return block_; }
  // Remembers the block's bytes, to tell later whether the call changed them.
  void Snapshot() { snapshot_.assign(block_, block_ + size_); }
  bool ChangedSinceSnapshot() const { return std::memcmp(snapshot_.data(), block_, size_) != 0; }
  bool PatternIntact() const {
    return std::all_of(base_, block_, [](unsigned char byte) { return byte == kPattern; });
  }
  // The address lies in the block's pages, the guard page included.
  bool Contains(const void* address) const {
    const auto* byte = static_cast<const unsigned char*>(address);
    return byte >= base_ && byte < base_ + reserved_;
  }

 private:
  static constexpr size_t kPage = 4096;
  static constexpr size_t kLeastPattern = 64;
  static constexpr unsigned char kPattern = 0xCD;

  unsigned char* base_;
  size_t reserved_;
  unsigned char* block_;
  size_t size_;
  std::vector<unsigned char> snapshot_;
};

}  // namespace condhost
