// Where the structures of the chosen volume lie, read from its boot sector before a scan starts.
// Every later step finds the FATs, the root directory, the clusters, the $MFT and its mirror from
// these twelve values; the scan log stores them in this order.
#pragma once

#include <cstdint>

struct VolumeGeometry {
  uint32_t SectorsPerMftRecord;    // NTFS: sectors per FILE record
  uint32_t SectorsPerIndexRecord;  // NTFS: sectors per INDX record
  uint32_t MftStartSector;         // NTFS: absolute sector of $MFT record 0, 0 if not found
  uint32_t MftMirrorStartSector;   // NTFS: absolute sector of $MFTMirr, 0 if not found
  uint32_t SectorsPerCluster;      // all
  uint32_t FatSizeSectors;         // FAT: sectors per FAT
  uint32_t RootDirectory;          // FAT16: absolute first root sector; FAT32: root cluster
  uint32_t RootDirectorySectors;   // FAT16: root entries / 16; FAT32: 0
  uint32_t ReservedSectors;        // FAT: reserved sector count
  uint32_t ClusterBaseSector;      // cluster n starts at this + n × SectorsPerCluster (mod 2^32:
                                   // below the volume start it is kept as two's complement)
  uint32_t Fat1StartSector;        // FAT: absolute first sector of the first FAT
  uint32_t Fat2StartSector;        // FAT: absolute first sector of the second FAT
};

extern VolumeGeometry g_VolumeGeometry;

// Reads the boot sector of the volume named by g_FileSystemName ("FAT16", "FAT32" or "NTFS"),
// g_SourceStartSector and g_SourceEndSector on g_DevicePaths[g_CurrentDevice] and fills the
// fields of that file system in g_VolumeGeometry. Returns 1 when it did, 0 otherwise:
//   - any other file-system name ("FAT12" included) changes nothing;
//   - a FAT16 boot sector without the 0x55 0xAA signature, or a FAT boot sector whose sectors
//     per cluster is not a power of two, whose reserved count or FAT size is 0, or whose bytes
//     per sector differs from g_BytesPerSector, clears all twelve fields, so that no scan
//     goes on with the geometry of an earlier volume;
//   - every other failure, a start above kMaxSourceSector and a position that does not fit the
//     32-bit fields change nothing.
// FAT32 falls back to the backup boot sector at start + 6, NTFS to the one at the volume's last
// sector (g_SourceEndSector - 1: the end is one past the volume). The boot sectors are read
// through storage/FatBootSector.h and storage/NtfsBootSector.h.
int DetectVolumeGeometry();

void ResetVolumeGeometry();
