// Explicit little- and big-endian loads and stores on byte spans. Disk structures are parsed
// field by field with these; nothing casts a packed struct over disk bytes. A load whose bytes
// do not all lie inside the span yields 0 rather than reading past it, so a caller that forgot a
// bound gets a wrong value, never undefined behaviour.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace bo {

using Bytes = std::span<const std::byte>;
using MutableBytes = std::span<std::byte>;

inline bool Fits(Bytes s, size_t offset, size_t width) {
  return offset <= s.size() && width <= s.size() - offset;
}

// The value with its bytes in the opposite order (one instruction where the compiler has one).
template <typename T>
constexpr T Swapped(T v) {
  static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
  if constexpr (sizeof(T) == 2) return static_cast<T>(__builtin_bswap16(v));
  if constexpr (sizeof(T) == 4) return static_cast<T>(__builtin_bswap32(v));
  if constexpr (sizeof(T) == 8) return static_cast<T>(__builtin_bswap64(v));
  return v;
}

// The field is copied out in one load and its bytes then put in the order asked for: read byte
// by byte, a 64-bit field stayed a loop of eight loads in the optimised build, and the sector
// searches read a field of every sector.
template <typename T>
inline T LoadLe(Bytes s, size_t offset) {
  if (!Fits(s, offset, sizeof(T))) return 0;
  T v;
  std::memcpy(&v, s.data() + offset, sizeof v);
  return std::endian::native == std::endian::little ? v : Swapped(v);
}

template <typename T>
inline T LoadBe(Bytes s, size_t offset) {
  if (!Fits(s, offset, sizeof(T))) return 0;
  T v;
  std::memcpy(&v, s.data() + offset, sizeof v);
  return std::endian::native == std::endian::big ? v : Swapped(v);
}

inline uint8_t Load8(Bytes s, size_t offset) {
  return offset < s.size() ? std::to_integer<uint8_t>(s[offset]) : 0;
}
inline uint16_t LoadLe16(Bytes s, size_t o) { return LoadLe<uint16_t>(s, o); }
inline uint32_t LoadLe32(Bytes s, size_t o) { return LoadLe<uint32_t>(s, o); }
inline uint64_t LoadLe64(Bytes s, size_t o) { return LoadLe<uint64_t>(s, o); }
inline uint16_t LoadBe16(Bytes s, size_t o) { return LoadBe<uint16_t>(s, o); }
inline uint32_t LoadBe32(Bytes s, size_t o) { return LoadBe<uint32_t>(s, o); }
inline uint64_t LoadBe64(Bytes s, size_t o) { return LoadBe<uint64_t>(s, o); }

// Stores return false (and write nothing) when the field does not fit the span.
template <typename T>
inline bool StoreLe(MutableBytes s, size_t offset, T value) {
  if (offset > s.size() || sizeof(T) > s.size() - offset) return false;
  for (size_t i = 0; i < sizeof(T); ++i)
    s[offset + i] = static_cast<std::byte>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
  return true;
}

template <typename T>
inline bool StoreBe(MutableBytes s, size_t offset, T value) {
  if (offset > s.size() || sizeof(T) > s.size() - offset) return false;
  for (size_t i = 0; i < sizeof(T); ++i)
    s[offset + i] =
        static_cast<std::byte>((static_cast<uint64_t>(value) >> (8 * (sizeof(T) - 1 - i))) & 0xFF);
  return true;
}

}  // namespace bo
