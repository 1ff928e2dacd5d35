#include "pages/copy/CopyTexts.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>

namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;
constexpr uint64_t kTiB = uint64_t{1} << 40;

std::string Scaled(uint64_t bytes, const char* suffix) {
  const auto b = static_cast<double>(bytes);
  char text[64];
  if (bytes <= kGiB)
    std::snprintf(text, sizeof text, "%.3f MB%s", b / (1024.0 * 1024.0), suffix);
  else if (bytes <= kTiB)
    std::snprintf(text, sizeof text, "%.3f GB%s", b / static_cast<double>(kGiB), suffix);
  else
    std::snprintf(text, sizeof text, "%.3f TB%s", b / static_cast<double>(kTiB), suffix);
  return text;
}

// The whole disk a block device belongs to (itself when it is one), as its device number.
dev_t DiskOf(dev_t device) {
  const std::string sys = "/sys/dev/block/" + std::to_string(major(device)) + ":" +
                          std::to_string(minor(device));
  std::ifstream partition(sys + "/partition");
  if (!partition) return device;
  std::ifstream parentDev(sys + "/../dev");
  unsigned maj = 0, min = 0;
  char colon = 0;
  if (parentDev >> maj >> colon >> min && colon == ':') return makedev(maj, min);
  return device;
}

}  // namespace

std::string CopySizeText(uint64_t bytes) {
  return Scaled(bytes, " size in");
}

std::string CopyTimeText(int64_t seconds) {
  return std::to_string(seconds / 60) + " Min " + std::to_string(seconds % 60) + " Sec";
}

std::string FreeSpaceQuestion(uint64_t bytes) {
  return "Insufficient free space on destination drive. Selected file/folder requires " +
         Scaled(bytes, "") + " of free space. Press Yes if you want continue with it.";
}

int PercentOf(uint64_t part, uint64_t total) {
  if (total == 0) return 0;
  if (part >= total) return 100;
  return static_cast<int>(static_cast<unsigned __int128>(part) * 100 / total);
}

std::optional<CopyTimes> CopyTimeTexts(int64_t elapsed, uint64_t copied, uint64_t total) {
  if (elapsed <= 0) return CopyTimes{std::string(kZeroTime), std::string(kZeroTime)};
  const uint64_t rate = copied / static_cast<uint64_t>(elapsed);
  if (rate == 0) return std::nullopt;
  const uint64_t left = copied >= total ? 0 : (total - copied) / rate;
  return CopyTimes{CopyTimeText(elapsed), CopyTimeText(static_cast<int64_t>(left))};
}

uint64_t GetDiskFreeBytes(const std::string& path) {
  struct statvfs s {};
  if (::statvfs(path.c_str(), &s) != 0) return 0;
  return static_cast<uint64_t>(s.f_bfree) * s.f_frsize;
}

bool TargetOnSourceDrive(const std::string& targetPath, const std::string& sourceOsPath) {
  struct stat source {}, target {};
  if (::stat(sourceOsPath.c_str(), &source) != 0 || !S_ISBLK(source.st_mode)) return false;
  // A folder still to be made lies where its nearest existing parent lies.
  std::string probe = targetPath;
  while (::stat(probe.c_str(), &target) != 0) {
    const size_t slash = probe.find_last_of('/');
    if (slash == std::string::npos || probe == "/") return false;
    probe = slash == 0 ? std::string("/") : probe.substr(0, slash);
  }
  if (target.st_dev == source.st_rdev) return true;
  return DiskOf(target.st_dev) == source.st_rdev;
}
