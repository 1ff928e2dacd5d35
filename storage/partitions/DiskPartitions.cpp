#include "storage/partitions/DiskPartitions.h"

std::array<DiskPartitions, kPartitionDiskCount> g_DiskPartitions{};

void ResetDiskPartitions() {
  g_DiskPartitions.fill(DiskPartitions{});
}
