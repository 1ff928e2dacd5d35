#include "storage/fat/FatChain.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/core/storage/fat/FatTestImage.h"

using fat_test::MemoryVolume;
using fat_test::SmallFat;

namespace {

// Writes FAT entries into the first table (sector 1) of a memory volume.
struct FatWriter {
  MemoryVolume& disk;
  int bits;
  uint64_t tableStart = 1;
  void Set(uint32_t c, uint32_t value) {
    const uint64_t base = tableStart * 512;
    if (bits == 16) {
      disk.Put16At(base + c * 2, value);
    } else if (bits == 32) {
      disk.Put32At(base + c * 4, value);
    } else {
      const uint64_t at = base + c * 3 / 2;
      std::byte* p = disk.Sector(0) + at;
      uint32_t pair = std::to_integer<uint32_t>(p[0]) | std::to_integer<uint32_t>(p[1]) << 8;
      pair = (c & 1) ? (pair & 0x000F) | (value << 4) : (pair & 0xF000) | (value & 0x0FFF);
      disk.Put16At(at, pair);
    }
  }
  // c0 -> c1 -> ... -> end mark
  void Chain(const std::vector<uint32_t>& clusters, uint32_t endMark) {
    for (size_t i = 0; i < clusters.size(); ++i)
      Set(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : endMark);
  }
};

std::vector<uint32_t> Follow(const FatVolume& v, uint32_t first, uint32_t cap = 0) {
  ClusterList list;
  FollowFatChain(v, list, first, cap);
  return list.Clusters();
}

std::vector<uint32_t> Range(uint32_t from, uint32_t count) {
  std::vector<uint32_t> r;
  for (uint32_t i = 0; i < count; ++i) r.push_back(from + i);
  return r;
}

}  // namespace

TEST(FatChain, NodesLinkInChainOrderAndListTruncates) {
  ClusterList list;
  for (uint32_t c : {7u, 3u, 9u}) AppendClusterNode(list, c);
  std::vector<uint32_t> linked;
  for (ClusterNode* n = list.head(); n; n = n->next) linked.push_back(n->cluster);
  EXPECT_EQ(linked, (std::vector<uint32_t>{7, 3, 9}));
  list.Truncate(2);
  EXPECT_EQ(list.head()->next->next, nullptr);
  list.Clear();
  EXPECT_EQ(list.head(), nullptr);
  EXPECT_EQ(MakeLeUInt32(0x78, 0x56, 0x34, 0x12), 0x12345678u);
}

// Which stored values end a chain and which continue it, for every FAT width.
TEST(FatChain, EndMarksBadClusterFreeAndOutOfRangeValuesEndTheChain) {
  struct Case {
    int bits;
    uint32_t value;
    bool continues;
  };
  const Case cases[] = {
      {16, 0xFFFF, false},
      {16, 0xFFF8, false},
      {16, 0xFFFE, false},
      {16, 0xFFF7, false},
      {16, 0, false},
      {16, 1, false},
      {16, 999, true},
      {16, 1000, false},
      {12, 0xFFF, false},
      {12, 0xFF8, false},
      {12, 0xFF7, false},
      {12, 0x234, true},
      {32, 0x0FFFFFFF, false},
      {32, 0x0FFFFFF8, false},
      {32, 0x0FFFFFF7, false},
      {32, 0xFFFFFFFF, false},
      {32, 6, true},
      // The top four bits of a FAT32 entry are not part of the cluster number.
      {32, 0xF0000006, true},
  };
  for (const Case& c : cases) {
    MemoryVolume disk(64);
    FatVolume v = SmallFat(c.bits, 8);
    FatWriter w{disk, c.bits};
    w.Set(5, c.value);
    w.Set(6, c.bits == 12 ? 0xFFF : c.bits == 16 ? 0xFFFF : 0x0FFFFFFF);
    w.Set(0x234, 0xFFF);
    const auto chain = Follow(v, 5);
    SCOPED_TRACE(testing::Message() << "FAT" << c.bits << " value 0x" << std::hex << c.value);
    EXPECT_EQ(chain.size(), c.continues ? 2u : 1u);
    if (c.continues) {
      EXPECT_EQ(chain[1], c.value & 0x0FFFFFFF);
    }
  }
}

TEST(FatChain, Fat16ChainStopsAtAllOnes) {
  MemoryVolume disk(64);
  FatWriter w{disk, 16};
  w.Chain({5, 6}, 0xFFFF);
  EXPECT_EQ(Follow(SmallFat(16), 5), (std::vector<uint32_t>{5, 6}));
}

// The FAT12 example: cluster 3 (odd) at FAT bytes 4 and 5 = 0x45 0x23 gives 0x234.
TEST(FatChain, Fat12OddAndEvenEntriesAndAnEntryAcrossASectorEnd) {
  MemoryVolume disk(64);
  disk.Sector(1)[4] = std::byte{0x45};
  disk.Sector(1)[5] = std::byte{0x23};
  FatVolume v = SmallFat(12, 8, 2000);
  FatTable table(v, v.fat1Start);
  EXPECT_EQ(table.Entry(3), 0x234u);
  EXPECT_EQ(table.Entry(2), 0x500u);  // byte 3 and the low nibble of byte 4

  // Cluster 341's entry starts at byte 511: its high bits lie in the next FAT sector.
  FatWriter w{disk, 12};
  w.Chain({340, 341, 342, 1200}, 0xFFF);
  EXPECT_EQ(Follow(v, 340), (std::vector<uint32_t>{340, 341, 342, 1200}));
}

TEST(FatChain, DeletedFolderCapKeepsTwentySixClusters) {
  for (int bits : {12, 16, 32}) {
    MemoryVolume disk(64);
    FatWriter w{disk, bits};
    w.Chain(Range(10, 40), bits == 12 ? 0xFFF : 0x0FFFFFFF);
    FatVolume v = SmallFat(bits, 8);
    SCOPED_TRACE(bits);
    EXPECT_EQ(Follow(v, 10, kDeletedFolderCap), Range(10, 26));
    EXPECT_EQ(Follow(v, 10, 0), Range(10, 40));
  }
}

// A damaged FAT can loop; the walk keeps each cluster once and ends.
TEST(FatChain, CyclesEndBeforeTheFirstRepeatedCluster) {
  struct Case {
    std::vector<uint32_t> path;  // the FAT sends the last cluster back to loopTo
    uint32_t loopTo;
  };
  const Case cases[] = {{{5}, 5}, {{2, 3, 4}, 2}, {{2, 3, 4, 5}, 3}, {Range(100, 300), 150}};
  for (const Case& c : cases) {
    MemoryVolume disk(64);
    FatWriter w{disk, 32};
    w.Chain(c.path, c.loopTo);
    SCOPED_TRACE(c.path.size());
    EXPECT_EQ(Follow(SmallFat(32, 8), c.path.front()), c.path);
  }
}

// A loop that the count bound of a capped or copy walk reaches first is still cut at its repeat.
TEST(FatChain, BoundedWalksKeepNoClusterTwice) {
  MemoryVolume disk(64);
  FatWriter w{disk, 16};
  w.Chain(Range(10, 20), 12);  // 10 .. 29, then back to 12
  FatVolume v = SmallFat(16, 8);
  EXPECT_EQ(Follow(v, 10, kDeletedFolderCap), Range(10, 20));
  ClusterList copy;
  ReadFatChainForCopy(v, copy, 10, v.fat1Start, 24);
  EXPECT_EQ(copy.Clusters(), Range(10, 20));
}

TEST(FatChain, UnreadableFatSectorEndsTheChain) {
  MemoryVolume disk(64);
  FatWriter w{disk, 16};
  w.Chain({5, 300, 301}, 0xFFFF);  // 300's entry lies in FAT sector 1 (disk sector 2)
  disk.Plan().badSectors.insert(2);
  g_BadSectorChoice = 3;  // skip all: no question
  EXPECT_EQ(Follow(SmallFat(16), 5), (std::vector<uint32_t>{5, 300}));
}

TEST(FatChain, OtherFileSystemsAppendNothingAndTheFirstClusterIsKeptAsGiven) {
  MemoryVolume disk(64);
  FatVolume none = SmallFat(16);
  none.bits = 0;
  EXPECT_TRUE(Follow(none, 5).empty());
  EXPECT_EQ(Follow(SmallFat(16), 0), (std::vector<uint32_t>{0}));
}

TEST(FatChain, CopyChainStopsOneClusterPastTheExpectedCountAndReadsEitherTable) {
  MemoryVolume disk(64);
  FatWriter first{disk, 16, 1};
  FatWriter second{disk, 16, 5};
  first.Chain({10, 11, 12, 13, 14}, 0xFFFF);
  second.Chain({10, 20, 21}, 0xFFFF);
  FatVolume v = SmallFat(16, 4);
  auto chain = [&](uint64_t table, uint64_t n) {
    ClusterList list;
    ReadFatChainForCopy(v, list, 10, table, n);
    return list.Clusters();
  };
  EXPECT_EQ(chain(1, 3), (std::vector<uint32_t>{10, 11, 12, 13}));
  EXPECT_EQ(chain(1, 5), (std::vector<uint32_t>{10, 11, 12, 13, 14}));
  EXPECT_EQ(chain(5, 3), (std::vector<uint32_t>{10, 20, 21}));
  EXPECT_EQ(chain(1, 0), (std::vector<uint32_t>{10}));
  EXPECT_EQ(chain(0, 3), (std::vector<uint32_t>{10}));
}
