// Scan logs saved and loaded again: every field of every record and every global the log holds
// comes back, in both styles; the bytes of a small log are exactly the documented layout.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/worker/ScanJob.h"
#include "engine/scanlog/ScanLogFormat.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/scanlog/ScanLogWriter.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "tests/core/engine/scanlog/ScanLogTestUtil.h"

namespace {

using namespace scanlog_test;

std::u16string Units(size_t n, char16_t first) {
  std::u16string s(n, u'w');
  s[0] = first;
  s[n - 1] = u'\x4E2D';  // a unit above 0xFF shows a byte-swapped or 8-bit write
  return s;
}

// Source globals and geometry with values that differ everywhere, so a field read from the
// wrong place, or a geometry in the other order, shows.
void FillSource(std::string model) {
  g_SourceDiskModel = std::move(model);
  g_CurrentDevice = 3;
  g_SourceDriveLetter = 0;
  g_BytesPerSector = 4096;
  g_SelectedDiskNumber = 7;
  g_SelectedPartitionIndex = -1;
  g_FileSystemName = FileSystemKind::Ntfs;
  g_SourceNodeText = "Partition - 2 ( NTFS ) \xC3\xBC";
  g_SourceStartSector = 0x123456789;
  g_SourceEndSector = 0x223456780;
  g_VolumeGeometry =
      GeometryFromArray({101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 0xFFFFFFF0});
  g_VolumeGeometry = {201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 0xFFFFFFF1};
  g_ScanState.fileSystem = FileSystemKind::Ntfs;
}

constexpr TimeHalves kHigh{0xFFFFFFFE, 0x80000001};

void FillResultLists() {
  AddFolderRecord({.wideName = u"Lost", .parentId = 5, .id = kLostFolderId});
  AddFolderRecord({.ansiName = "\xE9T\xC9~1",
                   .deleted = 'y',
                   .parentId = 5,
                   .id = 40,
                   .locator = 0xFFFFFFF0,
                   .modified = kHigh,
                   .created = {3, 4},
                   .accessed = {0xFFFFFFFF, 0xFFFFFFFF},
                   .partition = -1});
  AddFolderRecord({.wideName = u"\xD83D\xDE00 smile", .parentId = 5, .id = 41, .partition = 2});
  AddFolderRecord({.wideName = u"", .deleted = 'y', .parentId = 40, .id = 42});
  AddFolderRecord({.wideName = Units(255, u'L'), .parentId = 41, .id = 43, .locator = 9});
  AddFileRecord({.ansiName = "BIG.BIN",
                 .deleted = 'y',
                 .size = 5 * (uint64_t{1} << 30) + 3,
                 .parentId = 40,
                 .id = 1000,
                 .locator = 0x80000000,
                 .modified = kHigh,
                 .created = {0x11111111, 0x22222222},
                 .accessed = {0x33333333, 0}});
  AddFileRecord({.wideName = u"wide only \x4E2D", .parentId = 41, .id = 1001});
  AddFileRecord({.wideName = u"", .size = 1, .parentId = 42, .id = 1002});
  AddFileRecord({.ansiName = std::string(254, 'x') + "\xFF", .parentId = 5, .id = 1003});
  AddFileRecord({.wideName = Units(255, u'F'), .size = uint64_t{1} << 40, .parentId = 43});
}

void FillPartitionLists() {
  PartitionRecord p{};
  p.clusterSize = 8;
  p.startSector = 2048;
  p.endSector = (uint64_t{1} << 32) + 5;
  p.fileRecordSectors = 2;
  p.indexRecordSectors = 8;
  p.clusterBase = 2048;
  AddPartitionRecord(g_ScanState.partitionList, p, u"NTFS");
  PartitionRecord q{};
  q.clusterSize = 1;
  q.startSector = 0x1FFFFFFFF;
  q.endSector = 0x2FFFFFFFF;
  q.fatSize = 11;
  q.rootDirSectors = 12;
  q.reservedSectors = 13;
  q.rootStart = 14;
  q.clusterBase = 15;
  q.fat1Start = 16;
  q.fat2Start = 17;
  AddPartitionRecord(g_ScanState.partitionList, q, u"FAT32");
  g_ScanState.partitionCount = 2;

  AddFoundDirectoryRecordCounted(g_ScanState.foundDirList, {.wideName = u"dir \x4E2D",
                                                            .deleted = 'y',
                                                            .parentId = 5,
                                                            .directoryId = 77,
                                                            .recordSector = 0xFEDCBA98,
                                                            .modified = {1, 2},
                                                            .created = kHigh,
                                                            .accessed = {5, 6},
                                                            .indexLcn = 0xABCDEF01,
                                                            .assignedPartition = 2});
  AddFoundDirectoryRecordCounted(g_ScanState.foundDirList,
                                 {.wideName = u"", .parentId = 77, .assignedPartition = 0x12345});
  AddFoundFileRecord(g_ScanState.foundFileList, {.wideName = Units(255, u'Q'),
                                                 .deleted = 'y',
                                                 .size = 6 * (uint64_t{1} << 30),
                                                 .parentId = 77,
                                                 .recordNumber = 0x7FFFFFFF,
                                                 .recordSector = 0xF0000001,
                                                 .modified = {0xFFFFFFFF, 0xFFFFFFFE},
                                                 .created = {7, 8},
                                                 .accessed = {9, 10}});
  AddFoundFileRecord(g_ScanState.foundFileList, {.wideName = u"$MFT", .parentId = 5});
}

ScanEnd LoadRecords() {
  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  return LoadScanLogRecords(job);
}

uint64_t TotalOfFiles() {
  uint64_t t = 0;
  for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next) t += f->size;
  return t;
}

uint64_t TotalOfFoundFiles() {
  uint64_t t = 0;
  for (const FoundFileRecord* f = g_ScanState.foundFileList.head; f; f = f->next) t += f->size;
  return t;
}

TEST_F(ScanLogTest, ResultsPageLogComesBackWhole) {
  FillSource("Disk \xC3\x9C Model 2000");
  g_FormattedMode = 1;
  g_ScanState.chosenFileSystem = 1;
  g_TreeMode = 2;
  FillResultLists();
  const std::string path = PathIn("deleted.kvsl");
  ASSERT_EQ(SaveScanLog(path), 1);
  EXPECT_EQ(g_TreeMode.load(), 2);

  // What loading must give: the same lists, sizes summed once, and the globals with the load's
  // own values (style, mode, the pass back at 0, the load still marked).
  g_ScanState.totalSize = TotalOfFiles();
  g_ScanState.partitionStyle = 0;
  g_ScanState.recoveryMode = 2;
  g_LogLoaded = 1;
  const auto lists = ListPicture();
  const auto globals = GlobalsPicture();

  ResetAll();
  g_SourceDiskModel = "Disk \xC3\x9C Model 2000";
  g_LogLoaded = 1;
  ASSERT_EQ(LoadScanLogHeader(path), 1);
  EXPECT_EQ(g_LogPath, path);
  EXPECT_GT(g_LogRecordOffset, 207u);
  ASSERT_EQ(LoadRecords(), ScanEnd::Finished);
  EXPECT_EQ(ListPicture(), lists);
  EXPECT_EQ(GlobalsPicture(), globals);
  EXPECT_TRUE(prompts.notices.empty());
  // The builders give the marks and sequence numbers anew.
  EXPECT_EQ(g_ScanState.fileList.head->selected, 'n');
}

TEST_F(ScanLogTest, FoundFileSystemsLogComesBackWhole) {
  FillSource("");
  g_PartitionMode = 1;
  g_PartitionPass = 1;
  g_ScanState.chosenFileSystem = 2;
  g_TreeMode = 3;
  FillPartitionLists();
  FillResultLists();
  const std::string path = PathIn("partition");
  ASSERT_EQ(SaveScanLog(path), 1);
  EXPECT_EQ(g_TreeMode.load(), 5);  // a style 1 save puts the tree in found-file-systems mode

  // Style 1 restores the partition and found lists; the folder and file sections are in the
  // file but are built later from the found lists.
  FreeFolderList();
  FreeFileList();
  g_ScanState.totalSize = TotalOfFoundFiles();
  g_ScanState.partitionStyle = 1;
  g_ScanState.recoveryMode = 3;
  g_PartitionPass = 0;
  g_LogLoaded = 0;  // cleared once the found lists are read
  const auto lists = ListPicture();
  const auto globals = GlobalsPicture();

  ResetAll();
  g_LogLoaded = 1;
  ASSERT_EQ(LoadScanLogHeader(path + ".kvsl"), 1);
  EXPECT_EQ(g_ScanState.partitionCount.load(), 2u);
  ASSERT_EQ(LoadRecords(), ScanEnd::Finished);
  EXPECT_EQ(ListPicture(), lists);
  EXPECT_EQ(GlobalsPicture(), globals);
  EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(ScanLogTest, PartitionModeLogFromTheResultsPageKeepsItsPartitions) {
  FillSource("m");
  g_FileSystemName = FileSystemKind::Fat32;
  g_PartitionMode = 1;
  g_ScanState.chosenFileSystem = 2;
  g_TreeMode = 2;
  FillPartitionLists();
  FillResultLists();
  const std::string path = PathIn("second-pass.kvsl");
  ASSERT_EQ(SaveScanLog(path), 1);
  FreeFoundLists();
  g_ScanState.totalSize = TotalOfFiles();
  const auto lists = ListPicture();

  ResetAll();
  g_SourceDiskModel = "m";
  ASSERT_EQ(LoadScanLogHeader(path), 1);
  EXPECT_EQ(g_ScanState.partitionStyle, 0);
  EXPECT_EQ(g_ScanState.recoveryMode, 3);
  ASSERT_EQ(LoadRecords(), ScanEnd::Finished);
  EXPECT_EQ(ListPicture(), lists);
}

TEST_F(ScanLogTest, DriveLetterRebuildsTheDevicePath) {
  FillSource("");
  g_SourceDriveLetter = 'E';
  g_CurrentDevice = 0;
  SetDevicePath(0, "\\\\.\\E:");
  const std::string path = PathIn("drive.kvsl");
  ASSERT_EQ(SaveScanLog(path), 1);
  ResetAll();
  ASSERT_EQ(LoadScanLogHeader(path), 1);
  EXPECT_EQ(DevicePathAt(0), "\\\\.\\E:");
  EXPECT_EQ(g_SourceDriveLetter, 'E');
  EXPECT_EQ(g_SelectedPartitionIndex, -1);
  EXPECT_EQ(g_ScanState.recoveryMode, 1);
}

// The save dialog asks about the name as typed; when ".kvsl" is appended the file written is
// another one, and it is that one the user is asked about.
TEST_F(ScanLogTest, ReplacingAnExistingLogAsksAboutTheNameWritten) {
  FillSource("");
  g_TreeMode = 2;
  const std::string written = PathIn("scan.kvsl");
  const std::vector<std::byte> older = {std::byte{'o'}, std::byte{'l'}, std::byte{'d'}};
  struct Case {
    const char* chosen;
    bool exists;
    int answer;  // 1 Yes, 2 No
    int result;
    bool asked;
  } cases[] = {
      {"scan", true, 2, 0, true},        // No: the older log stays
      {"scan", true, 1, 1, true},        // Yes: replaced
      {"scan", false, 2, 1, false},      // nothing to replace
      {"scan.kvsl", true, 2, 1, false},  // the name as typed: the dialog asked already
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.chosen) + (c.exists ? " exists" : ""));
    std::filesystem::remove(written);
    if (c.exists) WriteFileBytes(written, older);
    prompts.questions.clear();
    prompts.AnswerQuestions(c.answer);
    EXPECT_EQ(SaveScanLog(PathIn(c.chosen)), c.result);
    EXPECT_EQ(prompts.questions, c.asked ? std::vector<std::string>{ScanLogReplaceQuestion(written)}
                                         : std::vector<std::string>{});
    EXPECT_EQ(ReadFileBytes(written) == older, c.result == 0);
    EXPECT_TRUE(prompts.notices.empty());
  }
}

// Load Log may name another source than the one scanned before: the $MFT map of that one must
// not serve the log's records.
TEST_F(ScanLogTest, LoadingALogDropsTheMftMapOfTheSourceBefore) {
  FillSource("");
  g_TreeMode = 2;
  const std::string path = PathIn("map.kvsl");
  ASSERT_EQ(SaveScanLog(path), 1);
  NtfsAppendRun(g_MftRuns, 1000, 64);
  ASSERT_EQ(g_MftRuns.Count(), 1u);
  ASSERT_EQ(LoadScanLogHeader(path), 1);
  EXPECT_EQ(g_MftRuns.Count(), 0u);
}

TEST_F(ScanLogTest, LongNamesKeepTheirFirst255Units) {
  FillSource("");
  AddFolderRecord({.wideName = Units(300, u'a'), .parentId = 5, .id = 9});
  AddFileRecord({.ansiName = std::string(400, 'b'), .parentId = 9});
  const std::string path = PathIn("long.kvsl");
  g_TreeMode = 2;
  ASSERT_EQ(SaveScanLog(path), 1);
  ResetAll();
  ASSERT_EQ(LoadScanLogHeader(path), 1);
  ASSERT_EQ(LoadRecords(), ScanEnd::Finished);
  EXPECT_EQ(g_ScanState.folderList.head->wideName.View(), Units(300, u'a').substr(0, 255));
  EXPECT_EQ(g_ScanState.fileList.head->ansiName.View(), std::string(255, 'b'));
}

std::vector<std::byte> FromHex(std::string_view hex) {
  std::vector<std::byte> out;
  int nibble = -1;
  for (char c : hex) {
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (v < 0) continue;
    if (nibble < 0) {
      nibble = v;
    } else {
      out.push_back(std::byte((nibble << 4) | v));
      nibble = -1;
    }
  }
  return out;
}

// One folder and one file, every byte written out by hand from the layout.
TEST_F(ScanLogTest, SmallLogMatchesTheLayoutByteForByte) {
  g_SourceDiskModel = "AB";
  g_CurrentDevice = 1;
  g_SourceDriveLetter = 'C';
  g_BytesPerSector = 512;
  g_SelectedDiskNumber = 2;
  g_SelectedPartitionIndex = -1;
  g_FileSystemName = FileSystemKind::Fat16;
  g_SourceStartSector = 63;
  g_SourceEndSector = 0x100000001;
  g_VolumeGeometry = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C};
  g_ScanState.fileSystem = FileSystemKind::Fat16;
  FolderRecord* d = AddFolderRecord({.ansiName = "D",
                                     .deleted = 'y',
                                     .parentId = 2,
                                     .id = 3,
                                     .locator = 0x44,
                                     .modified = {0x01020304, 0x05060708},
                                     .created = {0x11, 0x12},
                                     .accessed = {0x21, 0x22},
                                     .partition = 0x0102});
  d->selected = 'y';
  d->treeItem = 0x99;
  FileRecord* f = AddFileRecord({.wideName = u"f",
                                 .size = 0x100000002,
                                 .parentId = 3,
                                 .id = 7,
                                 .locator = 0x55,
                                 .modified = {0xA1, 0xA2},
                                 .created = {0xB1, 0xB2},
                                 .accessed = {0xC1, 0xC2}});
  f->selected = 'y';

  const std::vector<std::byte> expected = FromHex(
      // title: "Software Dovrane Merrowind" and five zero units
      "5300 6F00 6600 7400 7700 6100 7200 6500 2000 4400 6F00 7600 7200 6100 6E00 6500"
      "2000 4D00 6500 7200 7200 6F00 7700 6900 6E00 6400 0000 0000 0000 0000 0000"
      "0000"                               // style 0
      "02000000 4100 4200"                 // model "AB"
      "01 43 00020000 02 FF"               // device, letter C, 512, disk 2, partition index -1
      "05 4600 4100 5400 3100 3600"        // "FAT16"
      "00"                                 // node text
      "3F00000000000000 0100000001000000"  // range
      // geometry: FAT size, per cluster, root sectors, root, reserved, base, FAT1, FAT2,
      // MFT, mirror, per FILE record, per INDX record; the volume's and the scan's are one copy
      "16000000 15000000 18000000 17000000 19000000 1A000000 1B000000 1C000000"
      "13000000 14000000 11000000 12000000"
      "16000000 15000000 18000000 17000000 19000000 1A000000 1B000000 1C000000"
      "13000000 14000000 11000000 12000000"
      "05 4600 4100 5400 3100 3600"          // ScanState's "FAT16"
      "00000000 00000000 00000000 00000000"  // formatted, partition, pass, chosen
      "01000000"                             // one folder
      "99000000 2100000022000000 1100000012000000 0201 79 00 0403020108070605"
      "02000000 44000000 0201 79 00 03000000 44 79"
      "00 01 44"  // no UTF-16 name; 8-bit name "D"
      "01000000"  // one file
      "C1000000C2000000 B1000000B2000000 00000000 A1000000A2000000 0200000001000000"
      "03000000 55000000 79 000000 07000000 46 6E"
      "01 6600 00");  // UTF-16 name "f"; no 8-bit name

  MemorySink sink;
  ASSERT_TRUE(WriteScanLog(sink, 0));
  EXPECT_EQ(sink.bytes, expected);

  MemoryLogSource source(expected);
  ScanLogHeader h;
  ASSERT_EQ(CheckScanLog(source, u"AB", h), ScanLogCheck::Valid);
  EXPECT_EQ(h.recordOffset, 231u);
  EXPECT_EQ(h.volumeGeometry.FatSizeSectors, 0x16u);
  EXPECT_EQ(h.scanGeometry.SectorsPerMftRecord, 0x11u);
}

TEST(ScanLogFileName, AppendsTheExtensionOnlyWhenMissing) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/u/scan", "/home/u/scan.kvsl"},
      {"/home/u/scan.kvsl", "/home/u/scan.kvsl"},
      {"/home/u/Scan.KVSL", "/home/u/Scan.KVSL"},
      {"/home/u/scan.kvs", "/home/u/scan.kvs.kvsl"},
      {"/home/u/x.kvsl/scan", "/home/u/x.kvsl/scan.kvsl"},
      {"/home/u/.kvsl", "/home/u/.kvsl"},
      {"kvsl", "kvsl.kvsl"},
  };
  for (auto [in, out] : cases) EXPECT_EQ(ScanLogFileName(in), out) << in;
}

}  // namespace

namespace {

// The fuzz target starts from these; a seed the readers refuse would only test the refusal.
TEST(ScanLogSeeds, FuzzSeedsAreWholeLogs) {
  const std::filesystem::path seeds =
      std::filesystem::path(MERROWIND_SOURCE_DIR) / "tests/fuzz/corpus/scan_log_fuzz";
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator(seeds)) {
    const auto bytes = scanlog_test::ReadFileBytes(e.path().string());
    MemoryLogSource source(bytes);
    ScanLogHeader h;
    EXPECT_EQ(CheckScanLog(source, u"", h), ScanLogCheck::Valid) << e.path();
    ++count;
  }
  EXPECT_GE(count, 3);
}

}  // namespace

// Older NTFS logs begin their file section with the placeholder file "Lost" that stood beside the
// folder "Lost"; loading leaves it out there, and only there.
TEST_F(ScanLogTest, AnOlderLogsPlaceholderFileIsLeftOut) {
  for (const char* fileSystem : {"NTFS", "FAT32"}) {
    SCOPED_TRACE(fileSystem);
    ResetAll();
    FillSource("");
    g_FileSystemName = ParseFileSystemKind(std::string_view(fileSystem));
    g_TreeMode = 2;
    AddFolderRecord({.wideName = u"Lost", .parentId = 5, .id = kLostFolderId});
    AddFileRecord({.wideName = u"Lost", .parentId = 5});
    AddFileRecord({.wideName = u"kept.txt", .size = 3, .parentId = 5, .id = 40, .locator = 77});
    AddFileRecord({.wideName = u"Lost", .parentId = 5});  // not first: no placeholder
    const std::string path = PathIn(std::string("old-") + fileSystem + ".kvsl");
    ASSERT_EQ(SaveScanLog(path), 1);
    ResetAll();
    ASSERT_EQ(LoadScanLogHeader(path), 1);
    ASSERT_EQ(LoadRecords(), ScanEnd::Finished);
    std::vector<std::u16string> names;
    for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
      names.emplace_back(f->wideName.View());
    const bool ntfs = std::string(fileSystem) == "NTFS";
    const std::vector<std::u16string> ntfsNames = {u"kept.txt", u"Lost"};
    const std::vector<std::u16string> fatNames = {u"Lost", u"kept.txt", u"Lost"};
    EXPECT_EQ(names, ntfs ? ntfsNames : fatNames);
    EXPECT_EQ(g_ScanState.fileCount.load(), ntfs ? 2u : 3u);
  }
}
