#include "engine/records/RecordArena.h"

#include <atomic>

#include "prompts/OutOfMemory.h"

namespace {
// Small lists (private lists of one scan step) start small; large ones grow to 4 MiB chunks.
constexpr size_t kFirstChunk = 16 * 1024;
constexpr size_t kLargestChunk = 4 * 1024 * 1024;
std::atomic<bool> g_FailForTest{false};
}  // namespace

void RecordArena::FailAllocationsForTest(bool fail) {
  g_FailForTest.store(fail);
}

bool RecordArena::Grow(size_t atLeast) {
  if (g_FailForTest.load(std::memory_order_relaxed)) return false;
  size_t size = nextChunk_ ? nextChunk_ : kFirstChunk;
  nextChunk_ = size < kLargestChunk ? size * 2 : kLargestChunk;
  if (size < atLeast) size = atLeast;
  std::unique_ptr<std::byte[]> chunk(new (std::nothrow) std::byte[size]);
  if (!chunk) return false;
  try {
    chunks_.push_back(std::move(chunk));
  } catch (const std::bad_alloc&) {
    return false;
  }
  cursor_ = chunks_.back().get();
  left_ = size;
  reserved_ += size;
  return true;
}

void* RecordArena::Allocate(size_t size, size_t align) {
  if (g_FailForTest.load(std::memory_order_relaxed)) {
    ReportOutOfMemoryAndExit("Out Of Memory");
    return nullptr;
  }
  const size_t pad = (align - reinterpret_cast<uintptr_t>(cursor_) % align) % align;
  if (!cursor_ || pad + size > left_) {
    if (!Grow(size + align)) {
      ReportOutOfMemoryAndExit("Out Of Memory");
      return nullptr;
    }
    return Allocate(size, align);
  }
  std::byte* p = cursor_ + pad;
  cursor_ += pad + size;
  left_ -= pad + size;
  used_ += pad + size;
  return p;
}

void RecordArena::Release() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  cursor_ = nullptr;
  left_ = 0;
  nextChunk_ = 0;
  used_ = 0;
  reserved_ = 0;
}
