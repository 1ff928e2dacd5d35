#include "storage/SectorStream.h"

#include <gtest/gtest.h>

#include "storage/DiskImageFolder.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

using namespace storage_test;

constexpr const char* kDisk0 = "\\\\.\\PhysicalDrive0";

class SectorStreamTest : public SectorPathTest {
 protected:
  void SetUp() override {
    SectorPathTest::SetUp();
    plan = std::make_shared<FaultPlan>();
    ServeDisk(kDisk0, PatternDisk(3000), plan);
  }
  std::shared_ptr<FaultPlan> plan;
};

TEST(StreamChunkSectors, IsTheSmallestMultipleOfTheUnitHoldingAMebibyte) {
  struct Case {
    uint64_t sectorBytes;
    uint32_t unit, sectors;
  } cases[] = {
      {512, 40, 2080},  {512, 400, 2400}, {4096, 40, 280},
      {4096, 50, 300},  {512, 1, 2048},   {65536, 40, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sectorBytes << " " << c.unit);
    EXPECT_EQ(StreamChunkSectors(c.sectorBytes, c.unit), c.sectors);
  }
}

// Every sector of the range comes once, in order, in chunks of the size asked for, the last one
// cut to the range's end; a chunk with a bad sector comes marked, and the stream asks nothing.
TEST_F(SectorStreamTest, ChunksCoverTheRangeInOrderAndMarkWhatDidNotReadWhole) {
  plan->badSectors = {1234};
  SectorStream stream(kDisk0, 100, 2950, 400);
  ASSERT_TRUE(stream.HasBuffers());
  uint64_t expect = 100;
  std::vector<bool> whole;
  while (auto chunk = stream.Next()) {
    EXPECT_EQ(chunk->first, expect);
    EXPECT_EQ(chunk->count, std::min<uint64_t>(400, 2950 - expect));
    ASSERT_EQ(chunk->bytes.size(), chunk->count * 512u);
    whole.push_back(chunk->whole);
    if (chunk->whole) {
      std::vector<std::byte> copy(chunk->bytes.begin(), chunk->bytes.end());
      for (uint32_t i = 0; i < chunk->count; ++i)
        ASSERT_TRUE(HoldsPattern(copy, i, chunk->first + i)) << chunk->first + i;
    }
    expect += chunk->count;
  }
  EXPECT_EQ(expect, 2950u);
  EXPECT_EQ(whole, (std::vector<bool>{true, true, false, true, true, true, true, true}));
  EXPECT_FALSE(stream.Next());
  EXPECT_EQ(prompts.badSectorQuestions, 0);
  EXPECT_EQ(ZeroFilledSectorCount(), 0u);
}

// Leaving a scan early destroys the stream while its helper may still be reading ahead.
TEST_F(SectorStreamTest, EndsCleanlyAfterAnyNumberOfChunks) {
  for (int taken = 0; taken < 4; ++taken) {
    SectorStream stream(kDisk0, 0, 3000, 40);
    for (int i = 0; i < taken; ++i) ASSERT_TRUE(stream.Next());
  }
  SectorStream empty(kDisk0, 500, 500, 40);
  EXPECT_FALSE(empty.Next());
}

// A split disk image: a chunk that reaches a piece's end is not read quietly, and the caller's
// own read of it gives the sectors of both pieces.
TEST_F(SectorStreamTest, DiskImageChunkAcrossPiecesIsLeftToTheCallersRead) {
  TempDir dir;
  SetImagePieceBytesForTest(100 * 512);
  auto disk = PatternDisk(250);
  for (int piece = 0; piece < 3; ++piece) {
    const std::string path = dir.path() + "/DiskImage" + std::to_string(piece) + ".dmg";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const size_t from = piece * 100 * 512, n = std::min<size_t>(100 * 512, disk->bytes.size() - from);
    ASSERT_EQ(std::fwrite(disk->bytes.data() + from, 1, n, f), n);
    std::fclose(f);
  }
  g_DiskImageSource = 1;
  g_ImageMultiFile = 1;
  g_SourceImageFolder = dir.path();
  SectorStream stream(kDisk0, 0, 250, 60);
  std::vector<bool> whole;
  while (auto chunk = stream.Next()) {
    whole.push_back(chunk->whole);
    if (!chunk->whole) {
      EXPECT_EQ(ReadSectors(kDisk0, static_cast<int64_t>(chunk->first), chunk->count,
                            chunk->bytes),
                1);
    }
    std::vector<std::byte> copy(chunk->bytes.begin(), chunk->bytes.end());
    for (uint32_t i = 0; i < chunk->count; ++i)
      ASSERT_TRUE(HoldsPattern(copy, i, chunk->first + i)) << chunk->first + i;
  }
  EXPECT_EQ(whole, (std::vector<bool>{true, false, true, false, true}));
  SetImagePieceBytesForTest(0);
}

}  // namespace
