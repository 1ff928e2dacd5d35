// Fuzzes the LZNT1 decoder over one compression unit: the first byte picks the unit's size, the
// rest is the unit's stored bytes. The decoder must stay within both spans and never claim more
// bytes than the unit holds. The same bytes, read as a run list, go through the unit walk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "storage/ntfs/NtfsCompressionUnits.h"
#include "storage/ntfs/NtfsLznt1.h"
#include "storage/ntfs/NtfsRunList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const size_t kUnits[] = {512, 1024, 4096, 8192, 65536, 4095};
  const size_t unitSize = kUnits[data[0] % 6];
  // An exact copy, so reading one byte past the stored bytes is caught.
  std::vector<std::byte> stored(size - 1);
  for (size_t i = 1; i < size; ++i) stored[i - 1] = std::byte(data[i]);
  std::vector<std::byte> unit(unitSize);
  const Lznt1Outcome out = Lznt1DecompressUnit(stored, unit);
  if (out.bytes > unit.size() || (!out.damaged && out.bytes != unit.size())) std::abort();

  NtfsRunArrays runs(NtfsRunArrays::kFixedCapacity);
  const NtfsVolume volume{0, 1 << 16, 1};
  NtfsDecodeRunList(stored, volume, runs);
  runs.Truncate(NtfsRunsWithinVolume(runs, volume));
  NtfsCompressionUnits units(runs, runs.Count(), 1 + data[0] % 32);
  NtfsCompressionUnit u;
  uint64_t covered = 0;
  while (units.Next(u)) {
    if (u.coveredSectors == 0 || u.RealSectors() > u.coveredSectors) std::abort();
    covered += u.coveredSectors;
  }
  if (covered != runs.TotalSectors()) std::abort();
  return 0;
}
