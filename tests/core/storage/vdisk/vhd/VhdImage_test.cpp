#include "storage/vdisk/vhd/VhdImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "storage/vdisk/vhd/VhdParents.h"
#include "tests/core/storage/StorageTestUtil.h"
#include "tests/core/storage/vdisk/VdiskTestImages.h"

namespace {

using vdisk_test::MemoryFiles;
using vdisk_test::SectorByte;
using vdisk_test::SectorHolds;
using vdisk_test::VhdBuilder;
using vdisk_test::WriteFile;

struct OpenedVhd {
  MemoryFiles files;
  VhdImage reader{files.Opener()};
  int result = -1;

  explicit OpenedVhd(std::vector<std::byte> bytes) {
    files.Put("disk.vhd", std::move(bytes));
    result = reader.Open("disk.vhd", nullptr);
  }
};

std::pair<int, std::vector<std::byte>> ReadSector(VhdImage& reader, uint64_t s) {
  std::vector<std::byte> out(512, std::byte{0xEE});
  const int r = reader.Read(s, out);
  return {r, out};
}

TEST(VhdImage, FixedDiskReadsFromFileOffsetZeroAndStopsAtTheFooter) {
  VhdBuilder b(VhdBuilder::kFixed, 64 * 512);
  for (uint64_t s : {0, 1, 63}) b.WriteSector(s, 0);
  std::vector<std::byte> bytes = b.Bytes();
  ASSERT_EQ(bytes.size(), 65u * 512);
  OpenedVhd disk(bytes);
  ASSERT_EQ(disk.result, 1);
  EXPECT_EQ(disk.reader.DiskType(), VhdDiskType::Fixed);
  EXPECT_EQ(disk.reader.DiskSizeBytes(), 64u * 512);
  std::vector<std::byte> two(1024);
  ASSERT_EQ(disk.reader.Read(0, two), 1);
  EXPECT_TRUE(SectorHolds(std::span(two).first(512), SectorByte(0)));
  EXPECT_TRUE(SectorHolds(std::span(two).subspan(512), SectorByte(1)));
  EXPECT_TRUE(SectorHolds(ReadSector(disk.reader, 63).second, SectorByte(63)));
  EXPECT_EQ(ReadSector(disk.reader, 64).first, 0);  // the footer is not a sector of the disk
}

TEST(VhdImage, DynamicDiskWithTwoMiBBlocksPlacesSector5000AfterTheBitmapOfBlock1) {
  VhdBuilder b(VhdBuilder::kDynamic, 8 << 20, 2 << 20);
  b.WriteSector(5000, 0);
  b.WriteSector(0, 0);
  OpenedVhd disk(b.Bytes());
  ASSERT_EQ(disk.result, 1);
  // Block 1 was allocated first: sector 5000 lies at entry[1] + 1 bitmap sector + 904.
  const uint64_t at = (uint64_t{b.TableEntry(1)} + 1 + 904) * 512;
  std::vector<std::byte> file = b.Bytes();
  EXPECT_TRUE(SectorHolds(std::span(file).subspan(at, 512), SectorByte(5000)));
  EXPECT_TRUE(SectorHolds(ReadSector(disk.reader, 5000).second, SectorByte(5000)));
  EXPECT_TRUE(SectorHolds(ReadSector(disk.reader, 0).second, SectorByte(0)));
}

TEST(VhdImage, UnallocatedDynamicBlocksReadAsZerosWithSuccess) {
  VhdBuilder b(VhdBuilder::kDynamic, 64 * 512);
  b.WriteSector(3, 0);
  OpenedVhd disk(b.Bytes());
  ASSERT_EQ(disk.result, 1);
  auto [r, out] = ReadSector(disk.reader, 40);
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(SectorHolds(out, std::byte{0}));
  // A run over a written and an unwritten block.
  std::vector<std::byte> run(16 * 512);
  ASSERT_EQ(disk.reader.Read(0, run), 1);
  EXPECT_TRUE(SectorHolds(std::span(run).subspan(3 * 512, 512), SectorByte(3)));
  EXPECT_TRUE(SectorHolds(std::span(run).subspan(9 * 512), std::byte{0}));
}

TEST(VhdImage, ADiskWhoseEndWasCutOpensFromTheFooterCopyAtItsStart) {
  VhdBuilder b(VhdBuilder::kDynamic, 64 * 512);
  b.WriteSector(3, 0);
  std::vector<std::byte> bytes = b.Bytes();
  bytes.resize(bytes.size() - 300);
  OpenedVhd disk(bytes);
  ASSERT_EQ(disk.result, 1);
  EXPECT_TRUE(SectorHolds(ReadSector(disk.reader, 3).second, SectorByte(3)));
}

TEST(VhdImage, OpenResults) {
  using Edit = std::function<void(VhdBuilder&)>;
  struct Case {
    const char* what;
    uint32_t type;
    Edit edit;
    int result;
  } cases[] = {
      {"dynamic", VhdBuilder::kDynamic, [](auto&) {}, 1},
      {"differencing", VhdBuilder::kDifferencing, [](auto&) {}, 1},
      {"fixed", VhdBuilder::kFixed, [](auto&) {}, 1},
      {"disk type 5", VhdBuilder::kDynamic, [](auto& b) { b.footerBe32[60] = 5; }, 2},
      {"disk type 0", VhdBuilder::kFixed, [](auto& b) { b.footerBe32[60] = 0; }, 2},
      {"fixed disk larger than its file", VhdBuilder::kFixed,
       [](auto& b) { b.footerBe32[52] = 65 * 512; }, 2},
      {"size not whole sectors", VhdBuilder::kDynamic,
       [](auto& b) { b.footerBe32[52] = 64 * 512 + 1; }, 2},
      {"no dynamic header there", VhdBuilder::kDynamic, [](auto& b) { b.footerBe32[20] = 1024; },
       2},
      {"block size 1000", VhdBuilder::kDynamic, [](auto& b) { b.headerBe32[32] = 1000; }, 2},
      {"block size 256", VhdBuilder::kDynamic, [](auto& b) { b.headerBe32[32] = 256; }, 2},
      {"table too short for the disk", VhdBuilder::kDynamic, [](auto& b) { b.headerBe32[28] = 7; },
       2},
      {"table beyond the file", VhdBuilder::kDynamic,
       [](auto& b) { b.headerBe32[28] = 0x10000000; }, 2},
      {"table offset past the end", VhdBuilder::kDynamic,
       [](auto& b) { b.headerBe32[20] = 0x100000; }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VhdBuilder b(c.type, 64 * 512);
    b.WriteSector(3, 0);
    c.edit(b);
    OpenedVhd disk(b.Bytes());
    EXPECT_EQ(disk.result, c.result);
    if (c.result != 1) {
      EXPECT_EQ(ReadSector(disk.reader, 3).first, 0);
    }
  }
  OpenedVhd notVhd(std::vector<std::byte>(4096, std::byte{7}));
  EXPECT_EQ(notVhd.result, 0);
  OpenedVhd tiny(std::vector<std::byte>(100));
  EXPECT_EQ(tiny.result, 0);
  MemoryFiles none;
  VhdImage missing(none.Opener());
  EXPECT_EQ(missing.Open("absent.vhd", nullptr), 3);
}

// A chain of disks in a temporary folder: base (dynamic), then differencing disks on top.
class VhdChain : public ::testing::Test {
 public:
  static constexpr uint64_t kDiskBytes = 64 * 512;

  std::string Path(const std::string& name) const { return dir_.path() + "/" + name; }

  // Sectors 0-15 written in the base (salt 1), 4-7 and 20 in the middle (salt 2), 6 and 21 in
  // the top (salt 3), so every sector's source is known.
  void MakeChain(bool withMiddle) {
    VhdBuilder base(VhdBuilder::kDynamic, kDiskBytes);
    base.SetId(1);
    for (uint64_t s = 0; s < 16; ++s) base.WriteSector(s, 1);
    WriteFile(Path("base.vhd"), base.Bytes());
    Uuid below = base.Id();
    std::u16string belowName = u"C:\\VMs\\base.vhd";
    if (withMiddle) {
      VhdBuilder middle(VhdBuilder::kDifferencing, kDiskBytes);
      middle.SetId(2);
      middle.SetParent(below, belowName);
      for (uint64_t s : {4, 5, 6, 7, 20}) middle.WriteSector(s, 2);
      WriteFile(Path("middle.avhd"), middle.Bytes());
      below = middle.Id();
      belowName = u"middle.avhd";
    }
    VhdBuilder top(VhdBuilder::kDifferencing, kDiskBytes);
    top.SetId(3);
    top.SetParent(below, belowName);
    for (uint64_t s : {6, 21}) top.WriteSector(s, 3);
    WriteFile(Path("top.avhd"), top.Bytes());
  }

  VhdParentResult OpenTop() {
    EXPECT_EQ(disk_.Open(Path("top.avhd"), nullptr), 1);
    return OpenVhdParents(disk_, Path("top.avhd"), parent_, grandparent_);
  }

  storage_test::TempDir dir_;
  VhdImage disk_, parent_, grandparent_;
};

TEST_F(VhdChain, EachSectorComesFromTheNearestDiskThatWroteIt) {
  MakeChain(/*withMiddle=*/true);
  ASSERT_EQ(OpenTop(), VhdParentResult::Opened);
  struct Expect {
    uint64_t sector;
    std::byte value;
  } expected[] = {
      {0, SectorByte(0, 1)},   {4, SectorByte(4, 2)},   {6, SectorByte(6, 3)},
      {7, SectorByte(7, 2)},   {15, SectorByte(15, 1)}, {20, SectorByte(20, 2)},
      {21, SectorByte(21, 3)}, {40, std::byte{0}},  // written nowhere
  };
  for (const Expect& e : expected) {
    auto [r, out] = ReadSector(disk_, e.sector);
    EXPECT_EQ(r, 1) << e.sector;
    EXPECT_TRUE(SectorHolds(out, e.value)) << e.sector;
  }
  // One run across all three sources.
  std::vector<std::byte> run(8 * 512);
  ASSERT_EQ(disk_.Read(2, run), 1);
  for (uint64_t i = 0; i < 8; ++i) {
    const uint64_t s = 2 + i;
    const uint8_t salt = s == 6 ? 3 : (s >= 4 && s <= 7 ? 2 : 1);
    EXPECT_TRUE(SectorHolds(std::span(run).subspan(i * 512, 512), SectorByte(s, salt))) << s;
  }
}

TEST_F(VhdChain, AParentRecordedWithAWindowsPathIsFoundInTheChildsFolder) {
  MakeChain(/*withMiddle=*/false);
  EXPECT_EQ(VhdParentCandidates(Path("top.avhd"), "C:\\VMs\\base.vhd").back(), Path("base.vhd"));
  ASSERT_EQ(OpenTop(), VhdParentResult::Opened);
  EXPECT_TRUE(SectorHolds(ReadSector(disk_, 0).second, SectorByte(0, 1)));
  EXPECT_TRUE(SectorHolds(ReadSector(disk_, 6).second, SectorByte(6, 3)));
}

TEST_F(VhdChain, ParentProblemsAreReported) {
  struct Case {
    const char* what;
    std::function<void(VhdChain&)> damage;
    VhdParentResult result;
  } cases[] = {
      {"parent missing", [](VhdChain& t) { std::filesystem::remove(t.Path("middle.avhd")); },
       VhdParentResult::NotFound},
      {"grandparent missing", [](VhdChain& t) { std::filesystem::remove(t.Path("base.vhd")); },
       VhdParentResult::NotFound},
      {"parent of another identity",
       [](VhdChain& t) {
         VhdBuilder other(VhdBuilder::kDynamic, kDiskBytes);
         other.SetId(9);
         WriteFile(t.Path("middle.avhd"), other.Bytes());
       },
       VhdParentResult::NotFound},
      {"parent damaged",
       [](VhdChain& t) {
         WriteFile(t.Path("middle.avhd"), std::vector<std::byte>(4096, std::byte{1}));
       },
       VhdParentResult::Damaged},
      {"a fourth disk below",
       [](VhdChain& t) {
         VhdBuilder base(VhdBuilder::kDifferencing, kDiskBytes);
         base.SetId(1);
         base.SetParent(Uuid{}, u"older.vhd");
         WriteFile(t.Path("base.vhd"), base.Bytes());
       },
       VhdParentResult::Damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeChain(/*withMiddle=*/true);
    c.damage(*this);
    EXPECT_EQ(OpenTop(), c.result);
  }
}

}  // namespace
