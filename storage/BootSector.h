// What every boot sector the program reads shares, whatever its file system: the end mark that a
// master boot record and an extended boot record carry too, and the cluster size byte FAT and NTFS
// keep at the same place. storage/FatBootSector.h and storage/NtfsBootSector.h read the rest.
#pragma once

#include <cstdint>

#include "platform/ByteOrder.h"

// True when bytes 510 and 511 hold 0x55 0xAA. A shorter span has no end mark. Inline: the sector
// searches ask it of every sector of a disk before anything else.
inline bool HasBootSignature(bo::Bytes sector) {
  return bo::Load8(sector, 510) == 0x55 && bo::Load8(sector, 511) == 0xAA;
}

// True for the sectors per cluster (byte 13) a FAT or NTFS volume can have: a power of two from 1
// to 128.
inline bool IsBootClusterSize(uint32_t sectorsPerCluster) {
  return sectorsPerCluster >= 1 && sectorsPerCluster <= 128 &&
         (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
}
