// The information panel of the source page without a window: the lines of each panel (the
// chart's pieces are in pages/DriveChartPieces.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "pages/DriveChartPieces.h"
#include "pages/source/LogicalDrives.h"
#include "storage/FileSystemKind.h"
#include "storage/GeometryStore.h"

inline constexpr const char* kSourceHeadingText =
    "Select Disk/Image from which you want to recover your data";

// "Physical Disk Number : N", "Model   : ...", "Media Type   : ...", "Disk Size  : ...".
std::vector<std::string> DiskInfoLines(int number, const StoredDiskGeometry& disk);
// "Volume Name : ", "File System : ", "Capacity : ", "Used Space : ", "Free Space : ".
std::vector<std::string> VolumeInfoLines(const LogicalDrive& drive, const std::string& fileSystem);
// "Partition Type   : ", "Start Sector     : ", "End Sector       : ", "Partition Size   : ".
std::vector<std::string> PartitionInfoLines(FileSystemKind kind, uint64_t startSector,
                                            uint64_t endSector, uint32_t bytesPerSector);

// "Created : Monday, March 7, 2022" and the same for "Accessed" and "Modified", from times in
// seconds since 1970 shown as the calendar date in UTC.
std::vector<std::string> ImageFileTimesLines(time_t created, time_t accessed, time_t modified);
// The three times of a file (creation falls back to the last status change where the file
// system does not keep it); false when the file cannot be looked at.
bool ReadFileTimes(const std::string& path, time_t& created, time_t& accessed, time_t& modified);
