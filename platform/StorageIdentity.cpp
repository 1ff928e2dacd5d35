#include "platform/StorageIdentity.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>
#include <optional>

namespace {

// The whole disk that holds block device dev: dev itself unless sysfs says it is a partition.
dev_t WholeDiskOf(dev_t dev) {
  const std::string node =
      "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
  if (::access((node + "/partition").c_str(), F_OK) != 0) return dev;
  std::ifstream in(node + "/../dev");
  unsigned maj = 0, min = 0;
  char colon = 0;
  if (in >> maj >> colon >> min && colon == ':') return makedev(maj, min);
  return dev;
}

bool BlockDevicesOverlap(dev_t a, dev_t b) {
  return a == b || WholeDiskOf(a) == b || WholeDiskOf(b) == a;
}

std::optional<struct stat> StatOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st;
}

}  // namespace

bool SameStorage(const std::string& a, const std::string& b) {
  auto sa = StatOf(a), sb = StatOf(b);
  if (!sa || !sb) return false;
  if (S_ISBLK(sa->st_mode) && S_ISBLK(sb->st_mode))
    return BlockDevicesOverlap(sa->st_rdev, sb->st_rdev);
  return sa->st_dev == sb->st_dev && sa->st_ino == sb->st_ino;
}

bool FolderOnDevice(const std::string& folder, const std::string& devicePath) {
  auto sf = StatOf(folder), sd = StatOf(devicePath);
  if (!sf || !sd || !S_ISBLK(sd->st_mode)) return false;
  return BlockDevicesOverlap(sf->st_dev, sd->st_rdev);
}
