#include "pages/source/SourcePanels.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include "pages/SizeText.h"

namespace {

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
          "Media Type   : " + disk.mediaType,
          "Disk Size  : " + SizeTextOneDecimalFrom(disk.sizeBytes)};
}

std::vector<std::string> VolumeInfoLines(const LogicalDrive& drive, const std::string& fileSystem) {
  const uint64_t used =
      drive.capacityBytes > drive.freeBytes ? drive.capacityBytes - drive.freeBytes : 0;
  return {"Volume Name : " + drive.label, "File System : " + fileSystem,
          "Capacity : " + SizeTextOneDecimalFrom(drive.capacityBytes),
          "Used Space : " + SizeTextOneDecimalFrom(used),
          "Free Space : " + SizeTextOneDecimalFrom(drive.freeBytes)};
}

std::vector<std::string> PartitionInfoLines(FileSystemKind kind, uint64_t startSector,
                                            uint64_t endSector, uint32_t bytesPerSector) {
  const uint64_t sectors = endSector > startSector ? endSector - startSector : 0;
  return {"Partition Type   : " + std::string(FileSystemKindText(kind)),
          "Start Sector     : " + std::to_string(startSector),
          "End Sector       : " + std::to_string(endSector),
          "Partition Size   : " + SizeTextOneDecimalFrom(sectors * bytesPerSector)};
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
