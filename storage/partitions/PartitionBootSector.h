// What the first sector of a partition says about its file system, by the few bytes the source
// tree looks at: the "FAT32", "FAT16" and "NTFS" texts, the total sector counts and the boot
// signature, all read through the boot-sector readers (storage/FatBootSector.h,
// storage/NtfsBootSector.h). Every read is bounded by the span; a short sector simply matches
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "storage/BootSector.h"
#include "storage/FileSystemKind.h"

struct WholeVolume {
  FileSystemKind kind;
  uint64_t sectors;  // the volume's own total sector count
};

// A volume that starts at this sector, told by the short texts: "16" at 57, "32" at 85, "NTFS"
// at 3 (NTFS wins over FAT32 and FAT32 over FAT16). FAT sizes come from the 32-bit total at 32,
// or the 16-bit total at 19 when that is 0; NTFS from the 64-bit total at 40.
std::optional<WholeVolume> TestWholeVolume(std::span<const std::byte> sector);

// The kind a partition is listed as: its boot sector's "FAT32" (82), "FAT16" (54) or "NTFS" (3)
// text, else its type byte (4, 6, 14 FAT16; 11, 12 FAT32; 7 NTFS; 1 FAT16 inside the extended
// chain only). None: not listed.
FileSystemKind ClassifyPartition(std::span<const std::byte> bootSector, uint8_t typeByte,
                                 bool inExtendedChain);
