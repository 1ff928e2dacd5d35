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
  size_t size = m_NextChunk ? m_NextChunk : kFirstChunk;
  m_NextChunk = size < kLargestChunk ? size * 2 : kLargestChunk;
  if (size < atLeast) size = atLeast;
  std::unique_ptr<std::byte[]> chunk(new (std::nothrow) std::byte[size]);
  if (!chunk) return false;
  try {
    m_Chunks.push_back(std::move(chunk));
  } catch (const std::bad_alloc&) {
    return false;
  }
  m_Cursor = m_Chunks.back().get();
  m_Left = size;
  m_Reserved += size;
  return true;
}

void* RecordArena::Allocate(size_t size, size_t align) {
  if (g_FailForTest.load(std::memory_order_relaxed)) {
    ReportOutOfMemoryAndExit("Out Of Memory");
    return nullptr;
  }
  const size_t pad = (align - reinterpret_cast<uintptr_t>(m_Cursor) % align) % align;
  if (!m_Cursor || pad + size > m_Left) {
    if (!Grow(size + align)) {
      ReportOutOfMemoryAndExit("Out Of Memory");
      return nullptr;
    }
    return Allocate(size, align);
  }
  std::byte* p = m_Cursor + pad;
  m_Cursor += pad + size;
  m_Left -= pad + size;
  m_Used += pad + size;
  return p;
}

void RecordArena::Release() {
  m_Chunks.clear();
  m_Chunks.shrink_to_fit();
  m_Cursor = nullptr;
  m_Left = 0;
  m_NextChunk = 0;
  m_Used = 0;
  m_Reserved = 0;
}
