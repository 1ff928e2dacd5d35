// The boot sector of a FAT12, FAT16 or FAT32 volume, read field by field from the first 512 bytes
// of its first sector. This is the one reader of it: the volume detection, the whole-volume test
// of the partition walk, the FAT partition search and the cluster limit of a FAT volume all take
// its fields from here, and each keeps only its own rule of which fields to trust.
#pragma once

#include <cstdint>

#include "platform/ByteOrder.h"
#include "storage/BootSector.h"
#include "storage/FileSystemKind.h"

struct FatBootSector {
  uint16_t bytesPerSector = 0;     // 11
  uint8_t sectorsPerCluster = 0;   // 13
  uint16_t reservedSectors = 0;    // 14
  uint16_t rootEntries = 0;        // 17, FAT12/16: 32-byte entries of the fixed root directory
  uint16_t totalSectors16 = 0;     // 19, 0 when the volume needs the 32-bit count
  uint16_t fatSize16 = 0;          // 22, FAT12/16: sectors per FAT
  uint32_t totalSectors32 = 0;     // 32
  uint32_t fatSize32 = 0;          // 36, FAT32: sectors per FAT
  uint32_t rootCluster = 0;        // 44, FAT32: first cluster of the root directory

  // The volume's sectors as the partition walk and the partition search count them: the 32-bit
  // total, or the 16-bit one when that is 0.
  uint64_t TotalSectors() const { return totalSectors32 != 0 ? totalSectors32 : totalSectors16; }
  // The bytes of the FAT12/16 root directory.
  uint32_t RootDirectoryBytes() const { return uint32_t{rootEntries} * 32; }
};

// The fields of a FAT boot sector. Nothing is checked here (HasBootSignature is the caller's):
// a field that does not lie inside the span reads as 0.
FatBootSector ReadFatBootSector(bo::Bytes sector);

// The FAT width the type texts name, in the two ways the program reads them:
//   - by digits: "32" at 85 (the FAT32 text at 82) before "16" at 57 (the FAT12/16 text at 54),
//     as the whole-volume test and the partition search do; Fat32, Fat16 or None;
//   - by label: the whole text, "FAT32" at 82 before "FAT16" or "FAT12" at 54, as the partition
//     list names a partition; Fat32, Fat16, Fat12 or None.
FileSystemKind FatKindByDigits(bo::Bytes sector);
FileSystemKind FatKindByLabel(bo::Bytes sector);
