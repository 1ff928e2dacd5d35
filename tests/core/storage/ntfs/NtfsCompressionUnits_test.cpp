#include "storage/ntfs/NtfsCompressionUnits.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Kind = NtfsCompressionUnit::Kind;
using Piece = NtfsCompressionUnit::Piece;

struct Unit {
  Kind kind;
  uint64_t covered;
  std::vector<std::pair<uint64_t, uint64_t>> pieces;
};

std::vector<Unit> Walk(const NtfsRunArrays& runs, uint64_t unitSectors, size_t count = SIZE_MAX) {
  NtfsCompressionUnits units(runs, count, unitSectors);
  std::vector<Unit> out;
  NtfsCompressionUnit u;
  while (units.Next(u)) {
    Unit w{u.kind, u.coveredSectors, {}};
    for (const Piece& p : u.pieces) w.pieces.push_back({p.startSector, p.sectors});
    out.push_back(w);
    if (out.size() > 100) break;
  }
  return out;
}

bool operator==(const Unit& a, const Unit& b) {
  return a.kind == b.kind && a.covered == b.covered && a.pieces == b.pieces;
}

// Units of 16 sectors over runs as a compressing file system lays them out.
TEST(NtfsCompressionUnits, SortsUnitsByTheirRuns) {
  NtfsRunArrays runs;
  NtfsAppendRun(runs, 1000, 4);      // unit 0: compressed into 4 sectors...
  NtfsAppendRun(runs, 0, 12, true);  // ...the rest of it sparse
  NtfsAppendRun(runs, 2000, 20);     // unit 1 stored, and 4 sectors of unit 2...
  NtfsAppendRun(runs, 3000, 3);      // ...which goes on elsewhere (joined only when adjacent)
  NtfsAppendRun(runs, 0, 41, true);  // the rest of unit 2, then units 3 and 4 sparse
  NtfsAppendRun(runs, 4000, 2);      // unit 5: real, sparse, real: only the first real part
  NtfsAppendRun(runs, 0, 4, true);
  NtfsAppendRun(runs, 4010, 10);
  NtfsAppendRun(runs, 5000, 5);  // unit 6: the runs end 5 sectors in
  const std::vector<Unit> want = {
      {Kind::Compressed, 16, {{1000, 4}}},
      {Kind::Stored, 16, {{2000, 16}}},
      {Kind::Compressed, 16, {{2016, 4}, {3000, 3}}},
      {Kind::Sparse, 16, {}},
      {Kind::Sparse, 16, {}},
      {Kind::Compressed, 16, {{4000, 2}}},
      {Kind::Stored, 5, {{5000, 5}}},
  };
  EXPECT_EQ(Walk(runs, 16), want);
  // Only the runs given are walked; a unit size of 0 gives no unit.
  EXPECT_EQ(Walk(runs, 16, 1).size(), 1u);
  EXPECT_TRUE(Walk(runs, 0).empty());
}

TEST(NtfsCompressionUnits, JoinsAdjacentRunsAndSkipsEmptyOnes) {
  NtfsRunArrays runs;
  NtfsAppendRun(runs, 100, 2);
  runs.starts.push_back(500);  // a run of no sectors, as damaged arrays might hold
  runs.lengths.push_back(0);
  runs.sparse.push_back(0);
  NtfsAppendRun(runs, 102, 3);
  NtfsAppendRun(runs, 0, 3, true);
  EXPECT_EQ(Walk(runs, 8), (std::vector<Unit>{{Kind::Compressed, 8, {{100, 5}}}}));
}

TEST(NtfsCompressionUnits, UnitSizeComesFromTheExponentWithinBounds) {
  EXPECT_EQ(NtfsCompressionUnitClusters(4, 4096, 1 << 20), 16u);
  EXPECT_EQ(NtfsCompressionUnitClusters(4, 65536, 1 << 20), 16u);
  EXPECT_EQ(NtfsCompressionUnitClusters(5, 65536, 1 << 20), 0u);
  EXPECT_EQ(NtfsCompressionUnitClusters(0, 4096, 1 << 20), 0u);
  EXPECT_EQ(NtfsCompressionUnitClusters(255, 512, 1 << 20), 0u);
  EXPECT_EQ(NtfsCompressionUnitClusters(4, 0, 1 << 20), 0u);
}

}  // namespace
