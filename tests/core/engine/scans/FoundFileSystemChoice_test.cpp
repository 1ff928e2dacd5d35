#include "engine/scans/FoundFileSystemChoice.h"

#include <gtest/gtest.h>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "storage/VolumeGeometry.h"
#include "tests/core/storage/fat/FatTestImage.h"
#include "saving/ProgramState.h"

using namespace fat_test;

namespace {

struct Found {
  Found() : disk(3000) {
    // The disk member has set up the source already: only the scan's state starts afresh.
    ResetScanState();
    ResetVolumeGeometry();
    g_FileSystemName = FileSystemKind::Fat16;
  }
  ~Found() { ResetProgramState(); }
  PartitionRecord& Add(const PartitionRecord& r, std::u16string_view name) {
    return *AddPartitionRecord(g_ScanState.partitionList, r, name);
  }
  void FatStart(uint64_t sector) {
    disk.Write(sector * 512, Bytes{std::byte{0xF8}, std::byte{0xFF}, std::byte{0xFF}});
  }
  MemoryVolume disk;
};

}  // namespace

TEST(FoundFileSystemChoice, NodeTextsNameTheNumberAndType) {
  Found f;
  f.Add({}, u"FAT32");
  f.Add({}, u"FAT16");
  EXPECT_EQ(FoundFileSystemNodeText(2), "File System 2 - FAT16");
  EXPECT_EQ(FoundFileSystemNodeText(3), "");
  EXPECT_EQ(FoundFileSystemNodeText(0), "");
  g_FileSystemName = FileSystemKind::Ntfs;
  EXPECT_EQ(FoundFileSystemNodeText(1), "File System 1 - NTFS");
}

// A FAT16 file system found from its directories alone: its FATs are the first two sectors
// before its cluster area that begin like a FAT, and its root follows them.
TEST(FoundFileSystemChoice, AFileSystemWithoutBootSectorHasItsFatsSearched) {
  Found f;
  PartitionRecord inferred;
  inferred.clusterSize = 4;
  inferred.clusterBase = 2000;
  f.Add(inferred, u"FAT16");
  f.FatStart(1000);  // before the search starts (2000 - 550): not taken
  f.FatStart(1600);
  f.FatStart(1700);
  f.FatStart(1800);
  ASSERT_EQ(TakeFoundFileSystem(1), 1);
  const VolumeGeometry& g = g_VolumeGeometry;
  EXPECT_EQ(g.ClusterBaseSector, 2000u);
  EXPECT_EQ(g.SectorsPerCluster, 4u);
  EXPECT_EQ(g.Fat1StartSector, 1600u);
  EXPECT_EQ(g.Fat2StartSector, 1700u);
  EXPECT_EQ(g.FatSizeSectors, 100u);
  EXPECT_EQ(g.RootDirectory, 1800u);
  EXPECT_EQ(g.RootDirectorySectors, 32u);
  EXPECT_EQ(g_ScanState.partitionList.head->startSector, 2000u);
  EXPECT_EQ(g_ScanState.partitionList.head->endSector, 3000u);  // the source's end, one past
  EXPECT_EQ(TakeFoundFileSystem(2), 0);
}

// A file system found with its boot sector keeps the boot sector's values; the name it was found
// as becomes the file system of the scan.
TEST(FoundFileSystemChoice, AFileSystemWithBootSectorKeepsItsValues) {
  Found f;
  PartitionRecord r;
  r.startSector = 100;
  r.endSector = 900;
  r.clusterSize = 8;
  r.clusterBase = 300;
  r.fat1Start = 132;
  r.fat2Start = 200;
  r.fatSize = 68;
  r.reservedSectors = 32;
  r.rootStart = 2;
  f.Add(r, u"FAT32");
  ASSERT_EQ(TakeFoundFileSystem(1), 1);
  const VolumeGeometry& g = g_VolumeGeometry;
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat32);
  EXPECT_EQ(g.Fat1StartSector, 132u);
  EXPECT_EQ(g.FatSizeSectors, 68u);
  EXPECT_EQ(g.ReservedSectors, 32u);
  EXPECT_EQ(g.RootDirectory, 2u);
  EXPECT_EQ(g.RootDirectorySectors, 0u);
  EXPECT_EQ(g.ClusterBaseSector, 300u);
}

// The volume geometry holds 32-bit sectors: a file system found past sector 2^32 is refused
// rather than scanned at a cut-down place, and the geometry stays as it was.
TEST(FoundFileSystemChoice, AFileSystemBeyondTheGeometrysSectorsIsRefused) {
  Found f;
  const uint64_t far = uint64_t{1} << 32;
  PartitionRecord fat;
  fat.clusterSize = 8;
  fat.clusterBase = far + 200;
  fat.fat1Start = far + 10;
  fat.fat2Start = far + 100;
  fat.rootStart = 2;
  f.Add(fat, u"FAT32");
  PartitionRecord ntfs;
  ntfs.clusterSize = 8;
  ntfs.startSector = far + 64;
  f.Add(ntfs, u"NTFS");
  g_VolumeGeometry.ClusterBaseSector = 77;
  EXPECT_EQ(TakeFoundFileSystem(1), 0);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat16);
  g_FileSystemName = FileSystemKind::Ntfs;
  EXPECT_EQ(TakeFoundFileSystem(2), 0);
  EXPECT_EQ(g_VolumeGeometry.ClusterBaseSector, 77u);
}
