#include "pages/source/SourcePanels.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>

#include "pages/SizeText.h"
#include "storage/partitions/DiskPartitions.h"

namespace {

// The partition colours of the chart, as 0x00BBGGRR.
constexpr std::array<uint32_t, kMaxListedPartitions> kPartitionColors = {
    0x3FC78D, 0x05D5FF, 0xC5629D, 0x8B08EB, 0x2825ED, 0xFFF60A, 0xE555FA, 0x4A96F9, 0xE8B432,
    0x9F0FE5, 0x408000, 0x80FF80, 0x80FF00, 0xFFFF80, 0xFF8000, 0xC080FF, 0xFF80FF, 0xFFFF00,
    0xC08000, 0xC08080, 0xFF00FF, 0x404080, 0xA00000, 0x4080FF, 0x808000, 0x008000};

constexpr Argb kUsedColour = 0xFF6E78FD;
constexpr Argb kFreeColour = 0xFFFF7B32;

constexpr const char* kWeekdays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};

std::string DateLine(const char* caption, time_t when) {
  struct tm t {};
  if (!gmtime_r(&when, &t) || t.tm_wday < 0 || t.tm_wday > 6 || t.tm_mon < 0 || t.tm_mon > 11)
    return std::string(caption);
  char text[96];
  std::snprintf(text, sizeof text, "%s%s, %s %d, %d", caption, kWeekdays[t.tm_wday],
                kMonths[t.tm_mon], t.tm_mday, t.tm_year + 1900);
  return text;
}

}  // namespace

std::vector<std::string> DiskInfoLines(int number, const StoredDiskGeometry& disk) {
  return {"Physical Disk Number : " + std::to_string(number), "Model   : " + disk.model,
          "Media Type   : " + disk.mediaType, "Disk Size  : " + SizeTextOneDecimal(disk.sizeBytes)};
}

std::vector<std::string> VolumeInfoLines(const LogicalDrive& drive, const std::string& fileSystem) {
  const uint64_t used =
      drive.capacityBytes > drive.freeBytes ? drive.capacityBytes - drive.freeBytes : 0;
  return {"Volume Name : " + drive.label, "File System : " + fileSystem,
          "Capacity : " + SizeTextOneDecimal(drive.capacityBytes),
          "Used Space : " + SizeTextOneDecimal(used),
          "Free Space : " + SizeTextOneDecimal(drive.freeBytes)};
}

std::vector<std::string> PartitionInfoLines(FileSystemKind kind, uint64_t startSector,
                                            uint64_t endSector, uint32_t bytesPerSector) {
  const uint64_t sectors = endSector > startSector ? endSector - startSector : 0;
  return {"Partition Type   : " + std::string(FileSystemKindText(kind)),
          "Start Sector     : " + std::to_string(startSector),
          "End Sector       : " + std::to_string(endSector),
          "Partition Size   : " + SizeTextOneDecimal(sectors * bytesPerSector)};
}

std::vector<std::string> ImageFileTimesLines(time_t created, time_t accessed, time_t modified) {
  return {DateLine("Created : ", created), DateLine("Accessed : ", accessed),
          DateLine("Modified : ", modified)};
}

bool ReadFileTimes(const std::string& path, time_t& created, time_t& accessed, time_t& modified) {
  struct statx s {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &s) != 0) return false;
  created = (s.stx_mask & STATX_BTIME) ? s.stx_btime.tv_sec : s.stx_ctime.tv_sec;
  accessed = s.stx_atime.tv_sec;
  modified = s.stx_mtime.tv_sec;
  return true;
}

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

std::vector<ChartPiece> DriveUsageChartPieces(uint64_t capacityBytes, uint64_t freeBytes) {
  if (capacityBytes == 0) return {};
  const uint64_t free = std::min(freeBytes, capacityBytes);
  const double freeShare = static_cast<double>(free) / static_cast<double>(capacityBytes);
  const double usedShare = 1.0 - freeShare;
  return {{"Used Space", static_cast<double>(static_cast<int>(usedShare * 100)), kUsedColour},
          {"Free Space", static_cast<double>(static_cast<int>(freeShare * 100)), kFreeColour}};
}
