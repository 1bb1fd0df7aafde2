#include "guarded_block.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace condhost {
namespace {

constexpr size_t kPage = 4096;
constexpr size_t kLeastPattern = 64;
constexpr unsigned char kPattern = 0xCD;

}  // namespace

GuardedBlock::GuardedBlock(size_t size) : size_(std::max<size_t>(size, 1)) {
  const size_t usable = (size_ + kLeastPattern + kPage - 1) / kPage * kPage;
  reserved_ = usable + kPage;
  base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, reserved_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD previous = 0;
  VirtualProtect(base_ + usable, kPage, PAGE_NOACCESS, &previous);
  block_ = base_ + usable - size_;
  std::memset(base_, kPattern, usable - size_);
  std::memset(block_, 0, size_);
}

GuardedBlock::~GuardedBlock() { VirtualFree(base_, 0, MEM_RELEASE); }

void GuardedBlock::Snapshot() { snapshot_.assign(block_, block_ + size_); }

bool GuardedBlock::ChangedSinceSnapshot() const { return std::memcmp(snapshot_.data(), block_, size_) != 0; }

bool GuardedBlock::PatternIntact() const {
  return std::all_of(base_, block_, [](unsigned char byte) { return byte == kPattern; });
}

bool GuardedBlock::Contains(const void* address) const {
  const auto* byte = static_cast<const unsigned char*>(address);
  return byte >= base_ && byte < base_ + reserved_;
}

}  // namespace condhost
