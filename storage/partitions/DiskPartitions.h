// The partitions found on each disk, read by the source tree and the drive charts. One block per
// disk number (the N of "\\.\PhysicalDriveN", or the number a disk image was given); a logical
// drive is enumerated into block 0 and describes that drive until disk 0 is enumerated again.
#pragma once

#include <array>
#include <cstdint>

#include "storage/FileSystemKind.h"

inline constexpr int kPartitionDiskCount = 26;
// Partitions listed per disk: one name slot and one chart colour each.
inline constexpr int kMaxListedPartitions = 26;

struct PartitionEntry {
  uintptr_t treeItem = 0;    // the partition's node in the source tree, 0 when none was added
  uint64_t startSector = 0;  // first sector on the disk
  uint64_t endSector = 0;    // one past the last sector
};

struct DiskPartitions {
  int32_t count = 0;  // partitions listed
  std::array<FileSystemKind, kMaxListedPartitions> names{};  // Fat16, Fat32 or Ntfs; None unset
  std::array<PartitionEntry, kMaxListedPartitions> entries{};
};

extern std::array<DiskPartitions, kPartitionDiskCount> g_DiskPartitions;

// Every block back to its initial state: no partitions, no names, no tree items.
void ResetDiskPartitions();
