#include "pages/DriveChartPieces.h"

#include <algorithm>
#include <array>

#include "storage/partitions/DiskPartitions.h"

ChosenDriveSizes g_ChosenDriveSizes;

namespace {

// The partition colours of the chart, as 0x00BBGGRR.
constexpr std::array<uint32_t, kMaxListedPartitions> kPartitionColors = {
    0x3FC78D, 0x05D5FF, 0xC5629D, 0x8B08EB, 0x2825ED, 0xFFF60A, 0xE555FA, 0x4A96F9, 0xE8B432,
    0x9F0FE5, 0x408000, 0x80FF80, 0x80FF00, 0xFFFF80, 0xFF8000, 0xC080FF, 0xFF80FF, 0xFFFF00,
    0xC08000, 0xC08080, 0xFF00FF, 0x404080, 0xA00000, 0x4080FF, 0x808000, 0x008000};

constexpr Argb kUsedColour = 0xFF6E78FD;
constexpr Argb kFreeColour = 0xFFFF7B32;

}  // namespace

std::vector<ChartPiece> PartitionChartPieces(int disk, int selected, uint64_t diskBytes,
                                             uint32_t bytesPerSector) {
  std::vector<ChartPiece> pieces;
  if (disk < 0 || disk >= kPartitionDiskCount) return pieces;
  const DiskPartitions& block = g_DiskPartitions[static_cast<size_t>(disk)];
  const int count = std::min(block.count, kMaxListedPartitions);
  for (int i = 0; i < count; ++i) {
    const PartitionEntry& e = block.entries[static_cast<size_t>(i)];
    const uint64_t sectors = e.endSector > e.startSector ? e.endSector - e.startSector : 0;
    ChartPiece piece;
    piece.label = (i == selected ? "Selected Partition " : "Partition ") + std::to_string(i + 1);
    piece.value = diskBytes == 0 ? 0.0
                                 : static_cast<double>(sectors) * bytesPerSector * 100.0 /
                                       static_cast<double>(diskBytes);
    piece.colour = ArgbFromColorref(kPartitionColors[static_cast<size_t>(i)]);
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::vector<ChartPiece> DriveUsageChartPieces(uint64_t capacityBytes, uint64_t freeBytes,
                                              int usedExtra) {
  if (capacityBytes == 0) return {};
  const uint64_t free = std::min(freeBytes, capacityBytes);
  // Whole percent of exact byte counts: a share given as a fraction would round 40 % to 39.
  const auto percent = [capacityBytes](uint64_t part) {
    return static_cast<double>(static_cast<unsigned __int128>(part) * 100 / capacityBytes);
  };
  return {{"Used Space", percent(capacityBytes - free) + usedExtra, kUsedColour},
          {"Free Space", percent(free), kFreeColour}};
}
