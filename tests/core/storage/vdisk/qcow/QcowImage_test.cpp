#include "storage/vdisk/qcow/QcowImage.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "storage/vdisk/qed/QedImage.h"
#include "tests/core/storage/vdisk/VdiskTestImages.h"

namespace {

using vdisk_test::ClusterImageBuilder;
using vdisk_test::MemoryFiles;
using vdisk_test::SectorByte;
using vdisk_test::SectorHolds;
using Kind = ClusterImageBuilder::Kind;

constexpr uint64_t kBit63 = uint64_t{1} << 63;
constexpr uint64_t kBit62 = uint64_t{1} << 62;

// Opens bytes as "disk" with the reader of kind.
struct Opened {
  MemoryFiles files;
  std::unique_ptr<ClusteredImage> reader;
  int result = -1;

  Opened(Kind kind, std::vector<std::byte> bytes) {
    files.Put("disk", std::move(bytes));
    if (kind == Kind::Qed)
      reader = std::make_unique<QedImage>(files.Opener());
    else
      reader = std::make_unique<QcowImage>(files.Opener());
    result = reader->Open("disk", nullptr);
  }

  // Reads one 512-byte guest sector; the result and the bytes.
  std::pair<int, std::vector<std::byte>> Sector(uint64_t sector) {
    std::vector<std::byte> out(512, std::byte{0xEE});
    const int r = reader->Read(sector * 512, out);
    return {r, out};
  }
};

// 512-byte clusters for QCOW (64 entries per L2 table, 32 KiB per table), 4 KiB for QED.
ClusterImageBuilder SmallImage(Kind kind) {
  switch (kind) {
    case Kind::Qcow1:
      return ClusterImageBuilder(kind, 9, 128 * 1024, 6);
    case Kind::Qcow2:
      return ClusterImageBuilder(kind, 9, 128 * 1024);
    case Kind::Qed:
      break;
  }
  return ClusterImageBuilder(kind, 12, 8 * 1024 * 1024);
}

class ClusterFormats : public ::testing::TestWithParam<Kind> {};

TEST_P(ClusterFormats, WrittenClustersReadBackAndUnwrittenOnesAreZeros) {
  ClusterImageBuilder b = SmallImage(GetParam());
  const uint64_t sectorsPerCluster = b.ClusterBytes() / 512;
  const uint64_t entriesPerTable = b.ClusterBytes() / 8;  // also QCOW 1 here: 2^6 with 512 bytes
  // Clusters in the first table, in a later table (a second L1 entry), and the disk's last one.
  const uint64_t written[] = {0, 3, entriesPerTable + 1, 255};
  for (uint64_t c : written) b.Write(c);
  Opened image(GetParam(), b.Bytes());
  ASSERT_EQ(image.result, 1);
  for (uint64_t c : written) {
    for (uint64_t s : {c * sectorsPerCluster, (c + 1) * sectorsPerCluster - 1}) {
      auto [r, bytes] = image.Sector(s);
      EXPECT_EQ(r, 1) << s;
      EXPECT_TRUE(SectorHolds(bytes, SectorByte(s))) << s;
    }
  }
  // Unwritten: an empty L2 entry, and a range whose L1 entry is empty.
  for (uint64_t c : {uint64_t{1}, 2 * entriesPerTable + 5}) {
    auto [r, bytes] = image.Sector(c * sectorsPerCluster);
    EXPECT_EQ(r, 1) << c;
    EXPECT_TRUE(SectorHolds(bytes, std::byte{0})) << c;
  }
}

TEST_P(ClusterFormats, ReadsOutsideTheDiskFailWithZeros) {
  ClusterImageBuilder b = SmallImage(GetParam());
  b.Write(0);
  Opened image(GetParam(), b.Bytes());
  ASSERT_EQ(image.result, 1);
  const uint64_t diskBytes = image.reader->DiskSizeBytes();
  std::vector<std::byte> out(1024, std::byte{0xEE});
  EXPECT_EQ(image.reader->Read(diskBytes - 512, out), 0);  // runs past the end
  EXPECT_TRUE(SectorHolds(out, std::byte{0}));
  EXPECT_EQ(image.reader->Read(diskBytes, std::span(out).first(512)), 0);
  EXPECT_EQ(image.reader->Read(0, std::span(out).first(0)), 0);
}

TEST_P(ClusterFormats, ARangeAcrossClustersIsReadPieceByPiece) {
  ClusterImageBuilder b = SmallImage(GetParam());
  b.Write(0);
  b.Write(1);
  Opened image(GetParam(), b.Bytes());
  const uint64_t c = b.ClusterBytes();
  std::vector<std::byte> out(1024);
  ASSERT_EQ(image.reader->Read(c - 512, out), 1);
  EXPECT_TRUE(SectorHolds(std::span(out).first(512), SectorByte(c / 512 - 1)));
  EXPECT_TRUE(SectorHolds(std::span(out).subspan(512), SectorByte(c / 512)));
}

TEST_P(ClusterFormats, DataOrTablesBeyondTheFileFail) {
  ClusterImageBuilder b = SmallImage(GetParam());
  b.Write(0);
  b.Write(1);
  std::vector<std::byte> bytes = b.Bytes();
  bytes.resize(bytes.size() - 512);  // the last data cluster is cut short
  Opened image(GetParam(), bytes);
  ASSERT_EQ(image.result, 1);
  const uint64_t sectorsPerCluster = b.ClusterBytes() / 512;
  EXPECT_EQ(image.Sector(0).first, 1);
  auto [r, out] = image.Sector(2 * sectorsPerCluster - 1);
  EXPECT_EQ(r, 0);
  EXPECT_TRUE(SectorHolds(out, std::byte{0}));

  // An L1 entry naming a table past the end of the file.
  ClusterImageBuilder far = SmallImage(GetParam());
  far.Write(0);
  far.SetL1(0, uint64_t{1} << 40);
  Opened farImage(GetParam(), far.Bytes());
  ASSERT_EQ(farImage.result, 1);
  EXPECT_EQ(farImage.Sector(0).first, 0);
}

INSTANTIATE_TEST_SUITE_P(Readers, ClusterFormats,
                         ::testing::Values(Kind::Qcow1, Kind::Qcow2, Kind::Qed),
                         [](const auto& info) {
                           return info.param == Kind::Qcow1   ? "Qcow1"
                                  : info.param == Kind::Qcow2 ? "Qcow2"
                                                              : "Qed";
                         });

TEST(QcowImage, FlagBitsOfVersion2EntriesAreNotPartOfTheOffset) {
  ClusterImageBuilder b(Kind::Qcow2, 9, 128 * 1024);
  const uint64_t data = b.Write(0);
  b.Write(70);  // second table
  // "Copied" (bit 63) on the L1 and L2 entries, as images written by a running machine carry.
  b.SetL1(0, b.L1(0) | kBit63);
  b.SetL2(0, data | kBit63);
  Opened image(Kind::Qcow2, b.Bytes());
  ASSERT_EQ(image.result, 1);
  auto [r, bytes] = image.Sector(0);
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(SectorHolds(bytes, SectorByte(0)));
  EXPECT_TRUE(SectorHolds(image.Sector(70).second, SectorByte(70)));
}

TEST(QcowImage, CompressedClustersFailToRead) {
  struct Case {
    Kind kind;
    uint64_t flag;
  } cases[] = {{Kind::Qcow2, kBit62}, {Kind::Qcow1, kBit63}};
  for (const Case& c : cases) {
    ClusterImageBuilder b(c.kind, 9, 128 * 1024, 6);
    b.SetL2(0, b.Write(0) | c.flag);
    Opened image(c.kind, b.Bytes());
    ASSERT_EQ(image.result, 1);
    auto [r, bytes] = image.Sector(0);
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(SectorHolds(bytes, std::byte{0}));
  }
}

TEST(QcowImage, AFreshImageEndsRightAfterItsL1Table) {
  // 4 KiB clusters: the 2-entry L1 table is 16 bytes, far less than a cluster.
  ClusterImageBuilder b(Kind::Qcow2, 12, 4 * 1024 * 1024);
  std::vector<std::byte> bytes = b.Bytes();
  ASSERT_EQ(bytes.size(), b.L1Offset() + 16);
  Opened image(Kind::Qcow2, bytes);
  ASSERT_EQ(image.result, 1);
  auto [r, out] = image.Sector(5000);
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(SectorHolds(out, std::byte{0}));
}

TEST(QcowImage, SixtyFourKiBClustersHave8192EntriesPerTable) {
  ClusterImageBuilder b(Kind::Qcow2, 16, uint64_t{2} << 30);
  b.Write(8192);  // guest offset 0x10000 × 8192: the first cluster of L1 entry 1
  Opened image(Kind::Qcow2, b.Bytes());
  ASSERT_EQ(image.result, 1);
  EXPECT_NE(b.L1(1), 0u);
  const uint64_t sector = uint64_t{0x10000} * 8192 / 512;
  EXPECT_TRUE(SectorHolds(image.Sector(sector).second, SectorByte(sector)));
}

TEST(QcowImage, OpenResults) {
  using Edit = std::function<void(ClusterImageBuilder&)>;
  struct Case {
    const char* what;
    Kind kind;
    Edit edit;
    int result;
  } cases[] = {
      {"version 2", Kind::Qcow2, [](auto&) {}, 1},
      {"version 1", Kind::Qcow1, [](auto&) {}, 1},
      {"wrong magic", Kind::Qcow2, [](auto& b) { b.File().Be32(0, 0x514649FC); }, 0},
      {"version 3", Kind::Qcow2, [](auto& b) { b.File().Be32(4, 3); }, 0},
      {"version 0", Kind::Qcow2, [](auto& b) { b.File().Be32(4, 0); }, 0},
      {"backing file", Kind::Qcow2, [](auto& b) { b.File().Be64(8, 200); }, 2},
      {"version 1 backing file", Kind::Qcow1, [](auto& b) { b.File().Be64(8, 200); }, 2},
      {"encrypted", Kind::Qcow2, [](auto& b) { b.File().Be32(32, 1); }, 2},
      {"version 1 encrypted", Kind::Qcow1, [](auto& b) { b.File().Be32(36, 1); }, 2},
      {"snapshot", Kind::Qcow2, [](auto& b) { b.File().Be32(60, 1); }, 2},
      {"cluster bits 8", Kind::Qcow2, [](auto& b) { b.File().Be32(20, 8); }, 2},
      {"cluster bits 22", Kind::Qcow2, [](auto& b) { b.File().Be32(20, 22); }, 2},
      {"version 1 cluster bits 17", Kind::Qcow1,
       [](auto& b) { b.File().Fill(32, 1, std::byte{17}); }, 2},
      {"version 1 L2 bits 14", Kind::Qcow1, [](auto& b) { b.File().Fill(33, 1, std::byte{14}); },
       2},
      {"L1 too short for the disk", Kind::Qcow2, [](auto& b) { b.File().Be32(36, 3); }, 2},
      {"L1 past the file", Kind::Qcow2, [](auto& b) { b.File().Be64(40, 1u << 20); }, 2},
      {"L1 not on a cluster", Kind::Qcow2, [](auto& b) { b.File().Be64(40, 520); }, 2},
      {"L1 count beyond the file", Kind::Qcow2, [](auto& b) { b.File().Be32(36, 0xFFFFFFFF); }, 2},
      {"disk of 2^60 bytes", Kind::Qcow1, [](auto& b) { b.File().Be64(24, uint64_t{1} << 60); }, 2},
      {"header cut short", Kind::Qcow2, [](auto& b) { b.File().bytes.resize(60); }, 2},
      {"four bytes", Kind::Qcow2, [](auto& b) { b.File().bytes.resize(4); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClusterImageBuilder b(c.kind, 9, 128 * 1024, 6);
    b.Write(0);
    c.edit(b);
    Opened image(c.kind, b.Bytes());
    EXPECT_EQ(image.result, c.result);
    if (c.result != 1) {
      EXPECT_EQ(image.Sector(0).first, 0);  // nothing stays open
    }
  }
  MemoryFiles none;
  QcowImage missing(none.Opener());
  EXPECT_EQ(missing.Open("absent", nullptr), 3);
}

TEST(QedImage, AZeroClusterEntryReadsAsZeros) {
  ClusterImageBuilder b(Kind::Qed, 12, 8 * 1024 * 1024);
  b.Write(0);
  b.Write(1);
  b.SetL2(1, 1);
  Opened image(Kind::Qed, b.Bytes());
  ASSERT_EQ(image.result, 1);
  auto [r, out] = image.Sector(8);
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(SectorHolds(out, std::byte{0}));
  EXPECT_TRUE(SectorHolds(image.Sector(7).second, SectorByte(7)));
}

TEST(QedImage, OpenResults) {
  using Edit = std::function<void(ClusterImageBuilder&)>;
  struct Case {
    const char* what;
    Edit edit;
    int result;
  } cases[] = {
      {"as built", [](auto&) {}, 1},
      {"wrong magic", [](auto& b) { b.File().Text(0, "QEF"); }, 0},
      {"size not whole sectors", [](auto& b) { b.File().Le64(48, 1000000); }, 0},
      {"backing file", [](auto& b) { b.File().Le64(16, 1); }, 2},
      {"unknown feature", [](auto& b) { b.File().Le64(16, 8); }, 2},
      {"not closed cleanly", [](auto& b) { b.File().Le64(16, 2); }, 1},
      {"cluster size not a power of two", [](auto& b) { b.File().Le32(4, 5000); }, 2},
      {"cluster size 2 KiB", [](auto& b) { b.File().Le32(4, 2048); }, 2},
      {"table size 3", [](auto& b) { b.File().Le32(8, 3); }, 2},
      {"table size 32", [](auto& b) { b.File().Le32(8, 32); }, 2},
      {"L1 at 0", [](auto& b) { b.File().Le64(40, 0); }, 2},
      {"L1 not on a cluster", [](auto& b) { b.File().Le64(40, 4608); }, 2},
      {"L1 past the file", [](auto& b) { b.File().Le64(40, uint64_t{1} << 30); }, 2},
      {"disk larger than the tables map", [](auto& b) { b.File().Le64(48, uint64_t{1} << 31); }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClusterImageBuilder b(Kind::Qed, 12, 8 * 1024 * 1024);
    b.Write(0);
    c.edit(b);
    Opened image(Kind::Qed, b.Bytes());
    EXPECT_EQ(image.result, c.result);
  }
}

}  // namespace
