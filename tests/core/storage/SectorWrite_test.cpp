#include <gtest/gtest.h>

#include <cstdio>

#include "storage/SectorIo.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

using namespace storage_test;

constexpr const char* kTarget = "\\\\.\\PhysicalDrive3";

class SectorWrite : public SectorPathTest {
 protected:
  void SetUp() override {
    SectorPathTest::SetUp();
    target = std::make_shared<MemoryDisk>();
    target->bytes.resize(200 * 512);
    plan = std::make_shared<FaultPlan>();
    ServeDisk(kTarget, target, plan);
  }
  std::vector<std::byte> Data(uint32_t sectors, uint64_t first) {
    std::vector<std::byte> d(sectors * 512);
    for (uint32_t i = 0; i < sectors; ++i)
      std::fill_n(d.begin() + i * 512, 512, PatternByte(first + i));
    return d;
  }
  bool TargetHolds(uint64_t sector, uint64_t pattern) {
    for (int b = 0; b < 512; ++b)
      if (target->bytes[sector * 512 + b] != PatternByte(pattern)) return false;
    return true;
  }
  std::shared_ptr<MemoryDisk> target;
  std::shared_ptr<FaultPlan> plan;
};

TEST_F(SectorWrite, WritesInRunsOf40SyncsAndClosesOnEveryCall) {
  auto data = Data(100, 0);
  ASSERT_EQ(WriteSectors(kTarget, 10, 100, data), 1);
  for (uint64_t i = 0; i < 100; ++i) EXPECT_TRUE(TargetHolds(10 + i, i)) << i;
  ASSERT_EQ(plan->calls.size(), 3u);
  EXPECT_EQ(plan->calls[2].offset, 90u * 512);
  EXPECT_EQ(plan->calls[2].length, 20u * 512);
  EXPECT_EQ(plan->opens, 1);
  EXPECT_EQ(plan->closes, 1);
}

TEST_F(SectorWrite, ReportsSectorsThatStayUnwritten) {
  struct Case {
    const char* name;
    std::set<uint64_t> bad;
    std::map<uint64_t, int> failOnce;
    bool failSync;
    int result;
  } cases[] = {
      {"bad sector in the tail run", {105}, {}, false, 0},
      {"a run that succeeds sector by sector", {}, {{15, 1}}, false, 1},
      {"failed sync", {}, {}, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    plan->badSectors = c.bad;
    plan->failFirstTimes = c.failOnce;
    plan->failSync = c.failSync;
    auto data = Data(100, 0);
    EXPECT_EQ(WriteSectors(kTarget, 10, 100, data), c.result);
    // Every sector that could be written was written.
    for (uint64_t i = 0; i < 100; ++i)
      if (!c.bad.count(10 + i)) {
        EXPECT_TRUE(TargetHolds(10 + i, i)) << i;
      }
    TearDown();
  }
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

TEST_F(SectorWrite, RefusesTheSourceAShortBufferAndAnUnopenableTarget) {
  auto data = Data(4, 0);
  g_CurrentDevice = 3;  // the source is the would-be target
  EXPECT_EQ(WriteSectors(kTarget, 0, 4, data), 0);
  g_CurrentDevice = 0;
  EXPECT_EQ(WriteSectors(kTarget, 0, 5, data), 0);
  EXPECT_EQ(WriteSectors("\\\\.\\PhysicalDrive7", 0, 4, data), 0);  // nothing serves it
  EXPECT_EQ(plan->opens, 0);
  // Past the end of the target: the write fails.
  EXPECT_EQ(WriteSectors(kTarget, 198, 4, data), 0);
}

TEST_F(SectorWrite, ImageBlocksGoToTheStreamOrTheTargetDisk) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  auto data = Data(3, 50);
  ASSERT_EQ(WriteImageSectors(data, 3, 7, f, nullptr), 1);
  EXPECT_EQ(SeekFile64(f, 0, SEEK_END), 10 * 512);
  std::vector<std::byte> back(512);
  ASSERT_EQ(SeekFile64(f, 8 * 512, SEEK_SET), 8 * 512);
  ASSERT_EQ(std::fread(back.data(), 1, 512, f), 512u);
  EXPECT_EQ(back[0], PatternByte(51));
  EXPECT_EQ(WriteImageSectors(data, 4, 0, f, nullptr), 0);  // data shorter than 4 sectors
  std::fclose(f);

  g_ImageToDisk = 1;
  g_ImageTargetDisk = 3;
  ASSERT_EQ(WriteImageSectors(data, 3, 20, nullptr, nullptr), 1);
  EXPECT_TRUE(TargetHolds(21, 51));
  g_ImageTargetDisk = 12;
  EXPECT_EQ(WriteImageSectors(data, 3, 20, nullptr, nullptr), 0);
}

}  // namespace
