#include "engine/scans/FatPartitionScan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "tests/core/storage/fat/FatTestImage.h"
#include "tests/core/storage/WindowDevice.h"
#include "saving/ProgramState.h"

using namespace fat_test;

namespace {

// A memory disk searched as a range in partition recovery, with g_FileSystemName as the user
// chose it for the range.
class Range {
 public:
  explicit Range(uint64_t sectors, const char* fileSystem = "FAT16") : disk(sectors) {
    // The disk member has set up the source already: only the scan's state starts afresh.
    ResetScanState();
    ResetScanFlags();
    g_PartitionMode = 1;
    g_FileSystemName = ParseFileSystemKind(std::string_view(fileSystem));
    g_SourceStartSector = 0;
  }
  ~Range() { ResetProgramState(); }

  // A boot sector at t; fat32 picks the layout.
  void Boot(uint64_t t, bool fat32, uint32_t spc, uint32_t reserved, uint32_t fatSize,
            uint32_t total, uint32_t rootEntries = 512) {
    Bytes b(512, std::byte{0});
    b[0] = std::byte{0xEB};
    Put16(b, 11, 512);
    b[13] = std::byte(spc);
    Put16(b, 14, reserved);
    b[16] = std::byte{2};
    if (fat32) {
      Put32(b, 32, total);
      Put32(b, 36, fatSize);
      Put32(b, 44, 2);
      std::memcpy(b.data() + 82, "FAT32   ", 8);
    } else {
      Put16(b, 17, rootEntries);
      Put16(b, 19, total);
      Put16(b, 22, fatSize);
      std::memcpy(b.data() + 54, "FAT16   ", 8);
    }
    b[510] = std::byte{0x55};
    b[511] = std::byte{0xAA};
    disk.Write(t * 512, b);
  }
  // A directory cluster at sector t whose "." names id.
  void Directory(uint64_t t, uint32_t id, uint32_t parent = 0) {
    Bytes b = ShortEntry({".          ", 0x10, id});
    Append(b, ShortEntry({"..         ", 0x10, parent}));
    disk.Write(t * 512, b);
  }

  MemoryVolume disk;
};

ScanEnd FirstPass(ScanControl& control) {
  ScanObserver observer;
  ScanJob job{control, observer};
  return FatPartitionFirstPass(job);
}

ScanEnd FirstPass() {
  ScanControl control;
  return FirstPass(control);
}

std::vector<const PartitionRecord*> Found() {
  std::vector<const PartitionRecord*> out;
  for (const PartitionRecord* r = g_ScanState.partitionList.head; r; r = r->next) out.push_back(r);
  return out;
}

// directoryId -> assignedPartition
std::map<uint32_t, uint32_t> Assignments() {
  std::map<uint32_t, uint32_t> out;
  for (const FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next)
    out[d->directoryId] = d->assignedPartition;
  return out;
}

}  // namespace

// A FAT16 boot sector whose geometry puts a found directory at its own cluster is a file system;
// a FAT32 one whose FAT needs more than 16 bits keeps its whole FAT size.
TEST(FatPartitionScan, BootSectorsThatPlaceTheirDirectoriesAreFileSystems) {
  Range r(140000);
  // FAT16 at 100: 4 sectors per cluster, 1 reserved, FATs of 8, 32 root sectors: cluster 0 at
  // 100 + 1 + 16 + 32 - 8 = 141.
  r.Boot(100, false, 4, 1, 8, 4000);
  r.Directory(141 + 5 * 4, 5);
  r.Directory(141 + 6 * 4, 9);  // a directory that is not where its cluster would be
  // FAT32 at 5000: 8 per cluster, 32 reserved, FATs of 65552 sectors: cluster 0 at
  // 5000 + 32 + 131104 - 16 = 136120.
  r.Boot(5000, true, 8, 32, 65552, 134000);
  r.Directory(136120 + 3 * 8, 3);
  r.Boot(7000, true, 0, 32, 8, 1000);  // sectors per cluster 0: not even a candidate
  EXPECT_EQ(FirstPass(), ScanEnd::PassDone);

  const auto found = Found();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0]->Name(), u"FAT16");
  EXPECT_EQ(found[0]->startSector, 100u);
  EXPECT_EQ(found[0]->endSector, 4100u);
  EXPECT_EQ(found[0]->clusterSize, 4u);
  EXPECT_EQ(found[0]->clusterBase, 141u);
  EXPECT_EQ(found[0]->rootStart, 117u);
  EXPECT_EQ(found[0]->rootDirSectors, 32u);
  EXPECT_EQ(found[0]->fat1Start, 101u);
  EXPECT_EQ(found[0]->fat2Start, 109u);
  EXPECT_EQ(found[1]->Name(), u"FAT32");
  EXPECT_EQ(found[1]->startSector, 5000u);
  EXPECT_EQ(found[1]->endSector, 139000u);
  EXPECT_EQ(found[1]->fatSize, 65552u);
  EXPECT_EQ(found[1]->clusterBase, 136120u);
  EXPECT_EQ(found[1]->fat2Start, 5032u + 65552u);
  EXPECT_EQ(found[1]->rootStart, 2u);
  EXPECT_EQ(g_ScanState.partitionCount.load(), 2u);
  EXPECT_EQ(g_ScanState.candidateCount.load(), 2u);
  // The misplaced directory is paired with nothing and marked as such.
  EXPECT_EQ(Assignments(), (std::map<uint32_t, uint32_t>{{5, 1}, {9, 0xFFFFFFFF}, {3, 2}}));
}

// A FAT12 boot sector has the FAT16 layout and is found as such, with its start and end; a range
// that runs past the source is searched up to the source's end only, not as zeros beyond it.
TEST(FatPartitionScan, Fat12BootSectorsAreFoundAndTheRangeStopsAtTheSourcesEnd) {
  Range r(6000, "FAT12");
  r.Boot(100, false, 4, 1, 8, 4000);
  std::memcpy(r.disk.Sector(100) + 54, "FAT12   ", 8);
  r.Directory(141 + 5 * 4, 5);
  g_SourceEndSector = 6000 + 5'000'000;
  struct LastSector final : ScanObserver {
    uint64_t last = 0;
    void OnProgress(const ScanProgress& p) override { last = std::max(last, p.sizeOrSector); }
  } observer;
  ScanControl control;
  ScanJob job{control, observer};
  EXPECT_EQ(FatPartitionFirstPass(job), ScanEnd::PassDone);
  const auto found = Found();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0]->Name(), u"FAT12");
  EXPECT_EQ(found[0]->startSector, 100u);
  EXPECT_EQ(found[0]->endSector, 4100u);
  EXPECT_EQ(found[0]->clusterBase, 141u);
  EXPECT_LT(observer.last, 6000u);
}

// The same search past sector 2^32 (a disk over 2 TiB): the boot sector, its layout and its
// directories keep their whole sector numbers, and so does a file system without a boot sector.
TEST(FatPartitionScan, FileSystemsPastSector2To32KeepTheirPlace) {
  Range r(2000);
  r.Boot(100, false, 4, 1, 8, 1000);  // cluster 0 at 141 of the window
  r.Directory(141 + 5 * 4, 5);
  r.Directory(1200, 10);  // no boot sector: 8 per cluster, cluster 0 at 1120 of the window
  r.Directory(1264, 18);
  const uint64_t base = (uint64_t{1} << 32) - 128;
  ResetDeviceHandleCache();
  storage_test::ServeWindow("\\\\.\\PhysicalDrive0", base + 2000, base,
                            Bytes(r.disk.Sector(0), r.disk.Sector(2000)));
  g_SourceStartSector = static_cast<int64_t>(base);
  g_SourceEndSector = static_cast<int64_t>(base + 1999);
  EXPECT_EQ(FirstPass(), ScanEnd::PassDone);

  const auto found = Found();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0]->startSector, base + 100);
  EXPECT_EQ(found[0]->endSector, base + 1100);
  EXPECT_EQ(found[0]->clusterBase, base + 141);
  EXPECT_EQ(found[0]->rootStart, base + 117);
  EXPECT_EQ(found[0]->fat2Start, base + 109);
  EXPECT_EQ(found[1]->clusterSize, 8u);
  EXPECT_EQ(found[1]->clusterBase, base + 1120);
  EXPECT_EQ(Assignments(), (std::map<uint32_t, uint32_t>{{5, 1}, {10, 2}, {18, 2}}));
  for (const FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next)
    EXPECT_GT(d->recordSector, uint64_t{UINT32_MAX}) << d->directoryId;
}

// Without a boot sector, two directories 8 clusters apart whose sectors are 64 sectors apart make
// a file system of 8 sectors per cluster; every other directory that fits it joins it.
TEST(FatPartitionScan, DirectoriesWithoutABootSectorInferAFileSystem) {
  Range r(2000);
  r.Directory(1000, 10);
  r.Directory(1064, 18);
  r.Directory(1100, 7);  // fits no other directory
  r.Directory(1160, 30);
  EXPECT_EQ(FirstPass(), ScanEnd::PassDone);
  const auto found = Found();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0]->Name(), u"FAT16");
  EXPECT_EQ(found[0]->clusterSize, 8u);
  EXPECT_EQ(found[0]->clusterBase, 920u);
  EXPECT_EQ(found[0]->startSector, 0u);
  EXPECT_EQ(found[0]->endSector, 0u);
  EXPECT_EQ(Assignments(),
            (std::map<uint32_t, uint32_t>{{10, 1}, {18, 1}, {7, 0xFFFFFFFF}, {30, 1}}));
}

// A guess made while searching for FAT16 whose directories use cluster numbers above 65,536 is a
// FAT32 file system; two file systems without boot sectors are told apart.
TEST(FatPartitionScan, InferredFileSystemsWithLargeClusterNumbersAreFat32) {
  Range r(80000);
  r.Directory(1000, 3);  // one cluster per sector from 997
  r.Directory(1002, 5);
  r.Directory(5000 + 70000, 70000);  // one per sector from 5000
  r.Directory(5000 + 70005, 70005);
  r.Directory(5000 + 70100, 70100);
  EXPECT_EQ(FirstPass(), ScanEnd::PassDone);
  const auto found = Found();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0]->Name(), u"FAT16");
  EXPECT_EQ(found[0]->clusterBase, 997u);
  EXPECT_EQ(found[1]->Name(), u"FAT32");
  EXPECT_EQ(found[1]->clusterSize, 1u);
  EXPECT_EQ(found[1]->clusterBase, 5000u);
  EXPECT_EQ(Assignments(),
            (std::map<uint32_t, uint32_t>{{3, 1}, {5, 1}, {70000, 2}, {70005, 2}, {70100, 2}}));
}

// Stop ends the search of sectors; the analysis of what was found still runs.
TEST(FatPartitionScan, StopEndsTheSearchButNotTheAnalysis) {
  Range r(3000);
  r.Boot(0, false, 1, 1, 8, 3000);  // cluster 0 at 0 + 1 + 16 + 32 - 2 = 47
  r.Directory(47 + 10, 10);
  r.Directory(2000, 99);  // beyond the first read of 520 sectors
  // The user stops as the bar first moves, after the first read.
  struct StopAtFirstBar final : ScanObserver {
    explicit StopAtFirstBar(ScanControl& c) : control(c) {}
    void OnBar(int) override { control.RequestStop(); }
    ScanControl& control;
  };
  ScanControl control;
  StopAtFirstBar observer(control);
  ScanJob job{control, observer};
  EXPECT_EQ(FatPartitionFirstPass(job), ScanEnd::PassDone);
  EXPECT_EQ(Found().size(), 1u);
  EXPECT_EQ(Assignments(), (std::map<uint32_t, uint32_t>{{10, 1}}));
}
