// The pieces of the drive chart that the source and disk-imaging pages show for the chosen
// source: a disk's partitions as shares of the disk, or a logical drive's used and free space.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/PieChartModel.h"

inline constexpr const char* kChartTitle = "Drive Information";

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

// "Used Space" and "Free Space" in whole percent; usedExtra is added to the used share (the
// imaging page adds 1).
std::vector<ChartPiece> DriveUsageChartPieces(uint64_t capacityBytes, uint64_t freeBytes,
                                              int usedExtra = 0);

// The sizes of the logical drive chosen last on the source page, for the imaging page's chart.
struct ChosenDriveSizes {
  uint64_t capacityBytes = 0;
  uint64_t freeBytes = 0;
};
extern ChosenDriveSizes g_ChosenDriveSizes;
