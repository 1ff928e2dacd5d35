#include "storage/SectorIo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <set>
#include <thread>

#include "storage/vdisk/VirtualDiskReader.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

using namespace storage_test;

constexpr const char* kDisk0 = "\\\\.\\PhysicalDrive0";
constexpr const char* kDisk1 = "\\\\.\\PhysicalDrive1";

class DeviceRead : public SectorPathTest {
 protected:
  void SetUp() override {
    SectorPathTest::SetUp();
    disk = PatternDisk(2000);
    plan = std::make_shared<FaultPlan>();
    ServeDisk(kDisk0, disk, plan);
  }
  std::vector<FaultPlan::Call> Reads() {
    std::lock_guard lock(plan->mutex);
    return plan->calls;
  }
  std::shared_ptr<MemoryDisk> disk;
  std::shared_ptr<FaultPlan> plan;
};

TEST_F(DeviceRead, EndOfSourceGuardComparesOnlyTheStart) {
  struct Case {
    int64_t end, start;
    uint32_t count;
    int result;
    bool read;
  } cases[] = {
      {0, 1500, 4, 1, true},      // no limit
      {1000, 1000, 1, 1, true},   // the last sector itself
      {1000, 998, 8, 1, true},    // starts inside, reaches past: read in full
      {1000, 1001, 3, 0, false},  // past the end: zeros, no read
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "end " << c.end << " start " << c.start);
    g_SourceEndSector = c.end;
    std::vector<std::byte> buf(c.count * 512, std::byte{0x5A});
    EXPECT_EQ(ReadSectors(kDisk0, c.start, c.count, buf), c.result);
    for (uint32_t i = 0; i < c.count; ++i)
      EXPECT_TRUE(c.read ? HoldsPattern(buf, i, c.start + i) : IsZeroSector(buf, i)) << i;
  }
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

// A device that reads well is read in large calls: whole 2 MiB calls of 4,080 sectors (102 runs
// of 40) and the rest in one; 40 sectors or fewer in one call as always.
TEST_F(DeviceRead, HealthyReadsAreLargeCalls) {
  struct Case {
    int64_t start;
    uint32_t count;
    std::vector<uint64_t> lengths;  // sectors per device call
  } cases[] = {
      {300, 100, {100}},
      {7, 40, {40}},
      {3, 4080, {4080}},
      {10, 9000, {4080, 4080, 840}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    SetUp();
    disk = PatternDisk(10000);
    ServeDisk(kDisk0, disk, plan);
    std::vector<std::byte> buf(c.count * 512);
    ASSERT_EQ(ReadSectors(kDisk0, c.start, c.count, buf), 1);
    std::vector<uint64_t> lengths;
    uint64_t next = static_cast<uint64_t>(c.start) * 512;
    for (const auto& call : Reads()) {
      EXPECT_EQ(call.offset, next);
      next = call.offset + call.length;
      lengths.push_back(call.length / 512);
    }
    EXPECT_EQ(lengths, c.lengths);
    for (uint32_t i = 0; i < c.count; ++i) ASSERT_TRUE(HoldsPattern(buf, i, c.start + i)) << i;
    TearDown();
  }
}

// A large read that fails is gone over in the runs of 40 sectors that reading 40 at a time from
// the same start makes: the same questions, the same zero-filled sectors, the same result.
TEST_F(DeviceRead, FailedLargeReadAsksAndZeroFillsAsFortySectorReadsDo) {
  struct Case {
    const char* name;
    int64_t start;
    uint32_t count;
    std::set<uint64_t> bad;
    std::deque<int> answers;
  } cases[] = {
      {"skip in the first run", 300, 100, {305}, {1}},
      {"retry in the tail", 300, 100, {395}, {0}},
      {"skip in the second large call", 10, 9000, {10 + 4080 + 45}, {1}},
      {"retry then skip, two large calls", 10, 9000, {50, 51, 6000}, {0, 1}},
      {"skip all in the first of many", 0, 9000, {1, 100, 4200, 8999}, {3}},
      {"retry all across two calls", 0, 9000, {4079, 4080}, {2}},
      {"a run reaching past the device's end", 9950, 120, {9960}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    struct Outcome {
      int result;
      std::vector<std::byte> bytes;
      int questions;
      uint64_t zeroed;
      int choice;
    };
    auto read = [&](bool fortyAtATime) {
      SetUp();
      disk = PatternDisk(10000);
      plan->badSectors = c.bad;
      ServeDisk(kDisk0, disk, plan);
      prompts = ScriptedPrompts(c.answers);
      Outcome o;
      o.bytes.assign(c.count * 512, std::byte{0x5A});
      if (fortyAtATime) {
        o.result = 1;
        for (uint32_t done = 0; done < c.count; done += 40) {
          const uint32_t n = std::min<uint32_t>(40, c.count - done);
          auto part = std::span(o.bytes).subspan(done * 512, n * 512);
          if (ReadSectors(kDisk0, c.start + done, n, part) != 1) o.result = 0;
        }
      } else {
        o.result = ReadSectors(kDisk0, c.start, c.count, o.bytes);
      }
      o.questions = prompts.badSectorQuestions;
      o.zeroed = ZeroFilledSectorCount();
      o.choice = g_BadSectorChoice;
      TearDown();
      return o;
    };
    const Outcome large = read(false), runs = read(true);
    EXPECT_EQ(large.result, 0);
    EXPECT_EQ(large.result, runs.result);
    EXPECT_EQ(large.questions, runs.questions);
    EXPECT_GT(large.questions, 0);
    EXPECT_EQ(large.zeroed, runs.zeroed);
    EXPECT_EQ(large.choice, runs.choice);
    EXPECT_TRUE(large.bytes == runs.bytes);
  }
}

// The quiet read of a read-ahead: one call, no question, nothing zero-filled or counted.
TEST_F(DeviceRead, QuietReadAsksNothingAndOnlySaysWhetherAllWasRead) {
  struct Case {
    const char* name;
    int64_t start;
    uint32_t count;
    std::set<uint64_t> bad;
    int result;
  } cases[] = {
      {"healthy", 100, 500, {}, 1},
      {"a bad sector", 100, 500, {350}, 0},
      {"reaching past the device's end", 1990, 20, {}, 0},
      {"starting past g_SourceEndSector", 1600, 4, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    plan->badSectors = c.bad;
    g_SourceEndSector = 1500 + (c.start == 1990 ? 1000 : 0);
    std::vector<std::byte> buf(c.count * 512);
    EXPECT_EQ(ReadSectorsQuietly(kDisk0, c.start, c.count, buf), c.result);
    EXPECT_LE(Reads().size(), 1u);
    if (c.result == 1) {
      for (uint32_t i = 0; i < c.count; ++i) ASSERT_TRUE(HoldsPattern(buf, i, c.start + i)) << i;
    }
    EXPECT_EQ(prompts.badSectorQuestions, 0);
    EXPECT_EQ(ZeroFilledSectorCount(), 0u);
    EXPECT_EQ(g_BadSectorChoice, 0);
    TearDown();
  }
}

// A bad sector in a run: what each answer leaves in the buffer and how often the user is asked.
TEST_F(DeviceRead, BadSectorPolicyPerAnswer) {
  struct Case {
    const char* name;
    uint64_t bad;        // absolute bad sector, read at 300 count 100
    int answer;          // scripted answer
    int initialChoice;   // g_BadSectorChoice before the call
    int questions;       // questions expected
    bool onlyBadZeroed;  // true: retry (one zero sector); false: the whole run zeroed
    uint32_t runStart, runLength;
  } cases[] = {
      {"retry, first run", 305, 0, 0, 1, true, 0, 40},
      {"skip, first run", 305, 1, 0, 1, false, 0, 40},
      {"retry all", 305, 2, 0, 1, true, 0, 40},
      {"skip all", 305, 3, 0, 1, false, 0, 40},
      {"skip all in force asks nothing", 305, 0, 3, 0, false, 0, 40},
      {"retry all in force asks nothing", 305, 1, 2, 0, true, 0, 40},
      {"closed unanswered keeps skip", 305, -1, 1, 1, false, 0, 40},
      {"closed unanswered keeps retry", 305, -1, 0, 1, true, 0, 40},
      {"the 20-sector tail gets the same policy", 390, 0, 0, 1, true, 80, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    {
      std::lock_guard lock(plan->mutex);
      plan->badSectors = {c.bad};
    }
    prompts = ScriptedPrompts({c.answer});
    g_BadSectorChoice = c.initialChoice;
    std::vector<std::byte> buf(100 * 512, std::byte{0x5A});
    EXPECT_EQ(ReadSectors(kDisk0, 300, 100, buf), 0);
    EXPECT_EQ(prompts.badSectorQuestions, c.questions);
    for (uint32_t i = 0; i < 100; ++i) {
      const bool inRun = i >= c.runStart && i < c.runStart + c.runLength;
      const bool zeroed = inRun && (c.onlyBadZeroed ? 300 + i == c.bad : true);
      EXPECT_TRUE(zeroed ? IsZeroSector(buf, i) : HoldsPattern(buf, i, 300 + i)) << i;
    }
    EXPECT_EQ(ZeroFilledSectorCount(), c.onlyBadZeroed ? 1u : c.runLength);
    TearDown();
  }
}

TEST_F(DeviceRead, RetryAllIsRememberedAcrossCalls) {
  {
    std::lock_guard lock(plan->mutex);
    plan->badSectors = {10, 500};
  }
  prompts = ScriptedPrompts({2});
  std::vector<std::byte> buf(8 * 512);
  EXPECT_EQ(ReadSectors(kDisk0, 8, 8, buf), 0);
  EXPECT_EQ(ReadSectors(kDisk0, 496, 8, buf), 0);
  EXPECT_EQ(prompts.badSectorQuestions, 1);
  EXPECT_EQ(g_BadSectorChoice, 2);
  EXPECT_TRUE(IsZeroSector(buf, 4));
  EXPECT_TRUE(HoldsPattern(buf, 5, 501));
}

TEST_F(DeviceRead, SectorThatRecoversOnRetryIsDeliveredButTheCallStillReportsTheFailure) {
  {
    std::lock_guard lock(plan->mutex);
    plan->failFirstTimes[42] = 1;
  }
  prompts = ScriptedPrompts({0});
  std::vector<std::byte> buf(40 * 512);
  EXPECT_EQ(ReadSectors(kDisk0, 40, 40, buf), 0);
  for (uint32_t i = 0; i < 40; ++i) EXPECT_TRUE(HoldsPattern(buf, i, 40 + i)) << i;
  EXPECT_EQ(ZeroFilledSectorCount(), 0u);
}

TEST_F(DeviceRead, SectorsPastTheRealEndAreZeroedWithoutAQuestion) {
  std::vector<std::byte> buf(4 * 512, std::byte{0x5A});
  EXPECT_EQ(ReadSectors(kDisk0, 1998, 4, buf), 0);
  EXPECT_TRUE(HoldsPattern(buf, 0, 1998));
  EXPECT_TRUE(HoldsPattern(buf, 1, 1999));
  EXPECT_TRUE(IsZeroSector(buf, 2));
  EXPECT_TRUE(IsZeroSector(buf, 3));
  std::fill(buf.begin(), buf.end(), std::byte{0x5A});
  EXPECT_EQ(ReadSectors(kDisk0, 5000, 4, buf), 0);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_TRUE(IsZeroSector(buf, i));
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

TEST_F(DeviceRead, HandleIsCachedPerPathAndReplacedByAnotherPath) {
  auto plan1 = std::make_shared<FaultPlan>();
  ServeDisk(kDisk1, PatternDisk(10), plan1);
  std::vector<std::byte> buf(512);
  ReadSectors(kDisk0, 1, 1, buf);
  ReadSectors(kDisk0, 2, 1, buf);
  EXPECT_EQ(plan->opens, 1);
  EXPECT_EQ(plan->closes, 0);
  EXPECT_EQ(ReadSectors(kDisk1, 3, 1, buf), 1);
  EXPECT_TRUE(HoldsPattern(buf, 0, 3));
  EXPECT_EQ(plan->closes, 1);
  EXPECT_EQ(plan1->opens, 1);
}

// Two threads switching the cached device under each other must never read through a handle that
// the other has closed (the sanitizer build turns such a read into a failure).
TEST_F(DeviceRead, ThreadsSwitchingDevicesReadTheirOwnSectors) {
  auto plan1 = std::make_shared<FaultPlan>();
  ServeDisk(kDisk1, PatternDisk(2000), plan1);
  std::atomic<int> wrong{0};
  auto reader = [&](const char* path, int64_t base) {
    std::vector<std::byte> buf(4 * 512);
    for (int i = 0; i < 300; ++i) {
      const int64_t s = base + (i % 50);
      if (ReadSectors(path, s, 4, buf) != 1 || !HoldsPattern(buf, 3, s + 3)) ++wrong;
    }
  };
  std::thread a(reader, kDisk0, 0), b(reader, kDisk1, 1000);
  a.join();
  b.join();
  EXPECT_EQ(wrong, 0);
}

TEST_F(DeviceRead, FailedOpenIsNotCachedAndDeliversZeros) {
  int attempts = 0;
  MapDeviceToFactory(kDisk1, [&](DeviceAccess) -> std::unique_ptr<RawDevice> {
    if (++attempts == 1) return nullptr;
    return std::make_unique<MemoryDevice>(PatternDisk(10));
  });
  std::vector<std::byte> buf(512, std::byte{0x5A});
  EXPECT_EQ(ReadSectors(kDisk1, 3, 1, buf), 0);
  EXPECT_TRUE(IsZeroSector(buf, 0));
  EXPECT_EQ(ReadSectors(kDisk1, 3, 1, buf), 1);
  EXPECT_TRUE(HoldsPattern(buf, 0, 3));
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

TEST_F(DeviceRead, RefusesABufferTooSmallOrABadSectorSize) {
  std::vector<std::byte> small(3 * 512 - 1, std::byte{0x5A});
  EXPECT_EQ(ReadSectors(kDisk0, 0, 3, small), 0);
  EXPECT_TRUE(
      std::all_of(small.begin(), small.end(), [](std::byte b) { return b == std::byte{0}; }));
  g_BytesPerSector = 1000;
  std::vector<std::byte> buf(4000, std::byte{0x5A});
  EXPECT_EQ(ReadSectors(kDisk0, 0, 1, buf), 0);
  EXPECT_EQ(ReadSectors(kDisk0, 0, 0, buf), 0);
  EXPECT_TRUE(Reads().empty());
}

TEST_F(DeviceRead, FourKilobyteSectorsAddressByTheSectorSize) {
  auto big = PatternDisk(100, 4096);
  auto bigPlan = std::make_shared<FaultPlan>();
  bigPlan->sectorSize = 4096;
  ServeDisk(kDisk1, big, bigPlan);
  g_BytesPerSector = 4096;
  std::vector<std::byte> buf(45 * 4096);
  EXPECT_EQ(ReadSectors(kDisk1, 50, 45, buf), 1);
  for (uint32_t i = 0; i < 45; ++i) EXPECT_TRUE(HoldsPattern(buf, i, 50 + i, 4096)) << i;
  ASSERT_EQ(bigPlan->calls.size(), 1u);
  EXPECT_EQ(bigPlan->calls[0].offset, 50u * 4096);
  EXPECT_EQ(bigPlan->calls[0].length, 45u * 4096);
  // A failed read goes over the same sectors in runs of 40 sectors of 4,096 bytes.
  bigPlan->badSectors = {60};
  g_BadSectorChoice = 3;
  EXPECT_EQ(ReadSectors(kDisk1, 50, 45, buf), 0);
  ASSERT_EQ(bigPlan->calls.size(), 4u);
  EXPECT_EQ(bigPlan->calls[2].offset, 50u * 4096);
  EXPECT_EQ(bigPlan->calls[2].length, 40u * 4096);
  EXPECT_EQ(bigPlan->calls[3].offset, 90u * 4096);
  EXPECT_EQ(bigPlan->calls[3].length, 5u * 4096);
  for (uint32_t i = 0; i < 45; ++i)
    EXPECT_TRUE(i < 40 ? IsZeroSector(buf, i, 4096) : HoldsPattern(buf, i, 50 + i, 4096)) << i;
}

// Records the reader calls and fails chosen positions.
class FakeReader final : public VirtualDiskReader {
 public:
  int Open(const std::string&, std::string*) override { return 1; }
  int Read(uint64_t position, std::span<std::byte> destination) override {
    calls.push_back({position, destination.size()});
    if (position == failAt) return 0;
    std::fill(destination.begin(), destination.end(), std::byte(position & 0xFF));
    return 1;
  }
  void Close() override {}
  uint64_t DiskSizeBytes() const override { return uint64_t{1} << 30; }
  std::vector<std::pair<uint64_t, size_t>> calls;
  uint64_t failAt = UINT64_MAX;
};

TEST_F(DeviceRead, VirtualDiskMovesWhole512ByteSectorsInTheReadersAddressing) {
  struct Case {
    char type;
    std::vector<std::pair<uint64_t, size_t>> calls;
  } cases[] = {
      {'C', {{5120, 512}, {5632, 512}, {6144, 512}}},
      {'D', {{5120, 512}, {5632, 512}, {6144, 512}}},
      {'X', {{10, 512}, {11, 512}, {12, 512}}},
      {'H', {{10, 512}, {11, 512}, {12, 512}}},
      {'N', {{10, 1536}}},
      {0, {{10, 1536}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    FakeReader reader;
    SetVirtualDiskReader(VirtualDiskFormatFromLetter(c.type), &reader);
    g_VirtualDiskMode = 1;
    g_VirtualDiskType = VirtualDiskFormatFromLetter(c.type);
    g_BytesPerSector = 4096;
    std::vector<std::byte> buf(3 * 4096, std::byte{0x5A});
    EXPECT_EQ(ReadSectors(kDisk0, 10, 3, buf), 1);
    EXPECT_EQ(reader.calls, c.calls);
    EXPECT_EQ(buf[3 * 512], std::byte{0x5A});  // nothing beyond 3 × 512 bytes
    SetVirtualDiskReader(VirtualDiskFormatFromLetter(c.type), nullptr);
  }
  EXPECT_TRUE(Reads().empty());
}

TEST_F(DeviceRead, VirtualDiskFailuresAreZeroedAndReported) {
  FakeReader reader;
  reader.failAt = 11;
  SetVirtualDiskReader(VirtualDiskFormat::Vhd, &reader);
  g_VirtualDiskMode = 1;
  g_VirtualDiskType = VirtualDiskFormat::Vhd;
  std::vector<std::byte> buf(3 * 512, std::byte{0x5A});
  EXPECT_EQ(ReadSectors(kDisk0, 10, 3, buf), 0);
  EXPECT_EQ(buf[0], std::byte{10});
  EXPECT_TRUE(IsZeroSector(buf, 1));
  EXPECT_EQ(buf[1024], std::byte{12});
  EXPECT_EQ(ReadSectors(kDisk0, 10, 0, buf), 0);  // count 0 calls nothing
  EXPECT_EQ(reader.calls.size(), 3u);
  SetVirtualDiskReader(VirtualDiskFormat::Vhd, nullptr);
  EXPECT_EQ(ReadSectors(kDisk0, 10, 1, buf), 0);  // no reader registered
  EXPECT_TRUE(IsZeroSector(buf, 0));
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

}  // namespace
