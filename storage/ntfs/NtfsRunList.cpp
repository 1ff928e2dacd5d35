#include "storage/ntfs/NtfsRunList.h"

#include <new>

#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

uint64_t NtfsRunArrays::TotalSectors() const {
  uint64_t total = 0;
  for (uint64_t n : lengths) total += n;
  return total;
}

void NtfsRunArrays::Truncate(size_t n) {
  if (n >= Count()) return;
  starts.resize(n);
  lengths.resize(n);
  if (sparse.size() > n) sparse.resize(n);
}

size_t NtfsRunsWithinVolume(const NtfsRunArrays& runs, const NtfsVolume& volume) {
  if (volume.endSector <= volume.firstSector) return runs.Count();
  const uint64_t room = volume.endSector - volume.firstSector;
  uint64_t claimed = 0;
  for (size_t i = 0; i < runs.Count(); ++i) {
    if (runs.lengths[i] > room - claimed) return i;
    claimed += runs.lengths[i];
  }
  return runs.Count();
}

int NtfsAppendRun(NtfsRunArrays& runs, uint64_t start, uint64_t length, bool isSparse) {
  if (runs.starts.size() >= runs.capacity) return 0;
  // Keeps the marks in step with the starts, however the arrays were filled before.
  if (runs.sparse.size() > runs.starts.size()) runs.sparse.resize(runs.starts.size());
  try {
    const size_t room = runs.starts.size() + 1;
    if (runs.starts.capacity() < room || runs.lengths.capacity() < room ||
        runs.sparse.capacity() < room) {
      const size_t grown = runs.starts.size() + NtfsRunArrays::kGrowStep;
      runs.starts.reserve(grown);
      runs.lengths.reserve(grown);
      runs.sparse.reserve(grown);
    }
    runs.sparse.resize(runs.starts.size(), 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // Room is reserved: these cannot throw.
  runs.starts.push_back(isSparse ? 0 : start);
  runs.lengths.push_back(length);
  runs.sparse.push_back(isSparse ? 1 : 0);
  return 1;
}

namespace {

uint64_t LoadUnsigned(bo::Bytes b, size_t at, size_t width) {
  uint64_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= uint64_t{bo::Load8(b, at + i)} << (8 * i);
  return v;
}

int64_t LoadSigned(bo::Bytes b, size_t at, size_t width) {
  uint64_t v = LoadUnsigned(b, at, width);
  if (width < 8 && (v >> (8 * width - 1)) & 1) v |= ~uint64_t{0} << (8 * width);
  return static_cast<int64_t>(v);
}

}  // namespace

NtfsRunListEnd NtfsDecodeRunList(bo::Bytes runList, const NtfsVolume& volume, NtfsRunArrays& runs) {
  const uint64_t spc = volume.sectorsPerCluster;
  if (spc == 0) return NtfsRunListEnd::Refused;
  int64_t lcn = 0;  // cluster of the last real run
  size_t at = 0;
  while (at < runList.size()) {
    const uint8_t header = bo::Load8(runList, at);
    if (header == 0) return NtfsRunListEnd::Complete;
    const size_t lengthBytes = header & 0x0F;
    const size_t offsetBytes = header >> 4;
    if (lengthBytes == 0 || lengthBytes > 8 || offsetBytes > 8) return NtfsRunListEnd::Refused;
    if (!bo::Fits(runList, at + 1, lengthBytes + offsetBytes)) return NtfsRunListEnd::Truncated;
    const uint64_t clusters = LoadUnsigned(runList, at + 1, lengthBytes);
    if (clusters == 0 || clusters > UINT64_MAX / spc) return NtfsRunListEnd::Refused;
    const uint64_t sectors = clusters * spc;
    uint64_t start = 0;
    const bool isSparse = offsetBytes == 0;
    if (!isSparse) {
      const int64_t delta = LoadSigned(runList, at + 1 + lengthBytes, offsetBytes);
      int64_t next;
      if (__builtin_add_overflow(lcn, delta, &next) || next < 0) return NtfsRunListEnd::Refused;
      const uint64_t cluster = static_cast<uint64_t>(next);
      if (cluster > (UINT64_MAX - volume.firstSector) / spc) return NtfsRunListEnd::Refused;
      start = volume.firstSector + cluster * spc;
      if (start > UINT64_MAX - sectors) return NtfsRunListEnd::Refused;
      if (volume.endSector != 0 && start + sectors > volume.endSector)
        return NtfsRunListEnd::Refused;
      lcn = next;
    }
    if (!NtfsAppendRun(runs, start, sectors, isSparse)) return NtfsRunListEnd::Full;
    at += 1 + lengthBytes + offsetBytes;
  }
  return NtfsRunListEnd::Truncated;
}

NtfsVolume NtfsVolumeOf(const VolumeGeometry& g, int64_t sourceEndSector) {
  NtfsVolume v;
  v.firstSector = g.ClusterBaseSector;
  v.sectorsPerCluster = g.SectorsPerCluster;
  if (sourceEndSector > 0 && static_cast<uint64_t>(sourceEndSector) > v.firstSector)
    v.endSector = static_cast<uint64_t>(sourceEndSector);
  return v;
}

NtfsVolume CurrentNtfsVolume() {
  return NtfsVolumeOf(g_VolumeGeometry, g_SourceEndSector);
}
