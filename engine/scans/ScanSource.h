// What a scan reads of the chosen source and volume, taken once when its worker starts, as the
// disk-image worker takes its own. Every step of the scan, and a scan another one hands over to on
// the same worker, works from this copy: the source page's globals and the volume geometry are
// read in one place, never deep inside a step. What a scan writes (the lists, the geometry of a
// found file system it takes) still goes to the globals, as the pages read it from there.
#pragma once

#include <cstdint>
#include <string>

#include "storage/FileSystemKind.h"
#include "storage/VolumeGeometry.h"
#include "storage/ntfs/NtfsRunList.h"

struct ScanSource {
  std::string device;        // CurrentDevicePath()
  uint32_t sectorBytes = 0;  // ReadSizeBytes(1): 0 when the sector size is not one the path reads
  int64_t startSector = 0;   // g_SourceStartSector: the range's first sector
  int64_t endSector = 0;     // g_SourceEndSector: one past the range's last; 0 or below, none
  uint64_t rangeEnd = 0;     // SourceRangeEnd(): the end cut at the source's size; 0 when none
  FileSystemKind fileSystem = FileSystemKind::None;  // g_ScanState.fileSystem
  VolumeGeometry geometry{};                         // g_VolumeGeometry
  NtfsVolume ntfsVolume{};  // CurrentNtfsVolume(): where the geometry and the end place an NTFS volume
};

// The copy of the globals named above, as they are now.
ScanSource TakeScanSource();
