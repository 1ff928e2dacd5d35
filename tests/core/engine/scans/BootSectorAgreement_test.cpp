// The volume detection and the partition search read the same boot sectors through the same
// readers: on every fixture image, each file system the search finds by its boot sector is
// detected at its start with the geometry the search gives it, and every single-volume image's
// volume is found at sector 0. Runs over the images tests/fixtures/build-all.sh builds; skips
// when they are not built.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/records/ScanState.h"
#include "engine/scans/FatPartitionScan.h"
#include "engine/scans/FoundFileSystemChoice.h"
#include "engine/scans/NtfsSignatureScan.h"
#include "platform/DeviceNamespace.h"
#include "platform/TextCodec.h"
#include "saving/ProgramState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

const std::string kFixtures = MERROWIND_FIXTURE_DIR;
constexpr const char* kDisk = "\\\\.\\PhysicalDrive0";

struct Image {
  const char* path;       // under the fixture folder
  int32_t bytesPerSector;
  bool wholeVolume;       // one volume at sector 0 that the search must find there
};

const Image kImages[] = {
    {"fat/fat12.img", 512, true},      {"fat/fat16-s1.img", 512, true},
    {"fat/fat16-s8.img", 512, true},   {"fat/fat16-s64.img", 512, false},
    {"fat/fat32-s1.img", 512, true},   {"fat/fat32-s8.img", 512, true},
    {"fat/fat32-s64.img", 512, true},  {"fat/fat32-folders.img", 512, true},
    {"ntfs/ntfs-c512.img", 512, true}, {"ntfs/ntfs-c4096.img", 512, true},
    {"ntfs/ntfs-s4096.img", 4096, true}, {"ntfs/ntfs-attrlist.img", 512, true},
    {"ntfs/ntfs-compressed.img", 512, true}, {"ntfs/ntfs-reused.img", 512, true},
    {"disks/mbr.img", 512, false},     {"disks/gpt.img", 512, false},
    {"e2e/disk.img", 512, false},
};
// fat16-s64.img: 64-sector clusters from sector 0 put cluster 0 before the disk's first sector,
// which the search refuses and the detection keeps as a two's-complement base.

struct Found {
  int32_t number;
  std::string name;
  uint64_t start, end;
  bool byBootSector;
};

// The first pass of the partition search for `kind` over the whole image: what it lists.
std::vector<Found> Search(FileSystemKind kind, int64_t sectors, int32_t bps) {
  ResetProgramState();
  ResetDeviceHandleCache();
  g_CurrentDevice = 0;
  g_BytesPerSector = bps;
  g_SourceStartSector = 0;
  g_SourceEndSector = sectors;
  g_FileSystemName = kind;
  g_ScanState.fileSystem = kind;
  g_PartitionMode = 1;
  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  const ScanEnd end =
      kind == FileSystemKind::Ntfs ? RunNtfsSignatureScan(job) : FatPartitionScanThread(job);
  EXPECT_EQ(end, ScanEnd::PassDone);
  std::vector<Found> found;
  int32_t n = 1;
  for (const PartitionRecord* r = g_ScanState.partitionList.head; r; r = r->next, ++n)
    found.push_back({n, Utf16ToUtf8(r->Name()), r->startSector, r->endSector,
                     kind == FileSystemKind::Ntfs || r->fat1Start != 0});
  return found;
}

// The geometry of found file system n as its choice takes it, after a search for `kind`.
VolumeGeometry Chosen(FileSystemKind kind, int64_t sectors, int32_t bps, int32_t n) {
  Search(kind, sectors, bps);
  ResetVolumeGeometry();
  EXPECT_EQ(TakeFoundFileSystem(n), 1);
  return g_VolumeGeometry;
}

// The geometry the detection reads for a volume of `kind` at [start, end).
VolumeGeometry Detected(FileSystemKind kind, uint64_t start, uint64_t end, int32_t bps) {
  ResetProgramState();
  ResetDeviceHandleCache();
  g_CurrentDevice = 0;
  g_BytesPerSector = bps;
  g_FileSystemName = kind;
  g_SourceStartSector = static_cast<int64_t>(start);
  g_SourceEndSector = static_cast<int64_t>(end);
  EXPECT_EQ(DetectVolumeGeometry(), 1);
  return g_VolumeGeometry;
}

void ExpectSameFatGeometry(const VolumeGeometry& detected, const VolumeGeometry& chosen) {
  EXPECT_EQ(detected.SectorsPerCluster, chosen.SectorsPerCluster);
  EXPECT_EQ(detected.ReservedSectors, chosen.ReservedSectors);
  EXPECT_EQ(detected.FatSizeSectors, chosen.FatSizeSectors);
  EXPECT_EQ(detected.RootDirectory, chosen.RootDirectory);
  EXPECT_EQ(detected.RootDirectorySectors, chosen.RootDirectorySectors);
  EXPECT_EQ(detected.ClusterBaseSector, chosen.ClusterBaseSector);
  EXPECT_EQ(detected.Fat1StartSector, chosen.Fat1StartSector);
  EXPECT_EQ(detected.Fat2StartSector, chosen.Fat2StartSector);
}

void ExpectSameNtfsGeometry(const VolumeGeometry& detected, const VolumeGeometry& chosen) {
  EXPECT_EQ(detected.SectorsPerCluster, chosen.SectorsPerCluster);
  EXPECT_EQ(detected.ClusterBaseSector, chosen.ClusterBaseSector);
  EXPECT_EQ(detected.SectorsPerMftRecord, chosen.SectorsPerMftRecord);
  EXPECT_EQ(detected.SectorsPerIndexRecord, chosen.SectorsPerIndexRecord);
}

TEST(BootSectorAgreement, DetectionAndPartitionSearchReadTheSameVolumes) {
  if (!std::filesystem::exists(kFixtures + "/fat/fat16-s1.img"))
    GTEST_SKIP() << "fixture images not built (tests/fixtures/build-all.sh)";
  for (const Image& image : kImages) {
    SCOPED_TRACE(image.path);
    const std::string path = kFixtures + "/" + image.path;
    ASSERT_TRUE(std::filesystem::exists(path));
    MapDeviceToFile(kDisk, path);
    const int64_t sectors =
        static_cast<int64_t>(std::filesystem::file_size(path) / image.bytesPerSector);
    bool foundAtZero = false;
    for (FileSystemKind kind : {FileSystemKind::Fat16, FileSystemKind::Ntfs}) {
      for (const Found& f : Search(kind, sectors, image.bytesPerSector)) {
        if (!f.byBootSector) continue;
        SCOPED_TRACE(f.name + " at " + std::to_string(f.start));
        foundAtZero |= f.start == 0;
        const FileSystemKind found = ParseFileSystemKind(f.name);
        // The detection reads no FAT12 volume.
        if (found == FileSystemKind::Fat12) continue;
        const VolumeGeometry chosen = Chosen(kind, sectors, image.bytesPerSector, f.number);
        const VolumeGeometry detected = Detected(found, f.start, f.end, image.bytesPerSector);
        if (found == FileSystemKind::Ntfs)
          ExpectSameNtfsGeometry(detected, chosen);
        else
          ExpectSameFatGeometry(detected, chosen);
      }
    }
    EXPECT_EQ(foundAtZero, image.wholeVolume);
  }
  ResetProgramState();
  ResetDeviceHandleCache();
  ClearDeviceMappings();
}

}  // namespace
