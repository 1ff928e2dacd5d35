// Where the Linux layer finds the disks and volumes that stand behind the program's device names:
// whole disks from /sys/block, mounted block-device volumes from /proc/self/mountinfo. The parsing
// takes its inputs as arguments so that it can be tested on made-up trees and texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Whole-disk node names under sysBlockRoot (normally "/sys/block") in the order they become
// PhysicalDrive0, 1, ...: sd*, vd*, hd*, xvd*, nvme*n* and mmcblk* disks (never their partitions)
// sorted by name, then loop devices that have a backing file, sorted by number; ram, zram, sr, dm
// and md are left out. At most ten.
std::vector<std::string> ListWholeDisks(const std::string& sysBlockRoot);

// True for a kernel block-device name that is a whole disk of a kind the program lists.
bool IsListedDiskName(std::string_view name);

struct MountedVolume {
  std::string mountPoint;  // unescaped
  std::string device;      // "/dev/..." source of the mount
};

// The block-device mounts of a mountinfo text (sources that begin with "/dev/"), one entry per
// device (its first mount point), in the order in which they receive drive letters: the volume
// mounted at "/" first, the others sorted by mount point. At most 24 (C: to Z:).
std::vector<MountedVolume> ParseMountedVolumes(std::string_view mountinfo);

// What sysfs tells about a disk or partition without opening it, so that a disk the user may not
// open is still listed with its size and model.
struct DiskFacts {
  uint64_t sizeBytes = 0;
  uint32_t logicalSectorSize = 512;
  bool removable = false;
  std::string model;  // vendor and model without their blank padding; a loop device's backing
                      // file name; empty when sysfs has neither
};

// The facts of the block device `name` under sysBlockRoot (normally "/sys/block"): a whole disk
// in its own folder, or a partition in its disk's folder, which then gives the sector size, the
// removable flag and the model. Nothing when the device is unknown or has no size (a card reader
// without a card). sysfs counts size in 512-byte units whatever the sector size.
std::optional<DiskFacts> ReadDiskFacts(const std::string& sysBlockRoot, const std::string& name);
