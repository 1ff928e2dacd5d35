// NTFS run lists: the compact encoding of where a non-resident attribute's clusters lie, decoded
// into arrays of absolute start sectors and lengths in sectors. Starts and lengths are 64-bit.
//
// Encoding: a header byte h (0 ends the list), then h & 0x0F bytes of cluster count and h >> 4
// bytes of a signed cluster delta from the previous real run (the first run's delta is from
// cluster 0). No delta bytes: a sparse run, which has no clusters and does not move the base.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ByteOrder.h"
#include "storage/VolumeGeometry.h"

// Where the volume lies on the source. Cluster n starts at firstSector + n x sectorsPerCluster.
struct NtfsVolume {
  uint64_t firstSector = 0;
  uint64_t endSector = 0;  // one past the volume's last sector; 0 = unknown (no bound)
  uint32_t sectorsPerCluster = 0;
};

// The volume as a copy of its geometry and the source's end (one past the volume's last sector;
// 0 or below: not known) place it. A worker takes its copy of both when it starts.
NtfsVolume NtfsVolumeOf(const VolumeGeometry& geometry, int64_t sourceEndSector);

// The same from g_VolumeGeometry and g_SourceEndSector as they stand now.
NtfsVolume CurrentNtfsVolume();

// Parallel arrays of runs. A sparse run (read as zeros) is marked in `sparse` and keeps start 0;
// the mark decides, because a real run may start at sector 0 too (cluster 0 of a volume that
// begins at the device's first sector, where $Boot lives).
struct NtfsRunArrays {
  static constexpr size_t kGrowStep = 1024;       // the arrays grow by this many runs
  static constexpr size_t kFixedCapacity = 2000;  // the fixed mode's room
  static constexpr size_t kUnlimited = SIZE_MAX;

  std::vector<uint64_t> starts;   // absolute sectors on the source device
  std::vector<uint64_t> lengths;  // sectors
  std::vector<uint8_t> sparse;    // 1: a run without clusters
  size_t capacity = kUnlimited;   // most runs the arrays take (kFixedCapacity: the fixed mode)

  constexpr NtfsRunArrays() = default;
  explicit NtfsRunArrays(size_t cap) : capacity(cap) {}

  size_t Count() const { return starts.size(); }
  bool IsSparse(size_t i) const { return i < sparse.size() && sparse[i] != 0; }
  uint64_t TotalSectors() const;
  // Keeps the first n runs.
  void Truncate(size_t n);
  // The run count restarts at 0; the room is kept.
  void Clear() {
    starts.clear();
    lengths.clear();
    sparse.clear();
  }
};

// Appends one run (a sparse one with start 0 and isSparse). Returns 1 stored, 0 no room (the
// capacity is reached, or memory ran out while growing by kGrowStep); nothing is stored then.
int NtfsAppendRun(NtfsRunArrays& runs, uint64_t start, uint64_t length, bool isSparse = false);

// How a decode ended.
enum class NtfsRunListEnd {
  Complete,   // reached the 0 header byte
  Truncated,  // ran out of bytes before the 0 header byte
  Refused,    // a run was malformed (field widths above 8 bytes, 0 clusters, a cluster before
               // the volume or past its end): decoding stopped there
  Full,       // the arrays had no room for more
};

// Decodes runList (the bytes from the run-list offset to the attribute's end) and appends the runs
// to `runs`. The runs decoded before a refused or truncated one are kept.
NtfsRunListEnd NtfsDecodeRunList(bo::Bytes runList, const NtfsVolume& volume, NtfsRunArrays& runs);

// How many of the first runs, real and sparse together, claim no more sectors than the volume
// holds (all of them when the volume's end is unknown). The runs from the first that passes that
// bound on are damaged: no attribute of the volume can be larger than the volume itself.
size_t NtfsRunsWithinVolume(const NtfsRunArrays& runs, const NtfsVolume& volume);
