#include "platform/LargeBlock.h"

#include <sys/mman.h>

#include <cstdint>

namespace {
constexpr size_t kHugePage = size_t{2} << 20;

size_t Rounded(size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
}  // namespace

void* AllocateLargeBlock(size_t bytes) {
  const size_t size = Rounded(bytes);
  // Map one huge page more than needed and trim both ends, so the block starts on a huge-page
  // boundary: the kernel backs only aligned ranges with huge pages.
  const size_t mapped = size + kHugePage;
  void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) munmap(p, aligned - start);
  const uintptr_t end = start + mapped;
  if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
  // A hint only: where huge pages are off the block works with small pages.
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreeLargeBlock(void* block, size_t bytes) {
  if (block) munmap(block, Rounded(bytes));
}
