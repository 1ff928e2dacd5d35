#include "storage/ntfs/NtfsCompressionUnits.h"

#include <algorithm>

uint64_t NtfsCompressionUnit::RealSectors() const {
  uint64_t total = 0;
  for (const Piece& p : pieces) total += p.sectors;
  return total;
}

bool NtfsCompressionUnits::Next(NtfsCompressionUnit& unit) {
  unit.kind = NtfsCompressionUnit::Kind::Sparse;
  unit.coveredSectors = 0;
  unit.pieces.clear();
  if (m_UnitSectors == 0) return false;
  bool sparseSeen = false;
  while (unit.coveredSectors < m_UnitSectors && m_Run < m_Count) {
    const uint64_t left = m_Runs.lengths[m_Run] - std::min(m_Offset, m_Runs.lengths[m_Run]);
    const uint64_t take = std::min(left, m_UnitSectors - unit.coveredSectors);
    if (m_Runs.IsSparse(m_Run)) {
      sparseSeen = sparseSeen || take > 0;
    } else if (take > 0 && !sparseSeen) {
      const uint64_t start = m_Runs.starts[m_Run] + m_Offset;
      if (!unit.pieces.empty() &&
          unit.pieces.back().startSector + unit.pieces.back().sectors == start)
        unit.pieces.back().sectors += take;
      else
        unit.pieces.push_back({start, take});
    }
    unit.coveredSectors += take;
    m_Offset += take;
    if (m_Offset >= m_Runs.lengths[m_Run]) {
      ++m_Run;
      m_Offset = 0;
    }
  }
  if (unit.coveredSectors == 0) return false;
  if (!unit.pieces.empty())
    unit.kind =
        sparseSeen ? NtfsCompressionUnit::Kind::Compressed : NtfsCompressionUnit::Kind::Stored;
  return true;
}

uint64_t NtfsCompressionUnitClusters(uint8_t exponent, uint64_t clusterBytes, uint64_t maxBytes) {
  if (exponent == 0 || exponent >= 32 || clusterBytes == 0) return 0;
  const uint64_t clusters = uint64_t{1} << exponent;
  return clusters > maxBytes / clusterBytes ? 0 : clusters;
}
