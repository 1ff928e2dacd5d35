#include "storage/ntfs/NtfsMftMap.h"

#include <gtest/gtest.h>

#include "storage/ntfs/NtfsRecord.h"
#include "tests/core/storage/ntfs/NtfsTestRecords.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

using ntfs_test::Bytes;
using ntfs_test::FromU8;
using ntfs_test::RecordBuilder;

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

class NtfsMftMapTest : public storage_test::SectorPathTest {
 protected:
  void Serve(const Bytes& bytes) {
    auto disk = std::make_shared<MemoryDisk>();
    disk->bytes = bytes;
    storage_test::ServeDisk(kDevice, disk, std::make_shared<FaultPlan>());
    SetDevicePath(0, kDevice);
    g_CurrentDevice = 0;
  }
  void TearDown() override {
    ResetMftMap();
    SectorPathTest::TearDown();
  }
};

struct Run {
  uint64_t start, sectors;
  bool sparse = false;
};
NtfsRunArrays Runs(std::vector<Run> r) {
  NtfsRunArrays a;
  for (const Run& x : r) NtfsAppendRun(a, x.start, x.sectors, x.sparse);
  return a;
}

TEST(NtfsMftMapLookup, RecordToSectorThroughRuns) {
  const NtfsRunArrays runs = Runs({{1000, 8}, {0, 4, true}, {5000, 6}});
  struct Case {
    uint64_t record;
    uint32_t R;
    uint64_t sector;
  } cases[] = {{0, 2, 1000}, {3, 2, 1006}, {4, 2, 0},    {5, 2, 0}, {6, 2, 5000},      {8, 2, 5004},
               {9, 2, 0},    {1, 8, 0},    {2, 8, 5004}, {0, 0, 0}, {UINT64_MAX, 2, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(NtfsVcnToSectorInRuns(c.record, runs, c.R), c.sector) << c.record << "/" << c.R;
}

TEST_F(NtfsMftMapTest, ARecordThatStraddlesTwoRunsIsReadInPieces) {
  Bytes disk(64 * 512);
  for (size_t s = 0; s < 64; ++s) std::fill_n(disk.begin() + s * 512, 512, std::byte(s));
  Serve(disk);
  // Runs of 3 and 4 sectors: record 1 is sector 12 (last of the first run) and sector 40.
  const NtfsRunArrays runs = Runs({{10, 3}, {40, 4}});
  Bytes record(1024);
  ASSERT_EQ(NtfsReadMftRecord(kDevice, runs, 2, 1, record), 1);
  EXPECT_EQ(record[0], std::byte{12});
  EXPECT_EQ(record[512], std::byte{40});
  // Record 3 runs past the runs: its second half is zeros and the read says so.
  EXPECT_EQ(NtfsReadMftRecord(kDevice, runs, 2, 3, record), 0);
  EXPECT_EQ(record[0], std::byte{43});
  EXPECT_EQ(record[512], std::byte{0});
}

// A volume whose $MFT is described by record 0 and, past its first run, by an extension record
// that record 0's attribute list names.
TEST_F(NtfsMftMapTest, MapFollowsTheAttributeListOfRecordZero) {
  ntfs_test::Volume v(64);
  v.PutRoot();
  // Record 0: attribute list (VCN 0 in record 0, VCN 8 in record 20) and $DATA for VCN 0..7.
  RecordBuilder r0(1024, 1, 0);
  r0.StandardInformation(1, 2, 3);
  r0.Resident(0x20, RecordBuilder::AttributeList({{0x10, 0}, {0x80, 0, 0}, {0x80, 20, 8}}));
  r0.FileName(5, u"$MFT", 3);
  r0.NonResident(0x80, ntfs_test::OneRun(8, 16), 64 * 1024);  // records 0..31 at cluster 16
  v.Put(0, r0.Protected());
  RecordBuilder r20(1024, 1, 20, 0);  // an extension of record 0
  r20.NonResident(0x80, ntfs_test::OneRun(8, 200), 0, u"", 8);
  v.Put(20, r20.Protected());
  Serve(v.disk);
  const NtfsVolume vol{0, v.sectors, v.spc};
  ASSERT_EQ(NtfsReadMftRunsWithAttrList(kDevice, vol, v.MftSector(), 2), 2u);
  EXPECT_EQ(g_MftRunStarts, (std::vector<uint64_t>{128, 1600}));
  EXPECT_EQ(g_MftRunLengths, (std::vector<uint64_t>{64, 64}));
  EXPECT_EQ(NtfsVcnToSector(33), 1600u + 2);
}

TEST_F(NtfsMftMapTest, DamagedRootDoesNotStopTheMapAndDamagedRecordZeroEndsIt) {
  ntfs_test::Volume v(32);
  v.PutMftRecord();
  v.Zero(5);
  Serve(v.disk);
  const NtfsVolume vol{0, v.sectors, v.spc};
  EXPECT_EQ(NtfsReadMftRunsWithAttrList(kDevice, vol, v.MftSector(), 2), 1u);
  EXPECT_EQ(g_MftRunStarts, (std::vector<uint64_t>{128}));

  v.Zero(0);
  Serve(v.disk);
  ResetDeviceHandleCache();
  EXPECT_EQ(NtfsReadMftRunsWithAttrList(kDevice, vol, v.MftSector(), 2), 0u);
  EXPECT_EQ(NtfsReadMftRunsWithAttrList(kDevice, vol, 0, 2), 0u) << "no $MFT found";
}

TEST_F(NtfsMftMapTest, FileRunsSkipAnExtensionRecordThatBelongsToAnotherFile) {
  ntfs_test::Volume v(64);
  v.PutMftRecord();
  v.PutRoot();
  RecordBuilder f(1024, 1, 40);
  f.StandardInformation(1, 2, 3);
  f.Resident(0x20, RecordBuilder::AttributeList({{0x10, 40}, {0x80, 40, 0}, {0x80, 41, 4}}));
  f.FileName(5, u"big.bin", 1);
  f.NonResident(0x80, ntfs_test::OneRun(4, 300), 8 * 4096);
  v.Put(40, f.Protected());
  RecordBuilder ext(1024, 1, 41, 40);
  ext.NonResident(0x80, ntfs_test::OneRun(4, 400), 0, u"", 4);
  v.Put(41, ext.Protected());
  Serve(v.disk);
  const NtfsVolume vol{0, v.sectors, v.spc};
  NtfsReadMftRunsWithAttrList(kDevice, vol, v.MftSector(), 2);
  NtfsRunArrays runs;
  NtfsReadMftRuns(kDevice, v.RecordSector(40), 2, vol, runs);
  EXPECT_EQ(runs.starts, (std::vector<uint64_t>{2400, 3200}));
  // The same from the record read by its number, as the copy of a found file does.
  Bytes record(1024);
  ASSERT_EQ(NtfsReadMftRecord(kDevice, g_MftRuns, 2, 40, record), 1);
  ASSERT_EQ(ApplyUpdateSequenceFixup(record), 1);
  NtfsReadDataRuns(kDevice, record, 40, 2, vol, runs);
  EXPECT_EQ(runs.starts, (std::vector<uint64_t>{2400, 3200}));
  EXPECT_EQ(runs.lengths, (std::vector<uint64_t>{32, 32}));
  // Record 41 reused by another file: only the base record's own runs remain.
  ntfs_test::Put32(ext.Raw(), 32, 99);
  v.Put(41, ext.Protected());
  Serve(v.disk);
  ResetDeviceHandleCache();
  NtfsReadMftRuns(kDevice, v.RecordSector(40), 2, vol, runs);
  EXPECT_EQ(runs.starts, (std::vector<uint64_t>{2400}));
}

}  // namespace
