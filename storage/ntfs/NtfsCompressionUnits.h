// How the runs of a compressed NTFS attribute lay out its compression units. The attribute's
// virtual clusters are cut into units of 2^n clusters (n from the attribute header); each unit is
// one of three kinds by the runs that cover it:
//   Sparse      no real clusters: the unit reads as zeros;
//   Stored      real clusters only: the unit is stored as it is (it did not compress);
//   Compressed  real clusters, then sparse ones: the real clusters hold the unit in LZNT1
//               (storage/ntfs/NtfsLznt1.h), and a real cluster after the sparse ones means nothing.
// The last unit may be cut short where the runs end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/ntfs/NtfsRunList.h"

struct NtfsCompressionUnit {
  enum class Kind { Sparse, Stored, Compressed };
  struct Piece {
    uint64_t startSector = 0;  // absolute on the source
    uint64_t sectors = 0;
  };
  Kind kind = Kind::Sparse;
  uint64_t coveredSectors =
      0;                      // sectors of the unit the runs cover (the unit's size but at the end)
  std::vector<Piece> pieces;  // the real clusters that hold it, in order, adjacent ones joined
  uint64_t RealSectors() const;
};

// Walks the units of the first runCount runs, unitSectors sectors each.
class NtfsCompressionUnits {
 public:
  NtfsCompressionUnits(const NtfsRunArrays& runs, size_t runCount, uint64_t unitSectors)
      : m_Runs(runs), m_Count(std::min(runCount, runs.Count())), m_UnitSectors(unitSectors) {}
  // The next unit; false when the runs are used up (or the unit size is 0).
  bool Next(NtfsCompressionUnit& unit);

 private:
  const NtfsRunArrays& m_Runs;
  size_t m_Count;
  uint64_t m_UnitSectors;
  size_t m_Run = 0;       // the run the next unit starts in
  uint64_t m_Offset = 0;  // sectors of that run already taken
};

// The compression unit's size in clusters from the attribute header's exponent (8 bits at 34 of
// a non-resident header); 0 when the exponent is 0 or so large that the unit exceeds maxBytes
// with clusters of clusterBytes.
uint64_t NtfsCompressionUnitClusters(uint8_t exponent, uint64_t clusterBytes, uint64_t maxBytes);
