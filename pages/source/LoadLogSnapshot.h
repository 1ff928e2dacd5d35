// What loading a scan log changes on the way to its pages, kept so that the source page finds its
// own choice again when those pages return: the source the tree selected (device path, range,
// sector size, file system, geometry, the click's disk, partition and node text) and the mode,
// style, flags and title the log set. Without it, Next after a loaded log would scan the log's
// volume while the tree still shows another one selected.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "storage/FileSystemKind.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

struct SourceSnapshot {
  std::array<char, kDevicePathBytes> devicePath0{};
  int16_t currentDevice = 0;
  int32_t bytesPerSector = 0;
  int64_t startSector = 0;
  int64_t endSector = 0;
  FileSystemKind fileSystem = FileSystemKind::None;
  char driveLetter = 0;
  int16_t diskNumber = 0;
  int16_t partitionIndex = 0;
  std::string nodeText;
  VolumeGeometry geometry{};
  int32_t recoveryMode = 0;
  int32_t partitionStyle = 0;
  int32_t formattedMode = 0;
  int32_t partitionMode = 0;
  int32_t partitionPass = 0;
  std::string appTitle;
};

SourceSnapshot TakeSourceSnapshot();
void RestoreSourceSnapshot(const SourceSnapshot& snapshot);

// The title while a loaded log's pages run: the program's title and the suffix of the log's mode.
std::string LoadedLogTitle(int32_t recoveryMode);
