#include "storage/vdisk/vhdx/VhdxImage.h"

#include <gtest/gtest.h>

#include "storage/vdisk/vhdx/VhdxGuid.h"
#include "tests/core/storage/vdisk/GuestSectors.h"

namespace {

using namespace vdisk_test;

constexpr uint64_t kMiB = 1 << 20;
constexpr uint64_t kLog = 1 * kMiB;
constexpr uint64_t kMetadata = 4 * kMiB;
constexpr uint64_t kBat = 5 * kMiB;

void PutGuid(std::vector<std::byte>& f, size_t at, const VhdxGuid& g) {
  if (f.size() < at + 16) f.resize(at + 16);
  std::copy(g.begin(), g.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
}

void PutHeader(std::vector<std::byte>& f, uint64_t at, uint64_t sequence) {
  PutText(f, at, "head");
  Put<uint64_t>(f, at + 8, sequence);
  Put<uint16_t>(f, at + 66, 1);
  Put<uint32_t>(f, at + 68, kMiB);
  Put<uint64_t>(f, at + 72, kLog);
}

struct Layout {
  uint32_t logicalSector = 512;
  uint32_t fileFlags = 0;
  bool parentLocator = false;
};

// A VHDX of 4 blocks of 1 MiB (4 MiB of guest disk): block 0 fully present at 0x300000, block 1
// in state zero, block 2 not present, block 3 fully present at 0x200000. The log occupies
// 1-2 MiB, the metadata region 4-5 MiB and the BAT 5-6 MiB.
std::vector<std::byte> MakeVhdx(const Layout& layout = {}) {
  std::vector<std::byte> f(6 * kMiB);
  PutText(f, 0, "vhdxfile");
  PutHeader(f, 0x10000, 1);
  PutHeader(f, 0x20000, 2);
  PutText(f, 0x30000, "regi");
  Put<uint32_t>(f, 0x30000 + 8, 2);
  PutGuid(f, 0x30000 + 16, kVhdxBatRegion);
  Put<uint64_t>(f, 0x30000 + 32, kBat);
  Put<uint32_t>(f, 0x30000 + 40, kMiB);
  Put<uint32_t>(f, 0x30000 + 44, 1);
  PutGuid(f, 0x30000 + 48, kVhdxMetadataRegion);
  Put<uint64_t>(f, 0x30000 + 64, kMetadata);
  Put<uint32_t>(f, 0x30000 + 72, kMiB);
  Put<uint32_t>(f, 0x30000 + 76, 1);

  PutText(f, kMetadata, "metadata");
  const VhdxGuid* items[] = {&kVhdxFileParameters,     &kVhdxVirtualDiskSize,
                             &kVhdxPage83Data,         &kVhdxLogicalSectorSize,
                             &kVhdxPhysicalSectorSize, &kVhdxParentLocator};
  const uint16_t count = layout.parentLocator ? 6 : 5;
  Put<uint16_t>(f, kMetadata + 10, count);
  for (uint16_t i = 0; i < count; ++i) {
    const size_t at = kMetadata + 32 + i * 32;
    PutGuid(f, at, *items[i]);
    Put<uint32_t>(f, at + 16, 0x10000 + i * 64);
    Put<uint32_t>(f, at + 20, i == 2 ? 16 : 8);
    Put<uint32_t>(f, at + 24, 4);
  }
  const size_t values = kMetadata + 0x10000;
  Put<uint32_t>(f, values, kMiB);
  Put<uint32_t>(f, values + 4, layout.fileFlags);
  Put<uint64_t>(f, values + 64, 4 * kMiB);
  Put<uint32_t>(f, values + 3 * 64, layout.logicalSector);
  Put<uint32_t>(f, values + 4 * 64, 4096);

  Put<uint64_t>(f, kBat + 0, 0x300000 | 6);
  Put<uint64_t>(f, kBat + 8, 2);
  Put<uint64_t>(f, kBat + 16, 0);
  Put<uint64_t>(f, kBat + 24, 0x200000 | 6);
  PutGuestSectors(f, 0x300000, 0, 2048);
  PutGuestSectors(f, 0x200000, 3 * 2048, 2048);
  return f;
}

int OpenWith(std::vector<std::byte> bytes) {
  MemoryFiles files;
  files.Put("/d/disk.vhdx", std::move(bytes));
  VhdxImage image(files.Opener());
  return image.Open("/d/disk.vhdx", nullptr);
}

TEST(VhdxImage, ReadsByTheBat) {
  for (uint32_t logical : {512u, 4096u}) {
    MemoryFiles files;
    files.Put("/d/disk.vhdx", MakeVhdx({logical}));
    VhdxImage image(files.Opener());
    ASSERT_EQ(image.Open("/d/disk.vhdx", nullptr), 1) << logical;
    EXPECT_EQ(image.DiskSizeBytes(), 8192u * 512);
    std::vector<std::byte> buf(512);
    // Sector 1 of block 0 comes from 0x300000 + 512, whatever the logical sector size.
    for (uint64_t s : {1u, 0u, 2047u, 3u * 2048u, 8191u}) {
      std::fill(buf.begin(), buf.end(), std::byte{0xEE});
      ASSERT_EQ(image.Read(s, buf), 1) << s;
      EXPECT_TRUE(HoldsGuestSector(buf, 0, s)) << logical << " " << s;
    }
    // Zero and not-present blocks read as zeros; a run may cross blocks.
    std::vector<std::byte> run(512 * 4);
    ASSERT_EQ(image.Read(2046, run), 1);
    EXPECT_TRUE(HoldsGuestSector(run, 0, 2046));
    EXPECT_TRUE(HoldsGuestSector(run, 1, 2047));
    EXPECT_TRUE(IsZero(std::span(run).subspan(1024)));
    ASSERT_EQ(image.Read(2 * 2048 + 5, buf), 1);
    EXPECT_TRUE(IsZero(buf));
    EXPECT_EQ(image.Read(8192, buf), 0);
    EXPECT_EQ(image.Read(8191, run), 0);
    EXPECT_TRUE(IsZero(run));
  }
}

TEST(VhdxImage, PartiallyPresentBlockFails) {
  MemoryFiles files;
  auto bytes = MakeVhdx();
  Put<uint64_t>(bytes, kBat + 16, 0x300000 | 7);
  files.Put("/d/disk.vhdx", bytes);
  VhdxImage image(files.Opener());
  ASSERT_EQ(image.Open("/d/disk.vhdx", nullptr), 1);
  std::vector<std::byte> buf(512, std::byte{0xEE});
  EXPECT_EQ(image.Read(2 * 2048, buf), 0);
  EXPECT_TRUE(IsZero(buf));
}

TEST(VhdxImage, HeaderChoice) {
  struct Case {
    const char* what;
    uint64_t seq1, seq2;
    bool breakFirst, differ;
    int expected;  // header chosen, -1 none
  } cases[] = {
      {"greater sequence wins", 5, 7, false, false, 1},
      {"first greater", 9, 7, false, false, 0},
      {"only the second valid", 9, 7, true, false, 1},
      {"equal and identical", 4, 4, false, false, 0},
      {"equal but different", 4, 4, false, true, -1},
  };
  for (const auto& c : cases) {
    std::vector<std::byte> h1(4096), h2(4096);
    PutHeader(h1, 0, c.seq1);
    PutHeader(h2, 0, c.seq2);
    if (c.breakFirst) Put<uint16_t>(h1, 66, 2);
    if (c.differ) Put<uint32_t>(h2, 68, 2 * kMiB);
    EXPECT_EQ(ChooseVhdxHeader(h1, h2), c.expected) << c.what;
  }
  auto f = MakeVhdx();
  Put<uint64_t>(f, 0x10000 + 8, 2);
  Put<uint32_t>(f, 0x10000 + 68, 2 * kMiB);
  EXPECT_EQ(OpenWith(f), 2);
}

TEST(VhdxImage, Refusals) {
  struct Case {
    const char* what;
    size_t offset;
    uint64_t value;
    int width;
  } cases[] = {
      {"not a vhdx file", 0, 0x656c696678646876 + 1, 8},
      {"region table signature", 0x30000, 0, 4},
      {"region over the log", 0x30000 + 32, kLog + 4096, 8},
      {"metadata signature", kMetadata, 0, 8},
      {"has-parent flag", kMetadata + 0x10000 + 4, 2, 4},
      {"block size below 1 MiB", kMetadata + 0x10000, kMiB / 2, 4},
      {"block size not a power of two", kMetadata + 0x10000, 3 * kMiB, 4},
      {"logical sector size 1024", kMetadata + 0x10000 + 192, 1024, 4},
      {"no guest disk", kMetadata + 0x10000 + 64, 0, 8},
      {"present block over the log", kBat, kLog | 6, 8},
      {"unknown required region", 0x30000 + 16, 0x1234, 8},
      {"metadata item outside the region", kMetadata + 32 + 16, kMiB, 4},
  };
  EXPECT_EQ(OpenWith(MakeVhdx()), 1);
  for (const auto& c : cases) {
    auto f = MakeVhdx();
    if (c.width == 8) Put<uint64_t>(f, c.offset, c.value);
    if (c.width == 4) Put<uint32_t>(f, c.offset, static_cast<uint32_t>(c.value));
    EXPECT_EQ(OpenWith(f), c.what == std::string("not a vhdx file") ? 0 : 2) << c.what;
  }
  EXPECT_EQ(OpenWith(MakeVhdx({512, 0, true})), 2) << "differencing disk";
}

TEST(VhdxImage, GuidsAreComparedInTheirStoredLayout) {
  // The BAT region's identifier written as its text reads (all fields big-endian) is another
  // identifier, so the table lacks its BAT.
  auto f = MakeVhdx();
  const std::byte textOrder[16] = {
      std::byte{0x2D}, std::byte{0xC2}, std::byte{0x77}, std::byte{0x66},
      std::byte{0xF6}, std::byte{0x23}, std::byte{0x42}, std::byte{0x00},
      std::byte{0x9D}, std::byte{0x64}, std::byte{0x11}, std::byte{0x5E},
      std::byte{0x9B}, std::byte{0xFD}, std::byte{0x4A}, std::byte{0x08}};
  std::copy(std::begin(textOrder), std::end(textOrder), f.begin() + 0x30000 + 16);
  EXPECT_EQ(OpenWith(f), 2);
  EXPECT_EQ(kVhdxBatRegion[0], std::byte{0x66});
  EXPECT_EQ(kVhdxBatRegion[8], std::byte{0x9D});
}

TEST(VhdxGeometry, ChunkRatioAndBatEntries) {
  struct Case {
    uint64_t size;
    uint32_t block, logical;
    uint32_t chunkRatio;
    uint64_t dataBlocks, batEntries;
  } cases[] = {
      {uint64_t{1} << 30, 32 << 20, 512, 128, 32, 32},
      {uint64_t{8} << 30, 32 << 20, 512, 128, 256, 257},
      {uint64_t{1} << 30, 1 << 20, 4096, 32768, 1024, 1024},
      {(uint64_t{1} << 30) + 512, 32 << 20, 512, 128, 33, 33},
  };
  for (const auto& c : cases) {
    VhdxGeometry g;
    g.virtualSize = c.size;
    g.blockSize = c.block;
    g.logicalSectorSize = c.logical;
    g.physicalSectorSize = 4096;
    ASSERT_TRUE(DeriveVhdxGeometry(g));
    EXPECT_EQ(g.chunkRatio, c.chunkRatio);
    EXPECT_EQ(g.dataBlocks, c.dataBlocks);
    EXPECT_EQ(g.batEntries, c.batEntries);
  }
}

}  // namespace
