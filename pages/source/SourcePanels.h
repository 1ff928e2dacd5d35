// The information panel and the drive chart of the source page without a window: the lines of
// each panel and the pieces of each chart.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "pages/source/LogicalDrives.h"
#include "storage/FileSystemKind.h"
#include "storage/GeometryStore.h"
#include "widgets/PieChartModel.h"

inline constexpr const char* kSourceHeadingText =
    "Select Disk/Image from which you want to recover your data";
inline constexpr const char* kChartTitle = "Drive Information";

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

struct ChartPiece {
  std::string label;  // also the legend text
  double value = 0;   // percent
  Argb colour = 0;
};

// The partitions of disk block `disk` as shares of the disk's size: "Selected Partition %d" for
// index selected, "Partition %d" for the others (numbered from 1). A disk of size 0 gives shares
// of 0, which the chart leaves out.
std::vector<ChartPiece> PartitionChartPieces(int disk, int selected, uint64_t diskBytes,
                                             uint32_t bytesPerSector);
// "Used Space" and "Free Space" in whole percent.
std::vector<ChartPiece> DriveUsageChartPieces(uint64_t capacityBytes, uint64_t freeBytes);
