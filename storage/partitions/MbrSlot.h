// The four partition slots of an MBR or of an extended boot record, at 446 + 16 × s.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int kMbrSlotCount = 4;

struct MbrSlot {
  uint8_t type = 0;
  uint32_t firstSector = 0;  // relative to the MBR's disk, or to the chain for an EBR's link
  uint32_t sectorCount = 0;
};

// Slot s (0 to 3) of the table in sector; a slot beyond a short sector reads as empty.
MbrSlot MbrSlotAt(std::span<const std::byte> sector, int s);

inline constexpr uint8_t kGptProtectiveType = 0xEE;

// Types 5 and 15 link the extended chain.
inline bool IsExtendedType(uint8_t type) {
  return type == 5 || type == 15;
}
