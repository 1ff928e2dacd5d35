#include "storage/vdisk/parallels/ParallelsImage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/core/storage/vdisk/GuestSectors.h"

namespace {

using namespace vdisk_test;

constexpr uint32_t kSectorsPerBlock = 8;

// A Parallels image of 4 blocks of 8 sectors (32 guest sectors): block 0 at file sector 8,
// block 1 unallocated, block 2 at file sector 16, block 3 at file sector 24.
std::vector<std::byte> MakeImage() {
  std::vector<std::byte> f(512 * 8);
  PutText(f, 0, "WithoutFreeSpace");
  Put<uint32_t>(f, 16, 2);
  Put<uint32_t>(f, 20, 16);  // heads
  Put<uint32_t>(f, 24, 40);  // cylinders
  Put<uint32_t>(f, 28, kSectorsPerBlock);
  Put<uint32_t>(f, 32, 4);
  Put<uint32_t>(f, 36, 32);
  const uint32_t table[] = {8, 0, 16, 24};
  for (int i = 0; i < 4; ++i) Put<uint32_t>(f, 64 + i * 4, table[i]);
  PutGuestSectors(f, 8 * 512, 0, 8);
  PutGuestSectors(f, 16 * 512, 16, 8);
  PutGuestSectors(f, 24 * 512, 24, 8);
  return f;
}

TEST(ParallelsImage, OpenResults) {
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
    int expected;
  } cases[] = {
      {"valid", 16, 2, 1},
      {"wrong signature", 0, 0x68746958, 0},
      {"version 3", 16, 3, 2},
      {"no sectors per block", 28, 0, 2},
      {"more than 0x40000000 entries", 32, 0x40000001, 2},
      {"table past the end of the file", 32, 5000, 2},
      {"guest larger than the table maps", 36, 33, 2},
      {"guest of 2 TiB over a table of 4 blocks", 36, 0xFFFFFFFF, 2},
      {"guest smaller than the table maps", 36, 31, 1},
  };
  for (const auto& c : cases) {
    MemoryFiles files;
    auto bytes = MakeImage();
    Put<uint32_t>(bytes, c.offset, c.value);
    files.Put("/d/disk.hdd", bytes);
    ParallelsImage image(files.Opener());
    EXPECT_EQ(image.Open("/d/disk.hdd", nullptr), c.expected) << c.what;
  }
  MemoryFiles none;
  ParallelsImage image(none.Opener());
  EXPECT_EQ(image.Open("/d/missing.hdd", nullptr), 3);
}

TEST(ParallelsImage, ReadsThroughTheTable) {
  MemoryFiles files;
  files.Put("/d/disk.hdd", MakeImage());
  ParallelsImage image(files.Opener());
  ASSERT_EQ(image.Open("/d/disk.hdd", nullptr), 1);
  std::vector<std::byte> buf(512);
  for (uint64_t s : {0u, 7u, 16u, 23u, 24u, 31u}) {
    ASSERT_EQ(image.Read(s * 512, buf), 1) << s;
    EXPECT_TRUE(HoldsGuestSector(buf, 0, s)) << s;
  }
  // A block never written reads as zeros, and a read may run over block edges.
  std::fill(buf.begin(), buf.end(), std::byte{0xEE});
  EXPECT_EQ(image.Read(9 * 512, buf), 1);
  EXPECT_TRUE(IsZero(buf));
  std::vector<std::byte> run(512 * 10);
  ASSERT_EQ(image.Read(6 * 512, run), 1);
  EXPECT_TRUE(HoldsGuestSector(run, 0, 6));
  EXPECT_TRUE(HoldsGuestSector(run, 1, 7));
  EXPECT_TRUE(IsZero(std::span(run).subspan(2 * 512, 8 * 512)));
  // Past the guest disk: a failure with zeros.
  std::fill(buf.begin(), buf.end(), std::byte{0xEE});
  EXPECT_EQ(image.Read(32 * 512, buf), 0);
  EXPECT_TRUE(IsZero(buf));
}

TEST(ParallelsImage, BlockPastTheFileEndFails) {
  MemoryFiles files;
  auto bytes = MakeImage();
  Put<uint32_t>(bytes, 64 + 3 * 4, 4000);
  files.Put("/d/disk.hdd", bytes);
  ParallelsImage image(files.Opener());
  ASSERT_EQ(image.Open("/d/disk.hdd", nullptr), 1);
  std::vector<std::byte> buf(512, std::byte{0xEE});
  EXPECT_EQ(image.Read(24 * 512, buf), 0);
  EXPECT_TRUE(IsZero(buf));
}

TEST(ParallelsImage, HdsWithGuestDiskOneSectorLater) {
  MemoryFiles files;
  auto image0 = MakeImage();
  // Guest sector 0 lies at file sector 9: file sector 8 holds no boot signature, 9 has one.
  PutGuestSectors(image0, 9 * 512, 0, 1);
  image0[9 * 512 + 510] = std::byte{0x55};
  image0[9 * 512 + 511] = std::byte{0xAA};
  image0[8 * 512 + 510] = std::byte{0};
  PutGuestSectors(image0, 10 * 512, 1, 1);
  files.Put("/d/disk.hds", image0);
  files.Put("/d/disk.hdd", image0);
  struct Case {
    const char* path;
    uint32_t shift;
  } cases[] = {{"/d/disk.hds", 1}, {"/d/disk.hdd", 0}};
  for (const auto& c : cases) {
    ParallelsImage image(files.Opener());
    ASSERT_EQ(image.Open(c.path, nullptr), 1);
    std::vector<std::byte> buf(512);
    ASSERT_EQ(image.Read(0, buf), 1);
    EXPECT_EQ(image.SectorShift(), c.shift) << c.path;
    ASSERT_EQ(image.Read(512, buf), 1);
    EXPECT_EQ(HoldsGuestSector(buf, 0, 1), c.shift == 1) << c.path;
  }
}

class ParallelsBundle : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per process: ctest runs the tests of this fixture side by side.
    dir = std::filesystem::temp_directory_path() /
          ("merrowind-parallels-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void Write(const std::string& name, const std::vector<std::byte>& bytes) {
    WriteFile((dir / name).string(), bytes);
  }
  std::filesystem::path dir;
};

TEST_F(ParallelsBundle, EmptyHddOpensTheHdsBesideIt) {
  Write("disk.hdd", {});
  Write("notes.txt", {std::byte{'x'}});
  Write("Disk.0.HDS", MakeImage());
  EXPECT_EQ(ParallelsImage::FindHdsFile(dir.string()), (dir / "Disk.0.HDS").string());
  ParallelsImage image;
  ASSERT_EQ(image.Open((dir / "disk.hdd").string(), nullptr), 1);
  std::vector<std::byte> buf(512);
  ASSERT_EQ(image.Read(16 * 512, buf), 1);
  EXPECT_TRUE(HoldsGuestSector(buf, 0, 16));
}

TEST_F(ParallelsBundle, EmptyFilesOnlyAreNotClaimed) {
  Write("disk.hdd", {});
  EXPECT_EQ(ParallelsImage().Open((dir / "disk.hdd").string(), nullptr), 0);
  // An empty ".hds" is not followed again, so the lookup cannot go round in a circle.
  Write("disk.hds", {});
  EXPECT_EQ(ParallelsImage().Open((dir / "disk.hdd").string(), nullptr), 0);
  EXPECT_EQ(ParallelsImage().Open((dir / "disk.hds").string(), nullptr), 0);
}

}  // namespace
