// The 64-byte header of a Parallels disk image ("WithoutFreeSpace"), little-endian, followed at
// offset 64 by the block allocation table: one 32-bit entry per block, the block's first sector
// in the file, 0 for a block never written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kParallelsHeaderBytes = 64;
inline constexpr uint32_t kParallelsMaxTableEntries = 0x40000000;

struct ParallelsHeader {
  uint32_t heads = 0;
  uint32_t cylinders = 0;
  uint32_t sectorsPerBlock = 0;
  uint32_t tableEntries = 0;
  uint64_t guestBytes = 0;
};

// 0 not a Parallels image (signature), 1 usable, 2 a Parallels image this reader refuses: another
// version, no or an oversized block, a table that does not fit in a file of fileSize bytes, or
// one too short to map the whole guest disk.
int ParseParallelsHeader(std::span<const std::byte> header, uint64_t fileSize,
                         ParallelsHeader& out);
