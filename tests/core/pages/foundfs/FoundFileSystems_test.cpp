// The found-file-systems page's logic without a window: node texts, the number a node names, the
// fields of a chosen file system, Back, and which buttons act while a log is saved.
#include <gtest/gtest.h>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "pages/foundfs/FoundFileSystems.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

class FoundFileSystemsTest : public testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }

  static void Found(std::u16string_view name, uint64_t start, uint64_t end, uint32_t cluster = 8) {
    PartitionRecord r;
    r.startSector = start;
    r.endSector = end;
    r.clusterSize = cluster;
    r.clusterBase = start;
    r.fat1Start = start + 32;
    r.fat2Start = start + 64;
    r.fileRecordSectors = 2;
    r.indexRecordSectors = 8;
    AddPartitionRecord(g_ScanState.partitionList, r, name);
    g_ScanState.partitionCount = g_ScanState.partitionCount.load() + 1;
  }
};

TEST_F(FoundFileSystemsTest, NodesNameEveryFoundFileSystemInOrder) {
  g_FileSystemName = FileSystemKind::Ntfs;
  for (int i = 0; i < 3; ++i) Found(u"NTFS", 2048 + i * 100000, 2048 + i * 100000 + 50000);
  EXPECT_EQ(FoundFileSystemNodeTexts(),
            (std::vector<std::string>{"File System 1 - NTFS", "File System 2 - NTFS",
                                      "File System 3 - NTFS"}));
  ResetProgramState();
  g_FileSystemName = FileSystemKind::Fat12;
  Found(u"FAT32", 2048, 75776);
  Found(u"FAT16", 94208, 102400);
  EXPECT_EQ(FoundFileSystemNodeTexts(),
            (std::vector<std::string>{"File System 1 - FAT32", "File System 2 - FAT16"}));
}

TEST(FoundFileSystemNumber, OnlyAPlainNumberWithinTheCount) {
  const std::pair<std::string_view, int32_t> cases[] = {
      {"File System 1 - NTFS", 1},  {"File System 3 - FAT16", 3}, {"File System 4 - NTFS", 0},
      {"File System 0 - NTFS", 0},  {"File System - NTFS", 0},    {"File System -1 - NTFS", 0},
      {"File System 2x - NTFS", 0}, {"File System", 0},           {"Disk 2 - NTFS", 0},
      {"File System 4294967297 - NTFS", 0},
  };
  for (const auto& [text, n] : cases) EXPECT_EQ(FoundFileSystemNumberFromText(text, 3), n) << text;
}

TEST(FoundFileSystemSize, WholeUnitsFromTheSectorCount) {
  struct Case {
    uint64_t start, end;
    uint32_t bps;
    const char* text;
  } const cases[] = {
      {0, 1000000, 512, "488 MB"},
      {63, 63 + 2048, 512, "1 MB"},
      {0, 2047, 512, ""},             // below 1 MiB
      {0, 2097152, 512, "1024 MB"},   // exactly 1 GiB stays in MB
      {0, 2097153, 512, "1 GB"},
      {0, 4096, 4096, "16 MB"},       // sectors of the disk's own size
      {500, 100, 512, ""},            // an end before the start
  };
  for (const Case& c : cases) EXPECT_EQ(FoundFileSystemSizeText(c.start, c.end, c.bps), c.text);
}

TEST_F(FoundFileSystemsTest, ChoosingTakesTheGeometryAndTheNumber) {
  g_FileSystemName = FileSystemKind::Ntfs;
  g_BytesPerSector = 512;
  Found(u"NTFS", 2048, 1002048, 4);
  Found(u"NTFS", 2000000, 2016384, 8);
  const auto fields = ChooseFoundFileSystem(2);
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->type, "NTFS");
  EXPECT_EQ(fields->size, "8 MB");
  EXPECT_EQ(fields->start, "2000000");
  EXPECT_EQ(fields->end, "2016384");
  EXPECT_TRUE(fields->scannable);
  EXPECT_EQ(g_ScanState.chosenFileSystem.load(), 2);
  EXPECT_EQ(g_VolumeGeometry.ClusterBaseSector, 2000000u);
  EXPECT_EQ(g_VolumeGeometry.SectorsPerCluster, 8u);
  EXPECT_EQ(ChooseFoundFileSystem(1)->size, "488 MB");
  // A number outside the count changes nothing.
  EXPECT_FALSE(ChooseFoundFileSystem(3));
  EXPECT_FALSE(ChooseFoundFileSystem(0));
  EXPECT_EQ(g_ScanState.chosenFileSystem.load(), 1);
}

TEST_F(FoundFileSystemsTest, AFileSystemStartingPastSector2Pow32IsMarkedBeyondTheLimit) {
  g_FileSystemName = FileSystemKind::Ntfs;
  g_BytesPerSector = 512;
  const uint64_t limit = uint64_t{1} << 32;
  Found(u"NTFS", limit - 16384, limit + 16384, 8);  // starts below: its end may lie past
  Found(u"NTFS", limit, limit + 16384, 8);
  const auto below = ChooseFoundFileSystem(1);
  ASSERT_TRUE(below);
  EXPECT_FALSE(below->beyondLimit);
  const auto above = ChooseFoundFileSystem(2);
  ASSERT_TRUE(above);
  EXPECT_TRUE(above->beyondLimit);
  EXPECT_FALSE(above->scannable);
}

TEST_F(FoundFileSystemsTest, ChoosingAFatFileSystemNamesItsKind) {
  g_FileSystemName = FileSystemKind::Fat12;
  Found(u"FAT32", 2048, 75776);
  const auto fields = ChooseFoundFileSystem(1);
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->type, "FAT32");
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat32);
  EXPECT_EQ(g_VolumeGeometry.Fat1StartSector, 2048u + 32);
}

TEST_F(FoundFileSystemsTest, BackLeavesNoListBehind) {
  Found(u"NTFS", 2048, 4096);
  g_LogLoaded = 1;
  FreeFoundFileSystemLists();
  EXPECT_EQ(g_ScanState.partitionList.head, nullptr);
  EXPECT_EQ(g_ScanState.partitionCount.load(), 0u);
  EXPECT_EQ(g_ScanState.folderList.head, nullptr);
  EXPECT_EQ(g_ScanState.fileList.head, nullptr);
  EXPECT_EQ(g_LogLoaded.load(), 0);
}

TEST(FoundFileSystemButtons, SavingALogHoldsBackNextAndLoad) {
  const FoundFileSystemButtons idle = FoundFileSystemButtonStates(true, false);
  EXPECT_TRUE(idle.next && idle.back && idle.saveLog);
  const FoundFileSystemButtons saving = FoundFileSystemButtonStates(true, true);
  EXPECT_FALSE(saving.next || saving.back || saving.saveLog);
  const FoundFileSystemButtons none = FoundFileSystemButtonStates(false, false);
  EXPECT_FALSE(none.next);
  EXPECT_TRUE(none.back && none.saveLog);
}

}  // namespace
