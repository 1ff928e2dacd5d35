#include "engine/records/RecordArena.h"

#include <algorithm>
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
    m_Spare = std::exchange(other.m_Spare, {});
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
  // A spare chunk is memory the process touched already: no page of it faults in again.
  while (!m_Spare.empty()) {
    const Chunk spare = m_Spare.back();
    m_Spare.pop_back();
    if (spare.size < atLeast) {
      FreeChunk(spare);
      continue;
    }
    try {
      m_Chunks.push_back(spare);
    } catch (const std::bad_alloc&) {
      FreeChunk(spare);
      return false;
    }
    m_Cursor = spare.bytes;
    m_Left = spare.size;
    m_Reserved += spare.size;
    return true;
  }
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

size_t RecordArena::HandOverChunksBefore(const void* keep, RecordArena& to) {
  const auto* p = static_cast<const std::byte*>(keep);
  size_t held = 0;
  while (held < m_Chunks.size() &&
         !(p >= m_Chunks[held].bytes && p < m_Chunks[held].bytes + m_Chunks[held].size))
    ++held;
  if (held == 0 || held == m_Chunks.size() || &to == this) return 0;  // none before, or not ours
  try {
    to.m_Spare.reserve(to.m_Spare.size() + held);
  } catch (const std::bad_alloc&) {
    return 0;  // both keep what they hold
  }
  size_t bytes = 0;
  // The receiver takes spares from the back: the first chunk handed over is used first.
  for (size_t i = held; i-- > 0;) {
    to.m_Spare.push_back(m_Chunks[i]);
    bytes += m_Chunks[i].size;
  }
  m_Chunks.erase(m_Chunks.begin(), m_Chunks.begin() + static_cast<std::ptrdiff_t>(held));
  m_Reserved -= bytes;
  m_Used = std::min(m_Used, m_Reserved);
  return bytes;
}

void RecordArena::Release() {
  for (const Chunk& chunk : m_Chunks) FreeChunk(chunk);
  for (const Chunk& chunk : m_Spare) FreeChunk(chunk);
  m_Chunks.clear();
  m_Chunks.shrink_to_fit();
  m_Spare.clear();
  m_Spare.shrink_to_fit();
  m_Cursor = nullptr;
  m_Left = 0;
  m_NextChunk = 0;
  m_Used = 0;
  m_Reserved = 0;
}
