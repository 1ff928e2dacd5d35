#include "storage/ntfs/NtfsRunList.h"

#include <gtest/gtest.h>

#include "storage/ExtentList.h"
#include "tests/core/storage/ntfs/NtfsTestRecords.h"

namespace {

using ntfs_test::FromU8;

struct SectorRun {
  uint64_t start, length;
  friend bool operator==(const SectorRun&, const SectorRun&) = default;
};

std::vector<SectorRun> Decode(const ntfs_test::Bytes& list, NtfsVolume v,
                              NtfsRunListEnd* end = nullptr,
                              size_t capacity = NtfsRunArrays::kUnlimited) {
  NtfsRunArrays runs(capacity);
  NtfsRunListEnd e = NtfsDecodeRunList(list, v, runs);
  if (end) *end = e;
  std::vector<SectorRun> out;
  for (size_t i = 0; i < runs.Count(); ++i) out.push_back({runs.starts[i], runs.lengths[i]});
  return out;
}

TEST(NtfsRunList, DecodesRuns) {
  NtfsRunListEnd end;
  const NtfsVolume v{2048, 0, 8};
  EXPECT_EQ(Decode(FromU8({0x21, 0x18, 0x34, 0x56, 0x00}), v, &end),
            (std::vector<SectorRun>{{2048 + 0x5634 * 8, 192}}));
  EXPECT_EQ(end, NtfsRunListEnd::Complete);
  // +100 clusters, sparse, then -16 clusters from the last real run.
  EXPECT_EQ(Decode(FromU8({0x11, 4, 100, 0x01, 2, 0x21, 1, 0xF0, 0xFF, 0}), v),
            (std::vector<SectorRun>{{2048 + 800, 32}, {0, 16}, {2048 + 84 * 8, 8}}));
  // An 8-byte delta and an 8-byte length decode whole.
  EXPECT_EQ(Decode(FromU8({0x88, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}), {0, 0, 1}),
            (std::vector<SectorRun>{{uint64_t{1} << 40, 1}}));
}

TEST(NtfsRunList, MalformedRunsAreRefusedAndEarlierRunsKept) {
  const NtfsVolume v{100, 100 + 1000, 1};
  struct Case {
    const char* what;
    ntfs_test::Bytes list;
    NtfsRunListEnd end;
    size_t kept;
  } cases[] = {
      {"before the volume", FromU8({0x11, 1, 10, 0x11, 1, 0xF0, 0}), NtfsRunListEnd::Refused, 1},
      {"past the volume", FromU8({0x11, 1, 10, 0x21, 1, 0xE8, 0x03, 0}), NtfsRunListEnd::Refused,
       1},
      {"ends exactly at the volume end", FromU8({0x21, 0x0A, 0xDE, 0x03, 0}),
       NtfsRunListEnd::Complete, 1},
      {"one sector too long", FromU8({0x21, 0x0B, 0xDE, 0x03, 0}), NtfsRunListEnd::Refused, 0},
      {"no length bytes", FromU8({0x10, 5, 0}), NtfsRunListEnd::Refused, 0},
      {"nine offset bytes", FromU8({0x91, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}),
       NtfsRunListEnd::Refused, 0},
      {"zero clusters", FromU8({0x11, 0, 5, 0}), NtfsRunListEnd::Refused, 0},
      {"no end byte", FromU8({0x11, 1, 5}), NtfsRunListEnd::Truncated, 1},
      {"field cut off", FromU8({0x11, 1, 5, 0x21, 1}), NtfsRunListEnd::Truncated, 1},
  };
  for (const auto& c : cases) {
    NtfsRunListEnd end;
    EXPECT_EQ(Decode(c.list, v, &end).size(), c.kept) << c.what;
    EXPECT_EQ(end, c.end) << c.what;
  }
  NtfsRunListEnd end;
  EXPECT_EQ(Decode(FromU8({0x11, 1, 5, 0}), {0, 0, 0}, &end).size(), 0u);
  EXPECT_EQ(end, NtfsRunListEnd::Refused) << "no cluster size";
}

TEST(NtfsRunList, FixedArraysStopAtTheirCapacity) {
  ntfs_test::Bytes list;
  for (int i = 0; i < 2100; ++i)
    list.insert(list.end(), {std::byte{0x11}, std::byte{1}, std::byte{1}});
  list.push_back(std::byte{0});
  NtfsRunListEnd end;
  EXPECT_EQ(Decode(list, {0, 0, 1}, &end, NtfsRunArrays::kFixedCapacity).size(), 2000u);
  EXPECT_EQ(end, NtfsRunListEnd::Full);
  EXPECT_EQ(Decode(list, {0, 0, 1}, &end).size(), 2100u);
  EXPECT_EQ(end, NtfsRunListEnd::Complete);
}

// Cluster 0 of a volume at sector 0 (where $Boot lies) and a sparse run both start at sector 0:
// only the mark tells them apart.
TEST(NtfsRunList, MarksSparseRunsApartFromClusterZero) {
  NtfsRunArrays runs;
  // 2 clusters at cluster 0, 3 sparse, 1 at cluster 5.
  EXPECT_EQ(NtfsDecodeRunList(FromU8({0x11, 2, 0, 0x01, 3, 0x11, 1, 5, 0}), {0, 0, 8}, runs),
            NtfsRunListEnd::Complete);
  EXPECT_EQ(runs.starts, (std::vector<uint64_t>{0, 0, 40}));
  EXPECT_EQ(runs.lengths, (std::vector<uint64_t>{16, 24, 8}));
  EXPECT_EQ(runs.sparse, (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_FALSE(runs.IsSparse(0));
  EXPECT_TRUE(runs.IsSparse(1));
  runs.Clear();
  EXPECT_TRUE(runs.sparse.empty());
}

TEST(ExtentList, AppendsAtTheTailAndFreesLongLists) {
  ExtentList list;
  AppendExtentNode(list, 10, 8);
  AppendExtentNode(list, 0, 16, true);
  AppendExtentNode(list, 0, 2);
  AppendExtentNode(list, uint64_t{1} << 35, 4);
  std::vector<uint64_t> starts;
  std::vector<bool> sparse;
  for (ExtentNode* n = list.Head(); n; n = n->next.get()) {
    starts.push_back(n->startSector);
    sparse.push_back(n->sparse);
  }
  EXPECT_EQ(starts, (std::vector<uint64_t>{10, 0, 0, uint64_t{1} << 35}));
  EXPECT_EQ(sparse, (std::vector<bool>{false, true, false, false}));
  EXPECT_EQ(list.Count(), 4u);
  for (int i = 0; i < 1000000; ++i) AppendExtentNode(list, i, 1);
  list.Clear();  // no recursion: a million nodes free without exhausting the stack
  EXPECT_EQ(list.Head(), nullptr);
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
