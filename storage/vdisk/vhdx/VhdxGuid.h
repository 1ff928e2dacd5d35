// GUIDs as a VHDX file stores them: the first three fields little-endian, the last eight bytes as
// written. Identifiers are compared in that layout, byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

using VhdxGuid = std::array<std::byte, 16>;

constexpr VhdxGuid MakeVhdxGuid(uint32_t a, uint16_t b, uint16_t c, uint64_t d) {
  VhdxGuid g{};
  for (int i = 0; i < 4; ++i) g[i] = std::byte((a >> (8 * i)) & 0xFF);
  for (int i = 0; i < 2; ++i) g[4 + i] = std::byte((b >> (8 * i)) & 0xFF);
  for (int i = 0; i < 2; ++i) g[6 + i] = std::byte((c >> (8 * i)) & 0xFF);
  for (int i = 0; i < 8; ++i) g[8 + i] = std::byte((d >> (8 * (7 - i))) & 0xFF);
  return g;
}

// True when the 16 bytes at offset of s are guid.
inline bool IsVhdxGuid(std::span<const std::byte> s, size_t offset, const VhdxGuid& guid) {
  return offset <= s.size() && s.size() - offset >= 16 &&
         std::memcmp(s.data() + offset, guid.data(), 16) == 0;
}

inline constexpr VhdxGuid kVhdxBatRegion =
    MakeVhdxGuid(0x2DC27766, 0xF623, 0x4200, 0x9D64115E9BFD4A08);
inline constexpr VhdxGuid kVhdxMetadataRegion =
    MakeVhdxGuid(0x8B7CA206, 0x4790, 0x4B9A, 0xB8FE575F050F886E);
inline constexpr VhdxGuid kVhdxFileParameters =
    MakeVhdxGuid(0xCAA16737, 0xFA36, 0x4D43, 0xB3B633F0AA44E76B);
inline constexpr VhdxGuid kVhdxVirtualDiskSize =
    MakeVhdxGuid(0x2FA54224, 0xCD1B, 0x4876, 0xB2115DBED83BF4B8);
inline constexpr VhdxGuid kVhdxPage83Data =
    MakeVhdxGuid(0xBECA12AB, 0xB2E6, 0x4523, 0x93EFC309E000C746);
inline constexpr VhdxGuid kVhdxLogicalSectorSize =
    MakeVhdxGuid(0x8141BF1D, 0xA96F, 0x4709, 0xBA47F233A8FAAB5F);
inline constexpr VhdxGuid kVhdxPhysicalSectorSize =
    MakeVhdxGuid(0xCDA348C7, 0x445D, 0x4471, 0x9CC9E9885251C556);
inline constexpr VhdxGuid kVhdxParentLocator =
    MakeVhdxGuid(0xA8D35F2D, 0xB30B, 0x454D, 0xABF7D3D84834AB0C);
