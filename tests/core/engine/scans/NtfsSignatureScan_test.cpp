#include "engine/scans/NtfsSignatureScan.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "engine/scans/FileSystemDump.h"
#include "engine/records/RecordBuilders.h"
#include "engine/scanlog/ScanLogFormat.h"
#include "engine/scanlog/ScanLogGlobals.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "engine/scanlog/ScanLogWriter.h"
#include "engine/scans/ScanSelect.h"
#include "engine/records/ScanState.h"
#include "storage/SectorIo.h"
#include "tests/core/TestPrompts.h"
#include "tests/core/engine/scans/SignatureDisk.h"
#include "tests/core/storage/StorageTestUtil.h"
#include "tests/core/storage/WindowDevice.h"
#include "saving/ProgramState.h"

namespace {

using sig_test::Bytes;
using sig_test::VolumeWriter;

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

class StepObserver : public ScanObserver {
 public:
  std::vector<std::string> steps;
  std::function<void(int)> onBar;
  void OnStepText(std::string_view t) override { steps.emplace_back(t); }
  void OnBar(int p) override {
    if (onBar) onBar(p);
  }
};

struct Folder {
  uint32_t parent;
  std::string name;
  int16_t partition;
  uint64_t locator;
  char deleted;
};
struct File {
  uint32_t id;
  uint32_t parent;
  uint64_t size;
  uint64_t locator;
  char deleted;
};

std::string Narrow(std::u16string_view s) {
  return std::string(s.begin(), s.end());
}

// Folders of one file system by id (the results page shows only those).
std::map<uint32_t, Folder> Folders(int16_t partition) {
  std::map<uint32_t, Folder> m;
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next)
    if (f->partition == partition)
      m[f->id] = {
          f->parentId,
          f->ansiName.IsSet() ? std::string(f->ansiName.View()) : Narrow(f->wideName.View()),
          f->partition, f->locator, static_cast<char>(f->deleted)};
  return m;
}

std::multimap<std::string, File> Files() {
  std::multimap<std::string, File> m;
  for (FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
    m.emplace(Narrow(f->wideName.View()),
              File{f->id, f->parentId, f->size, f->locator, static_cast<char>(f->deleted)});
  return m;
}

std::vector<PartitionRecord> Partitions() {
  std::vector<PartitionRecord> v;
  for (const PartitionRecord* r = g_ScanState.partitionList.head; r; r = r->next) v.push_back(*r);
  return v;
}

class NtfsSignatureScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    ClearDeviceMappings();
    ResetProgramState();
    SetUserPrompts(&prompts);
  }
  void TearDown() override {
    SetUserPrompts(nullptr);
    ResetProgramState();
    ClearDeviceMappings();
    ResetSourceGlobals();
  }
  // Serves the disk; the range is the whole disk.
  void Serve(const Bytes& bytes, std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>()) {
    ResetDeviceHandleCache();
    auto disk = std::make_shared<MemoryDisk>();
    disk->bytes = bytes;
    storage_test::ServeDisk(kDevice, disk, plan);
    SetDevicePath(0, kDevice);
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_FileSystemName = FileSystemKind::Ntfs;
    g_SourceStartSector = 0;
    g_SourceEndSector = static_cast<int64_t>(bytes.size() / 512);
  }
  ScanEnd Run(ScanThreadFn fn, ScanObserver& observer) {
    ScanEnd end = ScanEnd::Failed;
    std::thread worker([&] {
      ScanJob job{control, observer};
      end = fn(job);
    });
    worker.join();
    return end;
  }
  ScanEnd Run(ScanThreadFn fn) {
    ScanObserver quiet;
    return Run(fn, quiet);
  }

  test_support::RecordingPrompts prompts;
  ScanControl control;
};

TEST_F(NtfsSignatureScanTest, FormattedRecoveryRebuildsTheTreeFromTheRecordsFound) {
  Bytes disk(4096 * 512);
  VolumeWriter v{disk, 0, 8, 4095};
  v.Sample();
  Serve(disk);
  g_FormattedMode = 1;
  StepObserver observer;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs), observer), ScanEnd::Finished);

  // The volume's own boot sector finds its directories' index blocks: one file system.
  const auto parts = Partitions();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].Name(), u"NTFS");
  EXPECT_EQ(parts[0].startSector, 0u);
  // One past the backup boot sector, which the boot sector's count of 4,095 leaves out.
  EXPECT_EQ(parts[0].endSector, 4096u);
  EXPECT_EQ(parts[0].clusterSize, 8u);
  EXPECT_EQ(parts[0].fileRecordSectors, 2u);
  EXPECT_EQ(parts[0].indexRecordSectors, 8u);
  EXPECT_EQ(g_ScanState.chosenFileSystem.load(), 1);
  EXPECT_EQ(g_NtfsSignatureScanCounts.indxBlocks, 3u);

  // The root is no folder; Docs has its number from its index root, Big from the root's block.
  const auto folders = Folders(1);
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_EQ(folders.count(kNtfsRootId), 0u);
  EXPECT_EQ(folders.at(kLostFolderId).name, "Lost");
  EXPECT_EQ(folders.at(kLostFolderId).parent, kNtfsRootId);
  EXPECT_EQ(folders.at(30).name, "Docs");
  EXPECT_EQ(folders.at(30).parent, kNtfsRootId);
  EXPECT_EQ(folders.at(30).locator, v.RecordSector(30));
  EXPECT_EQ(folders.at(32).name, "Big");

  // Files: "$MFT" numbered 1 like "$MFTMirr", the others from their neighbours (also the one
  // after the last directory); the record without a name (parent 0) is no file.
  const auto files = Files();
  EXPECT_EQ(files.size(), 5u);  // $MFT, $MFTMirr, a.txt, b.txt, tail.txt
  EXPECT_EQ(files.find("$MFT")->second.id, 1u);
  EXPECT_EQ(files.find("$MFTMirr")->second.id, 1u);
  const File a = files.find("a.txt")->second;
  EXPECT_EQ(a.id, 31u);
  EXPECT_EQ(a.parent, 30u);
  EXPECT_EQ(a.size, 100u);
  EXPECT_EQ(a.locator, v.RecordSector(31));
  EXPECT_EQ(files.find("b.txt")->second.id, 33u);
  EXPECT_EQ(files.find("b.txt")->second.parent, 32u);
  const File tail = files.find("tail.txt")->second;
  EXPECT_EQ(tail.id, 35u);
  EXPECT_EQ(tail.deleted, 'y');
  // No file takes the name of a folder beside it (the folder "Lost" in the root above all).
  EXPECT_EQ(files.count("Lost"), 0u);
  for (const auto& [name, file] : files)
    for (const auto& [id, folder] : Folders(1))
      EXPECT_FALSE(folder.name == name && folder.parent == file.parent) << name;
  EXPECT_EQ(g_ScanState.totalSize.load(), 100u + 500u + 7u);
  // The found lists are consumed by the dump.
  EXPECT_EQ(g_ScanState.foundDirList.head, nullptr);
  EXPECT_EQ(g_ScanState.foundFileList.head, nullptr);

  const std::vector<std::string> expected = {std::string(kSignatureStep1),
                                             std::string(kSignatureStep2),
                                             std::string(kSignatureStep3),
                                             std::string(kSignatureStep41),
                                             std::string(kSignatureStep41Enumerated) + "1",
                                             std::string(kDumpNtfsStep),
                                             std::string(kDumpLostStep)};
  EXPECT_EQ(observer.steps, expected);
}

// One unreadable sector in the search costs only the record it lies in, whatever the answer, and
// the user is asked about it once.
// After a quick format a folder may be found without its name (its $FILE_NAME gone), and files
// may name a parent that was never found: the folder is named from its number and goes under
// "Lost" with its files; the files of the missing parent go straight under "Lost".
TEST_F(NtfsSignatureScanTest, NamelessFoldersAreNamedAndFilesWithoutAFolderGoUnderLost) {
  Bytes disk(4096 * 512);
  VolumeWriter v{disk, 0, 8, 4095};
  v.Sample();
  ntfs_test::RecordBuilder nameless(1024, 3, 40);
  nameless.StandardInformation(1, 2, 3);
  nameless.Resident(0x90, sig_test::IndexRootValue({}), u"$I30");
  v.Write(v.RecordSector(40), nameless.Protected());
  v.File(41, 40, u"inside.txt", 11);
  v.File(42, 60, u"stray.txt", 13, 0);
  Serve(disk);
  g_FormattedMode = 1;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
  const auto folders = Folders(1);
  ASSERT_EQ(folders.count(40), 1u);
  EXPECT_EQ(folders.at(40).name, "Dir40");
  EXPECT_EQ(folders.at(40).parent, kLostFolderId);
  const auto files = Files();
  EXPECT_EQ(files.find("inside.txt")->second.parent, 40u);
  EXPECT_EQ(files.find("stray.txt")->second.parent, kLostFolderId);
  EXPECT_EQ(files.find("a.txt")->second.parent, 30u);
}

TEST_F(NtfsSignatureScanTest, ABadSectorCostsOnlyTheRecordItLiesIn) {
  for (int answer : {0, 1, 2, 3}) {
    SCOPED_TRACE(answer);
    ResetProgramState();
    prompts.AnswerBadSectors(answer);
    prompts.badSectorQuestions = 0;
    Bytes disk(4096 * 512);
    VolumeWriter v{disk, 0, 8, 4095};
    v.Sample();
    auto plan = std::make_shared<FaultPlan>();
    // The second sector of a.txt's record, in the same run of 40 sectors as the records of Docs,
    // Big, b.txt and tail.txt.
    plan->badSectors.insert(v.RecordSector(31) + 1);
    Serve(disk, plan);
    g_FormattedMode = 1;
    ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
    const auto files = Files();
    EXPECT_EQ(files.count("a.txt"), 0u);
    EXPECT_EQ(files.count("b.txt"), 1u);
    EXPECT_EQ(files.count("tail.txt"), 1u);
    const auto folders = Folders(1);
    EXPECT_EQ(folders.count(30), 1u);
    EXPECT_EQ(folders.count(32), 1u);
    EXPECT_EQ(prompts.badSectorQuestions, 1);
  }
}

// Formatted recovery of a volume whose boot sectors the detection could not use: the files are
// read with the geometry of the file system the search found, not with nothing.
TEST_F(NtfsSignatureScanTest, FormattedRecoveryTakesTheGeometryOfTheFileSystemFound) {
  Bytes disk(4096 * 512);
  VolumeWriter v{disk, 64, 8, 4000};
  v.Sample();
  Serve(disk);
  g_SourceStartSector = 64;
  g_FormattedMode = 1;
  ASSERT_EQ(g_VolumeGeometry.SectorsPerMftRecord, 0u);
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
  ASSERT_EQ(Partitions().size(), 1u);
  EXPECT_EQ(g_VolumeGeometry.SectorsPerCluster, 8u);
  EXPECT_EQ(g_VolumeGeometry.SectorsPerMftRecord, 2u);
  EXPECT_EQ(g_VolumeGeometry.SectorsPerIndexRecord, 8u);
  EXPECT_EQ(g_VolumeGeometry.ClusterBaseSector, 64u);
  EXPECT_EQ(Files().count("a.txt"), 1u);
}

// A range that runs past the source is searched up to the source's end, not as zeros beyond it.
TEST_F(NtfsSignatureScanTest, ARangePastTheSourceIsCutAtItsSize) {
  Bytes disk(4096 * 512);
  VolumeWriter v{disk, 0, 8, 4095};
  v.Sample();
  Serve(disk);
  g_SourceEndSector = int64_t{1} << 40;
  g_FormattedMode = 1;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
  EXPECT_EQ(g_NtfsSignatureScanCounts.sectors, 4096u);
  EXPECT_EQ(Files().count("a.txt"), 1u);
}

TEST_F(NtfsSignatureScanTest, TheMirrorsCopiesOfTheFirstRecordsAreNoSecondFiles) {
  Bytes disk(4096 * 512);
  VolumeWriter v{disk, 0, 8, 4095};
  v.Sample();
  // The boot sector puts $MFTMirr at cluster 2: copies of records 0 and 1 as NTFS keeps them.
  const uint64_t mirror = v.ClusterSector(2);
  for (uint32_t k = 0; k < 2; ++k)
    std::memcpy(disk.data() + (mirror + 2 * k) * 512, disk.data() + v.RecordSector(k) * 512, 1024);
  struct Case {
    const char* what;
    bool mainRecord0;
    uint64_t mftLocator;
  };
  const Case cases[] = {
      {"the MFT and its mirror", true, v.RecordSector(0)},
      // Where the MFT's own record 0 is gone the mirror's copy is the only one, and stays.
      {"only the mirror's record 0", false, mirror},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.mainRecord0) std::fill_n(disk.data() + v.RecordSector(0) * 512, 1024, std::byte{0});
    ResetScanState();
    Serve(disk);
    g_FormattedMode = 1;
    ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
    const auto files = Files();
    ASSERT_EQ(files.count("$MFT"), 1u);
    ASSERT_EQ(files.count("$MFTMirr"), 1u);
    EXPECT_EQ(files.find("$MFT")->second.locator, c.mftLocator);
    EXPECT_EQ(files.find("$MFTMirr")->second.locator, v.RecordSector(1));
    EXPECT_EQ(g_NtfsSignatureScanCounts.mirrorCopies, c.mainRecord0 ? 2u : 1u);
    EXPECT_EQ(files.find("a.txt")->second.id, 31u);
  }
}

TEST_F(NtfsSignatureScanTest, RecordsPastSector2To32KeepTheirPlaceAndNoLogCutsThem) {
  // The sample volume starts 32 sectors before sector 2^32, so its records lie past it.
  const uint64_t base = (uint64_t{1} << 32) - 32;
  Bytes window(4096 * 512);
  VolumeWriter v{window, 0, 8, 4095};
  v.Sample();
  const uint64_t sectors = base + 4096;
  ResetDeviceHandleCache();
  storage_test::ServeWindow(kDevice, sectors, base, window);
  SetDevicePath(0, kDevice);
  g_CurrentDevice = 0;
  g_BytesPerSector = 512;
  g_FileSystemName = FileSystemKind::Ntfs;
  g_SourceStartSector = static_cast<int64_t>(base);
  g_SourceEndSector = static_cast<int64_t>(sectors);
  g_FormattedMode = 1;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);

  const auto parts = Partitions();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].startSector, base);
  EXPECT_EQ(parts[0].endSector, base + 4096);
  const auto folders = Folders(1);
  ASSERT_EQ(folders.count(30), 1u);
  EXPECT_EQ(folders.at(30).locator, base + v.RecordSector(30));
  EXPECT_GT(folders.at(30).locator, uint64_t{UINT32_MAX});
  const auto files = Files();
  ASSERT_EQ(files.count("a.txt"), 1u);
  EXPECT_EQ(files.find("a.txt")->second.locator, base + v.RecordSector(31));
  EXPECT_EQ(files.find("b.txt")->second.locator, base + v.RecordSector(33));
  EXPECT_EQ(files.find("tail.txt")->second.id, 35u);

  // The log keeps 32-bit sectors: saving these lists is refused and an older log stays as it was.
  storage_test::TempDir dir;
  const std::string path = dir.path() + "/scan.kvsl";
  { std::ofstream(path, std::ios::binary) << "older log"; }
  g_TreeMode = 2;
  EXPECT_TRUE(ScanLogValuesFit());
  EXPECT_FALSE(ScanLogRecordsFit(0));
  prompts.notices.clear();
  EXPECT_EQ(SaveScanLog(path), 0);
  EXPECT_EQ(prompts.notices, std::vector<std::string>{std::string(kLogCreateErrorText)});
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "older log");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(NtfsSignatureScanTest, PartitionSearchFindsEachVolumeAndEachChoiceShowsOnlyItsOwn) {
  Bytes disk(8192 * 512);
  VolumeWriter a{disk, 100, 8, 3000};
  a.Sample(u"A");
  VolumeWriter b{disk, 4200, 4, 3000};
  b.Sample(u"B");
  Serve(disk);
  g_PartitionMode = 1;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::PassDone);
  EXPECT_EQ(g_PartitionPass.load(), 1);
  const auto parts = Partitions();
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].startSector, 100u);
  EXPECT_EQ(parts[0].endSector, 3101u);  // one past start + the boot sector's count
  EXPECT_EQ(parts[0].clusterSize, 8u);
  EXPECT_EQ(parts[1].startSector, 4200u);
  EXPECT_EQ(parts[1].endSector, 7201u);
  EXPECT_EQ(parts[1].clusterSize, 4u);

  // Each choice builds its lists anew from the found records, which stay for the next choice.
  for (int n : {1, 2, 1}) {
    SCOPED_TRACE(n);
    g_ScanState.chosenFileSystem = n;
    ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
    const std::string own = n == 1 ? "A" : "B", other = n == 1 ? "B" : "A";
    const auto folders = Folders(static_cast<int16_t>(n));
    EXPECT_EQ(folders.at(30).name, "Docs" + own);
    EXPECT_EQ(folders.at(32).name, "Big");
    const auto files = Files();
    EXPECT_EQ(files.count("a" + own + ".txt"), 1u);
    EXPECT_EQ(files.count("tail" + own + ".txt"), 1u);
    EXPECT_EQ(files.count("a" + other + ".txt"), 0u);
    EXPECT_EQ(files.count("tail" + other + ".txt"), 0u);
    EXPECT_EQ(files.count("b.txt"), 1u);
    EXPECT_EQ(files.find("a" + own + ".txt")->second.locator, (n == 1 ? a : b).RecordSector(31));
    EXPECT_NE(g_ScanState.foundDirList.head, nullptr);
  }
}

TEST_F(NtfsSignatureScanTest, ARangeWithoutBootSectorIsOneFileSystemByItsOwnGeometry) {
  struct Case {
    uint32_t geometrySpc;
    size_t found;
  };
  for (const Case c : {Case{8, 1}, Case{0, 0}, Case{4, 0}}) {
    SCOPED_TRACE(c.geometrySpc);
    ResetScanState();
    Bytes disk(4096 * 512);
    VolumeWriter v{disk, 0, 8, 4095};
    v.Sample();
    std::fill_n(disk.begin(), 512, std::byte{0});  // no boot sector anywhere
    Serve(disk);
    g_PartitionMode = 1;
    g_PartitionPass = 0;
    g_VolumeGeometry = {2, 8, 0, 0, c.geometrySpc, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::PassDone);
    const auto parts = Partitions();
    ASSERT_EQ(parts.size(), c.found);
    if (c.found) {
      EXPECT_EQ(parts[0].startSector, 0u);
      EXPECT_EQ(parts[0].endSector, 4096u);
      EXPECT_EQ(parts[0].clusterSize, 8u);
    }
  }
}

TEST_F(NtfsSignatureScanTest, BootCandidateValues) {
  struct Case {
    uint8_t spc, perRecord, perIndex;
    uint32_t recordSectors, indexSectors;
  };
  const Case cases[] = {
      {8, 0xF6, 0xF4, 2, 8}, {1, 2, 1, 2, 1}, {2, 2, 4, 4, 8},
      {2, 3, 1, 6, 2},       {4, 2, 1, 8, 4}, {2, 5, 1, 2, 2},  // 10 sectors: replaced by 2
      {16, 1, 1, 2, 16},                                        // 16 sectors: replaced by 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.spc) << " " << int(c.perRecord));
    Bytes disk(4 * 512);
    VolumeWriter v{disk, 1, c.spc, 123456};
    v.Boot(c.perRecord, c.perIndex);
    NtfsBootCandidate out;
    ASSERT_TRUE(ParseNtfsBootCandidate(bo::Bytes(disk).subspan(512, 512), 1, 512, out));
    EXPECT_EQ(out.bootSector, 1u);
    EXPECT_EQ(out.sectorsPerCluster, c.spc);
    EXPECT_EQ(out.sectorsPerFileRecord, c.recordSectors);
    EXPECT_EQ(out.sectorsPerIndexRecord, c.indexSectors);
    EXPECT_EQ(out.totalSectors, 123456u);
    EXPECT_EQ(out.mftCluster, 4u);
    EXPECT_EQ(out.mftMirrorCluster, 2u);
  }
  {
    // 4 KiB sectors with 8 KiB clusters: 0xF4 is one sector of 4,096 bytes, not eight.
    Bytes disk(512);
    VolumeWriter v{disk, 0, 2, 1000};
    v.Boot(0xF4, 0xF4);
    NtfsBootCandidate out;
    ASSERT_TRUE(ParseNtfsBootCandidate(disk, 0, 4096, out));
    EXPECT_EQ(out.sectorsPerFileRecord, 1u);
    EXPECT_EQ(out.sectorsPerIndexRecord, 1u);
  }
  {
    // A volume past 2 TiB keeps its whole sector count, and a boot sector found past sector
    // 2^32 its own place.
    Bytes disk(512);
    VolumeWriter v{disk, 0, 8, 1000};
    v.Boot();
    ntfs_test::Put64(disk, 40, 0x1'2345'6789ull);
    NtfsBootCandidate out;
    ASSERT_TRUE(ParseNtfsBootCandidate(disk, 0x1'0000'0001ull, 512, out));
    EXPECT_EQ(out.bootSector, 0x1'0000'0001ull);
    EXPECT_EQ(out.totalSectors, 0x1'2345'6789ull);
  }
  // Not a boot sector: the signature or the name is missing.
  Bytes disk(512);
  VolumeWriter v{disk, 0, 8, 1000};
  v.Boot();
  NtfsBootCandidate out;
  disk[511] = std::byte{0};
  EXPECT_FALSE(ParseNtfsBootCandidate(disk, 0, 512, out));
  v.Boot();
  disk[3] = std::byte{'X'};
  EXPECT_FALSE(ParseNtfsBootCandidate(disk, 0, 512, out));
}

TEST_F(NtfsSignatureScanTest, ABootSectorWithABadClusterSizeIsSkippedAndTheNextOneUsed) {
  Bytes disk(4096 * 512);
  VolumeWriter v{disk, 100, 8, 3900};
  v.Sample();
  // Copies of the boot sector that claim 0 and 3 sectors per cluster, before the real one.
  for (uint32_t spc : {0u, 3u}) {
    VolumeWriter bad{disk, 10 + spc, spc, 3900};
    bad.Boot();
  }
  Serve(disk);
  g_PartitionMode = 1;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::PassDone);
  EXPECT_EQ(g_NtfsSignatureScanCounts.skippedCandidates, 2u);
  const auto parts = Partitions();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].startSector, 100u);
}

// A FILE record is taken from what was read when it lies within it, and read afresh when it runs
// past the chunk or the range; the size and check-byte tests decide.
TEST_F(NtfsSignatureScanTest, FileRecordsAreTakenWholeWhereverTheyLie) {
  struct Case {
    const char* what;
    uint64_t sector;    // where the record starts
    uint64_t rangeEnd;  // exclusive
    int allocated;      // the record's allocated-size field
    bool breakCheck;    // make bytes 1022/1023 differ from 510/511
    bool found;
  };
  const Case cases[] = {
      {"inside a chunk", 100, 2000, 1024, false, true},
      {"last sector of a chunk", 519, 2000, 1024, false, true},
      {"last sector of the range", 1999, 2000, 1024, false, true},
      {"a short last chunk after full ones", 1040, 1041, 1024, false, true},
      {"allocated size too small", 100, 2000, 256, false, false},
      {"allocated size not a multiple of 512", 100, 2000, 1000, false, false},
      {"allocated size too large", 100, 2000, 32768, false, false},
      {"check bytes differ", 100, 2000, 1024, true, false},
      {"check bytes differ past the chunk", 519, 2000, 1024, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetScanState();
    g_NtfsSignatureScanCounts = {};
    Bytes disk(2100 * 512);
    // A record of another update sequence number at the start of the second chunk: a short last
    // chunk leaves its second half in the buffer behind the data that was read.
    ntfs_test::RecordBuilder stale(1024, 1, 7);
    stale.FileName(5, u"stale.txt", 1);
    const Bytes staleBytes = stale.Protected(0x1111);
    std::memcpy(disk.data() + 520 * 512, staleBytes.data(), staleBytes.size());

    ntfs_test::RecordBuilder r(1024, 1, 9);
    r.StandardInformation(1, 2, 3);
    r.FileName(5, u"found.txt", 1);
    r.ResidentData(10);
    Bytes rec = r.Protected();
    ntfs_test::Put16(rec, 28, static_cast<uint16_t>(c.allocated));
    if (c.breakCheck) rec[1022] = std::byte{0x77};
    std::memcpy(disk.data() + c.sector * 512, rec.data(), rec.size());
    Serve(disk);
    g_SourceEndSector = static_cast<int64_t>(c.rangeEnd);
    NtfsSignatureLists lists;
    ScanObserver quiet;
    ScanJob job{control, quiet};
    ASSERT_EQ(SearchNtfsSignatures(job, TakeScanSource(), lists), ScanEnd::Finished);
    bool found = false;
    for (FoundFileRecord* f = g_ScanState.foundFileList.head; f; f = f->next) {
      if (f->wideName.View() != u"found.txt") continue;
      found = true;
      EXPECT_EQ(f->recordSector, c.sector);
      EXPECT_EQ(f->size, 10u);
      EXPECT_EQ(f->parentId, 5u);
    }
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(g_NtfsSignatureScanCounts.rejectedFileRecords, c.found ? 0u : 1u);
  }
}

TEST_F(NtfsSignatureScanTest, IndxBlocksNeedAPlausibleHeader) {
  Bytes disk(64 * 512);
  const Bytes good = sig_test::IndxBlock(3, {VolumeWriter::Entry(40, 30, u"x")});
  const Bytes low = sig_test::IndxBlock(0, {VolumeWriter::Entry(40, 4, u"x")});  // parent 4
  Bytes huge = good;
  ntfs_test::Put32(huge, 32, 65536);  // more than 64 KiB with its header
  std::memcpy(disk.data() + 8 * 512, good.data(), good.size());
  std::memcpy(disk.data() + 24 * 512, low.data(), low.size());
  std::memcpy(disk.data() + 40 * 512, huge.data(), huge.size());
  Serve(disk);
  NtfsSignatureLists lists;
  ScanObserver quiet;
  ScanJob job{control, quiet};
  ASSERT_EQ(SearchNtfsSignatures(job, TakeScanSource(), lists), ScanEnd::Finished);
  ASSERT_NE(lists.indx.head, nullptr);
  EXPECT_EQ(lists.indx.head->sector, 8u);
  EXPECT_EQ(lists.indx.head->directoryId, 30u);
  EXPECT_EQ(lists.indx.head->vcn, 3u);
  EXPECT_EQ(lists.indx.head->next, nullptr);
  EXPECT_EQ(g_NtfsSignatureScanCounts.rejectedIndxBlocks, 2u);
}

// With sectors larger than an index block, step 2 still reads whole blocks (a count rounded up,
// never zero sectors) and names the directory from its parent's block.
TEST_F(NtfsSignatureScanTest, SectorsLargerThanAnIndexBlockStillGiveWholeBlocks) {
  constexpr size_t kSector = 8192;
  Bytes disk(16 * kSector);
  ntfs_test::RecordBuilder big(1024, 3, 0);  // carries no number of its own
  big.StandardInformation(VolumeWriter::Created(32), 2, 3);
  big.FileName(5, u"Big", 1);
  big.Resident(0x90, sig_test::IndexRootValue({}), u"$I30");
  const Bytes record = big.Protected();
  std::memcpy(disk.data() + 2 * kSector, record.data(), record.size());
  const Bytes block = sig_test::IndxBlock(0, {VolumeWriter::Entry(32, 5, u"Big", true)});
  std::memcpy(disk.data() + 5 * kSector, block.data(), block.size());
  Serve(disk);
  g_BytesPerSector = kSector;
  g_SourceEndSector = 16;
  NtfsSignatureLists lists;
  ScanObserver quiet;
  ScanJob job{control, quiet};
  ASSERT_EQ(SearchNtfsSignatures(job, TakeScanSource(), lists), ScanEnd::Finished);
  ASSERT_NE(g_ScanState.foundDirList.head, nullptr);
  EXPECT_EQ(g_ScanState.foundDirList.head->directoryId, 0u);
  ASSERT_NE(lists.indx.head, nullptr);
  EXPECT_EQ(lists.indx.head->sector, 5u);
  ASSERT_EQ(AssignFolderMftNumbers(job, TakeScanSource(), lists), ScanEnd::Finished);
  EXPECT_EQ(g_ScanState.foundDirList.head->directoryId, 32u);
}

TEST_F(NtfsSignatureScanTest, StopDuringTheSearchStillDumpsWhatWasFound) {
  Bytes disk(20000 * 512);
  VolumeWriter v{disk, 0, 8, 19999};
  v.Sample();
  Serve(disk);
  g_FormattedMode = 1;
  StepObserver observer;
  observer.onBar = [&](int) {
    if (observer.steps.size() == 1) control.RequestStop();
  };
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs), observer), ScanEnd::Stopped);
  // The search ended after its first chunk: the records, but none of the index blocks.
  EXPECT_EQ(g_NtfsSignatureScanCounts.sectors, 520u);
  EXPECT_EQ(g_NtfsSignatureScanCounts.indxBlocks, 0u);
  EXPECT_EQ(observer.steps.back(), kDumpLostStep);
  const auto files = Files();
  ASSERT_EQ(files.count("a.txt"), 1u);
  EXPECT_EQ(files.find("a.txt")->second.parent, 30u);
  const auto folders = Folders(1);
  EXPECT_EQ(folders.count(30), 1u);
  EXPECT_EQ(folders.count(32), 1u);  // numbered from its neighbours when no block names it
}

TEST_F(NtfsSignatureScanTest, TheChosenFileSystemIsANumberCheckedAgainstTheFoundOnes) {
  g_PartitionMode = 1;
  g_PartitionPass = 1;
  g_FileSystemName = FileSystemKind::Ntfs;
  for (int i = 1; i <= 12; ++i) {
    PartitionRecord r;
    r.startSector = 1000u * i;
    r.endSector = 1000u * i + 999;
    AddPartitionRecord(g_ScanState.partitionList, r, u"NTFS");
  }
  g_ScanState.partitionCount = 12;
  NewFoundDirectory d;
  d.wideName = u"Twelve";
  d.parentId = kNtfsRootId;
  d.directoryId = 40;
  d.recordSector = 12100;
  d.assignedPartition = 12;
  AddFoundDirectoryRecordCounted(g_ScanState.foundDirList, d);
  NewFoundFile f;
  f.wideName = u"in12.txt";
  f.parentId = 40;
  f.recordSector = 12102;
  AddFoundFileRecord(g_ScanState.foundFileList, f);
  f.wideName = u"in11.txt";
  f.recordSector = 11102;
  AddFoundFileRecord(g_ScanState.foundFileList, f);

  for (int wrong : {0, 13, -1}) {
    g_ScanState.chosenFileSystem = wrong;
    EXPECT_EQ(ChosenFileSystemNumber(), 0);
    EXPECT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Failed);
    EXPECT_EQ(g_ScanState.folderList.head, nullptr);
  }
  g_ScanState.chosenFileSystem = 12;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
  EXPECT_EQ(g_ScanState.chosenFileSystem.load(), 12);
  const auto folders = Folders(12);
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders.at(kLostFolderId).partition, 12);
  EXPECT_EQ(folders.at(40).name, "Twelve");
  const auto files = Files();
  EXPECT_EQ(files.count("in12.txt"), 1u);
  EXPECT_EQ(files.count("in11.txt"), 0u);
}

TEST_F(NtfsSignatureScanTest, FatDumpNamesTheFoldersByTheirCountAndCollectsTheLostOnes) {
  g_FileSystemName = FileSystemKind::Fat32;
  auto add = [](uint32_t id, uint32_t parent, uint32_t sector) {
    NewFoundDirectory d;
    d.parentId = parent;
    d.directoryId = id;
    d.recordSector = sector;
    d.assignedPartition = 1;
    AddFoundDirectoryRecordCounted(g_ScanState.foundDirList, d);
  };
  add(10, 0, 500);
  add(11, 10, 508);
  add(12, 99, 516);  // its parent was not found
  ScanObserver quiet;
  ScanJob job{control, quiet};
  ASSERT_EQ(DumpFileSystemRecords(job, 1), ScanEnd::Finished);
  std::vector<std::tuple<std::string, uint32_t, uint32_t, uint32_t>> order;
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    EXPECT_TRUE(f->ansiName.IsSet());
    order.emplace_back(std::string(f->ansiName.View()), f->id, f->parentId, f->locator);
  }
  const std::vector<std::tuple<std::string, uint32_t, uint32_t, uint32_t>> expected = {
      {"Lost", kLostFolderId, 0, 0},
      {"Dir1", 10, 0, 500},
      {"Dir2", 11, 10, 508},
      {"Dir3", 12, kLostFolderId, 516},  // moved under Lost, to the end
  };
  EXPECT_EQ(order, expected);
  EXPECT_EQ(g_ScanState.fileList.head, nullptr);  // FAT files come from the formatted scan
}

// Formatted recovery's file list grows into the memory of the found files the dump has read:
// every file still comes through with its own name and values, across many arena chunks.
TEST_F(NtfsSignatureScanTest, TheFormattedDumpKeepsEveryFileWhileItReusesTheFoundFilesMemory) {
  g_FormattedMode = 1;
  g_FileSystemName = FileSystemKind::Ntfs;
  constexpr uint32_t kFiles = 30000;  // some 4 MiB of found files: chunks of every size
  for (uint32_t i = 0; i < kFiles; ++i) {
    NewFoundFile f;
    const std::string name = "file" + std::to_string(i) + std::string(i % 40, 'x') + ".dat";
    const std::u16string wide(name.begin(), name.end());
    f.wideName = wide;
    f.parentId = i % 7 == 0 ? 0 : 100 + i % 50;  // parent 0: no file
    f.recordNumber = 1000 + i;
    f.recordSector = 64 + 2 * uint64_t{i};
    f.size = 3 * uint64_t{i};
    AddFoundFileRecord(g_ScanState.foundFileList, f);
  }
  ScanObserver quiet;
  ScanJob job{control, quiet};
  ASSERT_EQ(DumpFileSystemRecords(job, 1), ScanEnd::Finished);
  EXPECT_EQ(g_ScanState.foundFileList.head, nullptr);
  uint32_t files = 0;
  for (const FileRecord* r = g_ScanState.fileList.head; r; r = r->next, ++files) {
    const uint32_t i = r->id - 1000;
    ASSERT_LT(i, kFiles);
    const std::string name = "file" + std::to_string(i) + std::string(i % 40, 'x') + ".dat";
    ASSERT_EQ(r->wideName.View(), std::u16string(name.begin(), name.end()));
    EXPECT_EQ(r->parentId, kLostFolderId);  // no folder 100 to 149 was found: they wait in Lost
    EXPECT_EQ(r->size, 3 * uint64_t{i});
    EXPECT_EQ(r->locator, 64 + 2 * uint64_t{i});
  }
  EXPECT_EQ(files, kFiles - (kFiles + 6) / 7);
}

// A log saved on the found-file-systems page brings the found records back instead of a search,
// and the second pass then gives the same tree as after the search.
TEST_F(NtfsSignatureScanTest, ALoadedLogIsReadInsteadOfTheDisk) {
  Bytes disk(4096 * 512);
  VolumeWriter v{disk, 0, 8, 4095};
  v.Sample();
  Serve(disk);
  g_PartitionMode = 1;
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::PassDone);
  g_ScanState.chosenFileSystem = 1;
  g_TreeMode = 3;
  storage_test::TempDir dir;
  const std::string path = dir.path() + "/fs";
  ASSERT_EQ(SaveScanLog(path), 1);
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
  const auto liveFolders = Folders(1);
  const auto liveFiles = Files();

  ResetProgramState();
  ClearDeviceMappings();  // nothing may be read from the disk now
  ResetDeviceHandleCache();
  g_LogLoaded = 1;
  ASSERT_EQ(LoadScanLogHeader(path + ".kvsl"), 1);
  EXPECT_EQ(g_PartitionPass.load(), 0);
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::PassDone);
  EXPECT_EQ(g_LogLoaded.load(), 0);
  EXPECT_EQ(g_ScanState.partitionCount.load(), 1u);
  ASSERT_EQ(Run(SelectScanThread(FileSystemKind::Ntfs)), ScanEnd::Finished);
  EXPECT_EQ(Folders(1).size(), liveFolders.size());
  EXPECT_EQ(Files().size(), liveFiles.size());
  EXPECT_EQ(Files().count("a.txt"), 1u);
  EXPECT_TRUE(prompts.notices.empty());
}

}  // namespace

namespace {

TEST_F(NtfsSignatureScanTest, FirstUnassignedDirectoryCountsFromTheListsStart) {
  for (uint32_t assigned : {1u, 0u, 2u, 0u, 0xFFFFFFFFu}) {
    NewFoundDirectory d;
    d.assignedPartition = assigned;
    AddFoundDirectoryRecordCounted(g_ScanState.foundDirList, d);
  }
  EXPECT_EQ(FirstUnassignedDirectory(0), 1);
  EXPECT_EQ(FirstUnassignedDirectory(1), 1);
  EXPECT_EQ(FirstUnassignedDirectory(2), 3);
  EXPECT_EQ(FirstUnassignedDirectory(4), -1);
  EXPECT_EQ(FirstUnassignedDirectory(9), -1);
  ResetScanState();
  EXPECT_EQ(FirstUnassignedDirectory(0), -1);
}

}  // namespace
