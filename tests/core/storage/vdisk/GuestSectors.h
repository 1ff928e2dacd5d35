// Helpers of the Parallels, VDI, VHDX and VMDK reader tests: fields stored into a growing byte
// vector, and guest sectors written and checked with the pattern of VdiskTestImages.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/ByteOrder.h"
#include "tests/core/storage/vdisk/VdiskTestImages.h"

namespace vdisk_test {

// Writes the pattern of guest sectors first.. (count of them) at byte offset of bytes, growing it.
inline void PutGuestSectors(std::vector<std::byte>& bytes, uint64_t offset, uint64_t first,
                            uint64_t count) {
  if (bytes.size() < offset + count * 512) bytes.resize(offset + count * 512);
  for (uint64_t i = 0; i < count; ++i)
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset + i * 512), 512,
                SectorByte(first + i));
}

inline bool HoldsGuestSector(std::span<const std::byte> buf, size_t index, uint64_t sector) {
  return SectorHolds(buf.subspan(index * 512, 512), SectorByte(sector));
}

inline bool IsZero(std::span<const std::byte> buf) {
  return SectorHolds(buf, std::byte{0});
}

template <typename T>
void Put(std::vector<std::byte>& bytes, size_t offset, T value) {
  if (bytes.size() < offset + sizeof(T)) bytes.resize(offset + sizeof(T));
  bo::StoreLe(std::span(bytes), offset, value);
}

inline void PutText(std::vector<std::byte>& bytes, size_t offset, std::string_view text) {
  if (bytes.size() < offset + text.size()) bytes.resize(offset + text.size());
  for (size_t i = 0; i < text.size(); ++i) bytes[offset + i] = std::byte(text[i]);
}

}  // namespace vdisk_test
