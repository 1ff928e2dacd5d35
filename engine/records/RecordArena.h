// Storage for the records of one list and their names. Records are never freed one by one: a
// list lives until Back or a new scan frees it whole, so a bump allocator over large chunks keeps
// a file record with its name near 128 bytes and frees millions of them in a few calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

// A name copied into an arena: the units are preceded by their 32-bit count and followed by a
// zero unit. Null means "no name"; an empty name is a valid, non-null name of length 0.
template <class Unit>
class StoredName {
 public:
  constexpr StoredName() = default;
  explicit StoredName(const Unit* units) : m_Units(units) {}

  bool IsSet() const { return m_Units != nullptr; }
  std::basic_string_view<Unit> View() const {
    if (!m_Units) return {};
    uint32_t n;
    std::memcpy(&n, reinterpret_cast<const std::byte*>(m_Units) - sizeof n, sizeof n);
    return {m_Units, n};
  }
  // Zero-terminated units, or nullptr when no name is set.
  const Unit* CStr() const { return m_Units; }

 private:
  const Unit* m_Units = nullptr;
};

using WideName = StoredName<char16_t>;
using AnsiName = StoredName<char>;

class RecordArena {
 public:
  constexpr RecordArena() = default;
  RecordArena(const RecordArena&) = delete;
  RecordArena& operator=(const RecordArena&) = delete;
  RecordArena(RecordArena&& other) noexcept;
  RecordArena& operator=(RecordArena&& other) noexcept;
  ~RecordArena() { Release(); }

  // Raw storage; on failure shows "Out Of Memory" and ends the program. Returns nullptr only
  // when a test hook stopped the exit.
  void* Allocate(size_t size, size_t align);

  // A value-initialised record of trivially destructible type T, or nullptr as above.
  template <class T>
  T* New() {
    static_assert(std::is_trivially_destructible_v<T>, "arena records are never destroyed");
    void* p = Allocate(sizeof(T), alignof(T));
    return p ? new (p) T{} : nullptr;
  }

  // Copies a whole name (no length limit); an empty view gives an empty, set name.
  WideName CopyName(std::u16string_view name) { return WideName(CopyUnits(name)); }
  AnsiName CopyName(std::string_view name) { return AnsiName(CopyUnits(name)); }

  // Frees every chunk at once (spare chunks too).
  void Release();

  // Hands every chunk that lies before the chunk holding `keep` (in the order they were taken)
  // to `to`, which allocates from them before it asks the system for more: a list that is read
  // once in allocation order and then thrown away lends its memory to the list built from it,
  // instead of both being held at once and the new one's pages zeroed by the kernel afresh.
  // Nothing may be read in the chunks handed over afterwards. Returns the bytes handed over.
  size_t HandOverChunksBefore(const void* keep, RecordArena& to);

  size_t BytesUsed() const { return m_Used; }
  size_t BytesReserved() const { return m_Reserved; }

  // Makes every later allocation of every arena fail until cleared; tests use it to reach the
  // out-of-memory path.
  static void FailAllocationsForTest(bool fail);

 private:
  template <class Unit>
  const Unit* CopyUnits(std::basic_string_view<Unit> name) {
    const size_t bytes = sizeof(uint32_t) + (name.size() + 1) * sizeof(Unit);
    auto* p = static_cast<std::byte*>(Allocate(bytes, alignof(uint32_t)));
    if (!p) return nullptr;
    const auto n = static_cast<uint32_t>(name.size());
    std::memcpy(p, &n, sizeof n);
    Unit* units = reinterpret_cast<Unit*>(p + sizeof n);
    if (!name.empty()) std::memcpy(units, name.data(), name.size() * sizeof(Unit));
    units[name.size()] = Unit{};
    return units;
  }

  bool Grow(size_t atLeast);

  // A chunk from the heap, or a large block from the system (platform/LargeBlock.h).
  struct Chunk {
    std::byte* bytes = nullptr;
    size_t size = 0;
    bool large = false;
  };
  static void FreeChunk(const Chunk& chunk);

  std::vector<Chunk> m_Chunks;
  std::vector<Chunk> m_Spare;  // handed over by another arena, not used yet
  std::byte* m_Cursor = nullptr;
  size_t m_Left = 0;
  size_t m_NextChunk = 0;
  size_t m_Used = 0;
  size_t m_Reserved = 0;
};
