#include "storage/vdisk/vdi/VdiImage.h"

#include <gtest/gtest.h>

#include "tests/core/storage/vdisk/GuestSectors.h"

namespace {

using namespace vdisk_test;

constexpr uint32_t kBlock = 1 << 20;
constexpr uint32_t kMapOffset = 512;
constexpr uint32_t kDataOffset = 1024;
constexpr uint32_t kExtra = 512;

// A VDI of 4 blocks of 1 MiB with 512 extra bytes before each block's data: block 0 free, block 1
// stored as file block 0, block 2 a zero block, block 3 stored as file block 1.
std::vector<std::byte> MakeImage() {
  std::vector<std::byte> f(kDataOffset);
  PutText(f, 0, "<<< Oracle VM VirtualBox Disk Image >>>\n");
  Put<uint32_t>(f, 64, 0xBEDA107F);
  Put<uint32_t>(f, 68, 0x00010001);
  Put<uint32_t>(f, 72, 400);
  Put<uint32_t>(f, 340, kMapOffset);
  Put<uint32_t>(f, 344, kDataOffset);
  Put<uint64_t>(f, 368, uint64_t{4} * kBlock);
  Put<uint32_t>(f, 376, kBlock);
  Put<uint32_t>(f, 380, kExtra);
  Put<uint32_t>(f, 384, 4);
  const uint32_t map[] = {0xFFFFFFFF, 0, 0xFFFFFFFE, 1};
  for (int i = 0; i < 4; ++i) Put<uint32_t>(f, kMapOffset + i * 4, map[i]);
  const uint64_t perBlock = kBlock / 512;
  PutGuestSectors(f, kDataOffset + kExtra, perBlock, perBlock);
  PutGuestSectors(f, kDataOffset + (kBlock + kExtra) + kExtra, 3 * perBlock, perBlock);
  return f;
}

TEST(VdiImage, OpenResults) {
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
    int expected;
  } cases[] = {
      {"valid", 68, 0x00010001, 1},
      {"header size 384", 72, 384, 1},
      {"wrong signature", 64, 0xBEDA1070, 0},
      {"version 0", 68, 0x00000001, 0},
      {"version 2", 68, 2, 2},
      {"header size too small", 72, 383, 2},
      {"block map inside the header", 340, 455, 2},
      {"data inside the block map", 344, kMapOffset + 12, 2},
      {"block size not a power of two", 376, 3 << 19, 2},
      {"blocks short of the guest size", 384, 3, 2},
  };
  for (const auto& c : cases) {
    MemoryFiles files;
    auto bytes = MakeImage();
    Put<uint32_t>(bytes, c.offset, c.value);
    files.Put("/d/disk.vdi", bytes);
    VdiImage image(files.Opener());
    EXPECT_EQ(image.Open("/d/disk.vdi", nullptr), c.expected) << c.what;
  }
  // A block map that runs past the end of the file, with the data offset after it.
  MemoryFiles files;
  auto bytes = MakeImage();
  Put<uint32_t>(bytes, 384, 0x100000);
  Put<uint32_t>(bytes, 344, 0x500000);
  files.Put("/d/disk.vdi", bytes);
  VdiImage image(files.Opener());
  EXPECT_EQ(image.Open("/d/disk.vdi", nullptr), 2);
}

TEST(VdiImage, ReadsThroughTheBlockMap) {
  MemoryFiles files;
  files.Put("/d/disk.vdi", MakeImage());
  VdiImage image(files.Opener());
  ASSERT_EQ(image.Open("/d/disk.vdi", nullptr), 1);
  std::vector<std::byte> buf(512);
  // Guest offset 0x150000 is block 1, offset 0x50000 within it.
  ASSERT_EQ(image.Read(0x150000, buf), 1);
  EXPECT_TRUE(HoldsGuestSector(buf, 0, 0x150000 / 512));
  ASSERT_EQ(image.Read(3 * kBlock + 512 * 7, buf), 1);
  EXPECT_TRUE(HoldsGuestSector(buf, 0, 3 * kBlock / 512 + 7));
  // Free and zero blocks read as zeros with success.
  for (uint64_t x : {uint64_t{0}, uint64_t{2} * kBlock + 4096}) {
    std::fill(buf.begin(), buf.end(), std::byte{0xEE});
    EXPECT_EQ(image.Read(x, buf), 1) << x;
    EXPECT_TRUE(IsZero(buf)) << x;
  }
  // A run over the edge of two blocks, and one past the guest disk.
  std::vector<std::byte> run(1024);
  ASSERT_EQ(image.Read(2 * kBlock - 512, run), 1);
  EXPECT_TRUE(HoldsGuestSector(run, 0, 2 * kBlock / 512 - 1));
  EXPECT_TRUE(IsZero(std::span(run).subspan(512)));
  EXPECT_EQ(image.Read(4 * kBlock - 512, run), 0);
  EXPECT_TRUE(IsZero(run));
}

TEST(VdiImage, TruncatedDataFails) {
  MemoryFiles files;
  auto bytes = MakeImage();
  bytes.resize(kDataOffset + kBlock);
  files.Put("/d/disk.vdi", bytes);
  VdiImage image(files.Opener());
  ASSERT_EQ(image.Open("/d/disk.vdi", nullptr), 1);
  std::vector<std::byte> buf(512, std::byte{0xEE});
  EXPECT_EQ(image.Read(3 * kBlock, buf), 0);
  EXPECT_TRUE(IsZero(buf));
}

}  // namespace
