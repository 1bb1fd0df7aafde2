// Host memory laid out to catch a library that reaches outside what it was
// given: a block ends where an inaccessible page begins, so any access past
// its end faults, and the bytes before it hold a pattern that must still be
// there after the call.
#pragma once

#include <cstddef>
#include <vector>

namespace condhost {

class GuardedBlock {
 public:
  explicit GuardedBlock(size_t size);  // zero-filled; at least one byte
  ~GuardedBlock();
  GuardedBlock(const GuardedBlock&) = delete;
  GuardedBlock& operator=(const GuardedBlock&) = delete;

  void* data() const { return block_; }
  size_t size() const { return size_; }
  // Remembers the block's bytes, to tell later whether the call changed them.
  void Snapshot();
  bool ChangedSinceSnapshot() const;
  // The pattern before the block is untouched.
  bool PatternIntact() const;
  // The address lies in the block's pages, the guard page included.
  bool Contains(const void* address) const;

 private:
  unsigned char* base_;
  size_t reserved_;
  unsigned char* block_;
  size_t size_;
  std::vector<unsigned char> snapshot_;
};

}  // namespace condhost
