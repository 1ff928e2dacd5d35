// The GUID partition table: the header that names the entry array, and the two fields of an
// entry the source tree reads. Header values are bounded here so that a damaged or hostile
// header can neither stall the walk nor make it read far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr uint32_t kGptDefaultEntrySize = 128;
inline constexpr uint32_t kGptMaxEntries = 1024;

struct GptLayout {
  uint64_t entryLba = 0;    // first sector of the entry array
  uint32_t entryCount = 0;  // entries to look at
  uint32_t entrySize = 0;   // bytes per entry
};

// The layout named by the header in sector headerLba, or nothing without "EFI PART". The entry
// size is taken when it is a multiple of 8 from 128 to sectorBytes, else 128; the array starts
// at the header's entry LBA (offset 72) when that is at least 2, else right after the header;
// the count (offset 80) is held to 1024.
std::optional<GptLayout> ParseGptHeader(std::span<const std::byte> sector, uint64_t headerLba,
                                        uint32_t sectorBytes);

struct GptEntry {
  bool empty = true;      // a zero half in the type GUID, or first LBA 0
  uint64_t firstLba = 0;
  uint64_t lastLba = 0;  // inclusive, as the entry gives it
};

GptEntry ParseGptEntry(std::span<const std::byte> entry);
