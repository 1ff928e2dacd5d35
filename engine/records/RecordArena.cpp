#include "engine/records/RecordArena.h"

#include <atomic>
#include <utility>

#include "platform/LargeBlock.h"

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

RecordArena::RecordArena(RecordArena&& other) noexcept {
  *this = std::move(other);
}

RecordArena& RecordArena::operator=(RecordArena&& other) noexcept {
  if (this != &other) {
    Release();
    m_Chunks = std::exchange(other.m_Chunks, {});
    m_Cursor = std::exchange(other.m_Cursor, nullptr);
    m_Left = std::exchange(other.m_Left, 0);
    m_NextChunk = std::exchange(other.m_NextChunk, 0);
    m_Used = std::exchange(other.m_Used, 0);
    m_Reserved = std::exchange(other.m_Reserved, 0);
  }
  return *this;
}

void RecordArena::FreeChunk(const Chunk& chunk) {
  if (chunk.large) {
    FreeLargeBlock(chunk.bytes, chunk.size);
  } else {
    delete[] chunk.bytes;
  }
}

bool RecordArena::Grow(size_t atLeast) {
  if (g_FailForTest.load(std::memory_order_relaxed)) return false;
  size_t size = m_NextChunk ? m_NextChunk : kFirstChunk;
  m_NextChunk = size < kLargestChunk ? size * 2 : kLargestChunk;
  if (size < atLeast) size = atLeast;
  Chunk chunk{nullptr, size, size >= kLargeBlockMinimum};
  chunk.bytes = chunk.large ? static_cast<std::byte*>(AllocateLargeBlock(size))
                            : new (std::nothrow) std::byte[size];
  if (!chunk.bytes) return false;
  try {
    m_Chunks.push_back(chunk);
  } catch (const std::bad_alloc&) {
    FreeChunk(chunk);
    return false;
  }
  m_Cursor = chunk.bytes;
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
  for (const Chunk& chunk : m_Chunks) FreeChunk(chunk);
  m_Chunks.clear();
  m_Chunks.shrink_to_fit();
  m_Cursor = nullptr;
  m_Left = 0;
  m_NextChunk = 0;
  m_Used = 0;
  m_Reserved = 0;
}
