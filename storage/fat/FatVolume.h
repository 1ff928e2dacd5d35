// What the FAT code needs to know about one FAT12/16/32 volume, worked out once from a volume
// geometry, the file-system kind and the source, so that chain walks, directory reads and file
// copies share the same bounds.
#pragma once

#include <cstdint>
#include <string_view>

#include "storage/FileSystemKind.h"
#include "storage/VolumeGeometry.h"

struct FatVolume {
  int bits = 0;                // 12, 16 or 32; 0 for any other file-system name
  uint32_t sectorBytes = 512;  // bytes one sector of the source holds (ReadSizeBytes(1))
  uint32_t sectorsPerCluster = 0;
  // Sector of cluster 0: cluster c starts at clusterBase + c × spc. Negative when the data area
  // starts less than two clusters into the source.
  int64_t clusterBase = 0;
  uint64_t fat1Start = 0;
  uint64_t fat2Start = 0;
  uint64_t fatSectors = 0;
  uint64_t rootStart = 0;    // FAT12/16: first root-directory sector
  uint32_t rootSectors = 0;  // FAT12/16: root-directory sectors
  uint32_t rootCluster = 0;  // FAT32: first cluster of the root directory
  // One past the highest cluster number that names a data cluster of this volume: the smallest
  // of what the FAT can describe, what the boot sector's sector count leaves and where the
  // source ends. Valid clusters are 2 .. clusterLimit - 1.
  uint32_t clusterLimit = 0;

  bool IsDataCluster(uint64_t c) const { return c >= 2 && c < clusterLimit; }
  int64_t ClusterSector(uint32_t c) const {
    return clusterBase + static_cast<int64_t>(uint64_t{c} * sectorsPerCluster);
  }
  uint64_t ClusterBytes() const { return uint64_t{sectorsPerCluster} * sectorBytes; }
};

// 12, 16 or 32 for the FAT kinds; 0 otherwise.
int FatBitsOf(FileSystemKind kind);

// The source a FAT volume lies on, as the caller took it.
struct FatSource {
  std::string_view device;   // what ReadSectors reads
  uint32_t sectorBytes = 0;  // ReadSizeBytes(1); 0 is taken as 512
  int64_t endSector = 0;     // g_SourceEndSector: one past the source's range; 0 or below, none
};

// Describes the volume from the geometry the caller holds (a scan's copy taken when it started,
// or g_VolumeGeometry). Reads the boot sector (at Fat1StartSector - ReservedSectors) through
// ReadSectors for its sector count; an unreadable or implausible count is left out of the cluster
// limit, which then comes from the FAT size and the source's end.
FatVolume DescribeFatVolume(FileSystemKind kind, const VolumeGeometry& geometry,
                            const FatSource& source);
// The same on the current source: CurrentDevicePath(), ReadSizeBytes(1) and g_SourceEndSector.
FatVolume DescribeFatVolume(FileSystemKind kind, const VolumeGeometry& geometry);
