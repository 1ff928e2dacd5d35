#include "engine/scans/NtfsDeletedScan.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "engine/records/RecordBuilders.h"
#include "engine/scans/ScanSelect.h"
#include "engine/records/ScanState.h"
#include "storage/BadSectorPolicy.h"
#include "storage/VolumeGeometry.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "tests/core/storage/ntfs/NtfsTestRecords.h"
#include "tests/core/storage/StorageTestUtil.h"
#include "tests/core/TestPrompts.h"
#include "saving/ProgramState.h"

namespace {

using ntfs_test::RecordBuilder;
using ntfs_test::Volume;

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

using test_support::RecordingPrompts;

class HookObserver : public ScanObserver {
 public:
  std::function<void(int)> onBar;
  std::function<void(std::string_view)> onStep;
  std::vector<int> bars;
  int switches = 0;
  void OnBar(int p) override {
    bars.push_back(p);
    if (onBar) onBar(p);
  }
  void OnStepText(std::string_view t) override {
    if (onStep) onStep(t);
  }
  void OnSwitchToFormattedScan() override { ++switches; }
};

// One found item: kind, deleted, parent, name.
struct Item {
  char kind;
  char deleted;
  uint32_t parent;
  std::string name;
  uint64_t size;
  friend bool operator==(const Item&, const Item&) = default;
};

std::string Narrow(std::u16string_view s) {
  return std::string(s.begin(), s.end());
}

std::map<uint32_t, Item> Folders() {
  std::map<uint32_t, Item> m;
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next)
    m[f->id] = {'D', static_cast<char>(f->deleted), f->parentId, Narrow(f->wideName.View()), 0};
  return m;
}

std::map<uint32_t, Item> Files() {
  std::map<uint32_t, Item> m;
  for (FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
    m[f->id] = {'F', static_cast<char>(f->deleted), f->parentId, Narrow(f->wideName.View()),
                f->size};
  return m;
}

FileRecord* FileById(uint32_t id) {
  for (FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
    if (f->id == id) return f;
  return nullptr;
}

size_t ListLength(auto* head) {
  size_t n = 0;
  for (; head; head = head->next) ++n;
  return n;
}

class NtfsDeletedScanTest : public ::testing::Test {
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
  void Serve(const Volume& v, std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>()) {
    auto disk = std::make_shared<MemoryDisk>();
    disk->bytes = v.disk;
    storage_test::ServeDisk(kDevice, disk, plan);
    SetDevicePath(0, kDevice);
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_SourceStartSector = 0;
    g_SourceEndSector = static_cast<int64_t>(v.sectors) - 1;
    g_VolumeGeometry = {2, 8, static_cast<uint32_t>(v.MftSector()), 0, v.spc, 0, 0, 0, 0, 0,
                            0, 0};
  }
  ScanEnd Run(ScanObserver& observer) {
    job = std::make_unique<ScanJob>(ScanJob{control, observer});
    ScanEnd end = ScanEnd::Failed;
    std::thread worker([&] { end = SelectScanThread(FileSystemKind::Ntfs)(*job); });
    worker.join();
    return end;
  }

  RecordingPrompts prompts;
  ScanControl control;
  std::unique_ptr<ScanJob> job;
};

Volume SampleVolume() {
  Volume v(64);
  v.PutMftRecord();
  v.PutRoot();
  v.PutFolder(30, 5, u"Docs");
  v.PutFile(31, 30, u"a.txt", 100);
  v.PutFolder(32, 5, u"OldDir", true);       // a deleted folder with files
  v.PutFile(33, 32, u"old.txt", 200, true);  // a file in a deleted folder
  v.PutFolder(34, 32, u"Sub", true);
  v.PutFolder(35, 50, u"Orphan");  // record 50 is no folder: under Lost
  v.PutFile(36, 35, u"orphan.txt", 300);
  v.PutFolder(37, 37, u"Self");   // its own parent
  v.PutFolder(38, 39, u"LoopA");  // 38 -> 39 -> 38
  v.PutFolder(39, 38, u"LoopB");
  v.PutFolder(40, 38, u"UnderLoop");
  v.PutFile(41, 5, u"nine.bin", 0);
  ntfs_test::Put16(v.disk, v.RecordSector(41) * 512 + 22, 9);  // flags 9: a present file
  RecordBuilder nodata(1024, 1, 42);
  nodata.StandardInformation(1, 2, 3);
  nodata.FileName(5, u"nodata", 1);
  v.Put(42, nodata.Protected());
  RecordBuilder nameless(1024, 1, 43);
  nameless.ResidentData(5);
  v.Put(43, nameless.Protected());
  // A file whose name lives in an extension record named by its attribute list.
  RecordBuilder listed(1024, 1, 44);
  listed.StandardInformation(1, 2, 3);
  listed.Resident(0x20, RecordBuilder::AttributeList({{0x10, 44}, {0x30, 45}, {0x80, 45}}));
  v.Put(44, listed.Protected());
  RecordBuilder ext(1024, 1, 45, 44);
  ext.FileName(30, u"listed.txt", 1);
  ext.ResidentData(77);
  v.Put(45, ext.Protected());
  // Files of a deleted folder whose record now holds a file, or holds nothing: under Lost.
  v.PutFile(46, 31, u"underfile.txt", 10, true);
  v.PutFile(47, 60, u"gone.txt", 20, true);
  v.PutFolder(48, 5, u"");  // a folder whose name is empty: named from its record number
  return v;
}

TEST_F(NtfsDeletedScanTest, FoldersFilesDeletedMarksAndLostFolders) {
  Serve(SampleVolume());
  HookObserver observer;
  ASSERT_EQ(Run(observer), ScanEnd::Finished);
  const auto folders = Folders();
  const std::map<uint32_t, Item> expectedFolders = {
      {kLostFolderId, {'D', 'n', 5, "Lost", 0}},
      {30, {'D', 'n', 5, "Docs", 0}},
      {32, {'D', 'y', 5, "OldDir", 0}},
      {34, {'D', 'y', 32, "Sub", 0}},
      {35, {'D', 'n', kLostFolderId, "Orphan", 0}},
      {37, {'D', 'n', kLostFolderId, "Self", 0}},
      // 39 comes first in list order (key 38); its chain closes at 38, which goes under Lost.
      {38, {'D', 'n', kLostFolderId, "LoopA", 0}},
      {39, {'D', 'n', 38, "LoopB", 0}},
      {40, {'D', 'n', 38, "UnderLoop", 0}},
      {48, {'D', 'n', 5, "Dir48", 0}},
  };
  EXPECT_EQ(folders, expectedFolders);
  const std::map<uint32_t, Item> expectedFiles = {
      {0, {'F', 'n', 5, "$MFT", 64 * 1024}},  {31, {'F', 'n', 30, "a.txt", 100}},
      {33, {'F', 'y', 32, "old.txt", 200}},   {36, {'F', 'n', 35, "orphan.txt", 300}},
      {41, {'F', 'n', 5, "nine.bin", 0}},     {42, {'F', 'n', 5, "nodata", 0}},
      {44, {'F', 'n', 30, "listed.txt", 77}},
      {46, {'F', 'y', kLostFolderId, "underfile.txt", 10}},
      {47, {'F', 'y', kLostFolderId, "gone.txt", 20}},
  };
  EXPECT_EQ(Files(), expectedFiles);
  // "Lost" heads the list; the lost folders come last.
  EXPECT_EQ(g_ScanState.folderList.head->id, kLostFolderId);
  std::vector<uint32_t> tail;
  for (FolderRecord* f = g_ScanState.folderList.head->next; f; f = f->next)
    if (f->parentId == kLostFolderId) tail.push_back(f->id);
  EXPECT_EQ(tail, (std::vector<uint32_t>{35, 37, 38}));
  FolderRecord* last = g_ScanState.folderList.head;
  while (last->next) last = last->next;
  EXPECT_EQ(last->parentId, kLostFolderId);
  EXPECT_EQ(g_ScanState.folderCount.load(), expectedFolders.size());
  EXPECT_EQ(g_ScanState.fileCount.load(), expectedFiles.size());
  EXPECT_EQ(g_ScanState.totalSize.load(), 64u * 1024 + 100 + 200 + 300 + 77 + 10 + 20);
  EXPECT_EQ(g_NtfsDeletedScanCounts.nameless, 1u);
  EXPECT_EQ(g_NtfsDeletedScanCounts.extensionRecords, 1u);
  EXPECT_EQ(g_NtfsDeletedScanCounts.lostFolders, 3u);
  EXPECT_TRUE(std::is_sorted(observer.bars.begin(), observer.bars.begin() + 3));
  EXPECT_TRUE(prompts.notices.empty());
  // Times come from $STANDARD_INFORMATION: modified, created, accessed.
  FolderRecord* docs = FindFolderRecord(30, 0);
  ASSERT_NE(docs, nullptr);
  EXPECT_EQ(docs->modified.AsFileTime(), 230u);
  EXPECT_EQ(docs->created.AsFileTime(), 130u);
  EXPECT_EQ(docs->accessed.AsFileTime(), 330u);
  // A name lent by an extension record comes with the base record's times.
  FileRecord* listed = FileById(44);
  ASSERT_NE(listed, nullptr);
  EXPECT_EQ(listed->modified.AsFileTime(), 2u);
  EXPECT_EQ(listed->created.AsFileTime(), 1u);
  EXPECT_EQ(listed->accessed.AsFileTime(), 3u);
}

// A base record whose attribute list lies in cluster `cluster` (written there) and holds
// nothing else but its times and, when given, its name.
void PutOutOfRecordList(Volume& v, uint32_t n, uint32_t cluster,
                        const std::vector<RecordBuilder::ListEntry>& entries,
                        std::u16string name = u"") {
  const ntfs_test::Bytes list = RecordBuilder::AttributeList(entries);
  std::copy(list.begin(), list.end(), v.disk.begin() + uint64_t{cluster} * v.spc * 512);
  RecordBuilder base(1024, 1, n);
  base.StandardInformation(10 + n, 20 + n, 30 + n);
  base.NonResident(0x20, ntfs_test::OneRun(1, cluster), list.size());
  if (!name.empty()) base.FileName(30, std::move(name), 1);
  v.Put(n, base.Protected());
}

// ntfs-3g moves a heavily fragmented file's name and data out of its base record and its
// attribute list out to clusters: the records that list names still give the file its name,
// parent, times and size, as long as they belong to it.
TEST_F(NtfsDeletedScanTest, AnAttributeListInClustersStillNamesTheFile) {
  Volume v = SampleVolume();
  // 46: name and data in extension record 47, which also holds a later piece of the data.
  PutOutOfRecordList(v, 46, 100,
                     {{0x10, 46}, {0x20, 46}, {0x30, 47}, {0x80, 47, 0}, {0x80, 48, 900}});
  RecordBuilder ext47(1024, 1, 47, 46);
  ext47.FileName(30, u"frag.bin", 1);
  ext47.NonResident(0x80, ntfs_test::OneRun(4, 200), 123456);
  v.Put(47, ext47.Protected());
  RecordBuilder ext48(1024, 1, 48, 46);
  ext48.NonResident(0x80, ntfs_test::OneRun(4, 300), 0, u"", 900);
  v.Put(48, ext48.Protected());
  // 49: its name is in its own record; the data's first piece is in extension record 50.
  PutOutOfRecordList(v, 49, 101, {{0x10, 49}, {0x30, 49}, {0x80, 50, 0}}, u"named.bin");
  RecordBuilder ext50(1024, 1, 50, 49);
  ext50.NonResident(0x80, ntfs_test::OneRun(2, 210), 5000);
  v.Put(50, ext50.Protected());
  // 51: the record its list names now belongs to another file (31's): no name of its own.
  PutOutOfRecordList(v, 51, 102, {{0x10, 51}, {0x30, 52}, {0x80, 52, 0}});
  RecordBuilder ext52(1024, 1, 52, 31);
  ext52.FileName(30, u"stolen.bin", 1);
  ext52.ResidentData(9);
  v.Put(52, ext52.Protected());
  Serve(v);
  HookObserver observer;
  ASSERT_EQ(Run(observer), ScanEnd::Finished);
  const auto files = Files();
  ASSERT_EQ(files.count(46), 1u);
  EXPECT_EQ(files.at(46), (Item{'F', 'n', 30, "frag.bin", 123456}));
  FileRecord* frag = FileById(46);
  ASSERT_NE(frag, nullptr);
  EXPECT_EQ(frag->modified.AsFileTime(), 66u);
  EXPECT_EQ(frag->created.AsFileTime(), 56u);
  EXPECT_EQ(frag->accessed.AsFileTime(), 76u);
  ASSERT_EQ(files.count(49), 1u);
  EXPECT_EQ(files.at(49), (Item{'F', 'n', 30, "named.bin", 5000}));
  EXPECT_EQ(files.count(51), 0u);
  for (const auto& [id, item] : files) EXPECT_NE(item.name, "stolen.bin") << id;
  EXPECT_GE(g_NtfsDeletedScanCounts.foreignListRecords, 1u);
  EXPECT_EQ(g_NtfsDeletedScanCounts.nameless, 2u);  // 43 and 51
}

TEST_F(NtfsDeletedScanTest, DamagedRecordsAreSkippedAndCounted) {
  Volume v = SampleVolume();
  // Record 31: update sequence offset past the record.
  ntfs_test::Put16(v.disk, v.RecordSector(31) * 512 + 4, 1020);
  Serve(v);
  HookObserver observer;
  ASSERT_EQ(Run(observer), ScanEnd::Finished);
  EXPECT_EQ(Files().count(31), 0u);
  EXPECT_EQ(g_NtfsDeletedScanCounts.fixupFailures, 1u);
}

TEST_F(NtfsDeletedScanTest, ABadSectorCostsOnlyTheRecordItLiesIn) {
  // Whatever the answer, the user is asked once: the records of the failed read are read again
  // one by one under that answer.
  for (int answer : {0, 1, 2, 3}) {
    SCOPED_TRACE(answer);
    g_BadSectorChoice = 0;
    prompts.AnswerBadSectors(answer);
    prompts.badSectorQuestions = 0;
    Volume v = SampleVolume();
    auto plan = std::make_shared<FaultPlan>();
    plan->badSectors.insert(v.RecordSector(31) + 1);
    Serve(v, plan);
    HookObserver observer;
    ASSERT_EQ(Run(observer), ScanEnd::Finished);
    const auto files = Files();
    // Skip loses the record; retry keeps what of it could be read (its first sector).
    EXPECT_EQ(files.count(31), ChoiceRetries(answer) ? 1u : 0u);
    EXPECT_EQ(files.count(33), 1u);
    EXPECT_EQ(files.count(36), 1u);
    EXPECT_EQ(g_NtfsDeletedScanCounts.unreadable, 1u);
    EXPECT_EQ(prompts.badSectorQuestions, 1);
    ResetDeviceHandleCache();
  }
}

TEST_F(NtfsDeletedScanTest, AnMftWhoseFirstRecordsAreZeroedHandsOverToTheSignatureScan) {
  Volume v = SampleVolume();
  for (uint32_t n = 0; n < 8; ++n) v.Zero(n);
  Serve(v);
  HookObserver observer;
  EXPECT_EQ(Run(observer), ScanEnd::Finished);
  ASSERT_EQ(prompts.notices.size(), 1u);
  EXPECT_EQ(prompts.notices[0],
            "Switching to Formatted data recovery for Lost files && folders. This will take long "
            "time.");
  EXPECT_EQ(observer.switches, 1);
  // The signature scan took over on the same worker and found the records that survived.
  EXPECT_EQ(g_FormattedMode.load(), 1);
  EXPECT_EQ(g_ScanState.chosenFileSystem.load(), 1);
  bool docs = false, file = false;
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next)
    docs = docs || (f->wideName.View() == u"Docs" && f->partition == 1);
  for (FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
    file = file ||
           (f->wideName.View() == u"a.txt" && f->size == 100 && f->locator == v.RecordSector(31));
  EXPECT_TRUE(docs);
  EXPECT_TRUE(file);
}

Volume LargeVolume(uint32_t files) {
  Volume v(files + 64, (files + 64) * 2 + 256);
  v.PutMftRecord();
  v.PutRoot();
  v.PutFolder(30, 5, u"Docs");
  for (uint32_t n = 64; n < files + 64; ++n)
    v.PutFile(n, 30, u"f" + std::u16string(1, u'a' + n % 26), n % 500);
  return v;
}

TEST_F(NtfsDeletedScanTest, PauseHoldsTheCountsAndCancelEndsAtOnce) {
  Serve(LargeVolume(2000));
  HookObserver observer;
  std::atomic<bool> paused{false};
  observer.onBar = [&](int p) {
    if (p >= 30 && !paused) {
      control.Pause();
      paused = true;
    }
  };
  job = std::make_unique<ScanJob>(ScanJob{control, observer});
  ScanEnd end = ScanEnd::Failed;
  std::thread worker([&] { end = RunNtfsDeletedScan(*job); });
  while (!paused) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const uint32_t files = g_ScanState.fileCount.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(g_ScanState.fileCount.load(), files);
  EXPECT_LT(files, 2000u);
  control.Cancel();
  worker.join();
  EXPECT_EQ(end, ScanEnd::Cancelled);
  EXPECT_EQ(g_ScanState.fileCount.load(), files);
}

TEST_F(NtfsDeletedScanTest, CancelFromTheWorkerEndsWithinOneRecord) {
  Serve(LargeVolume(2000));
  HookObserver observer;
  uint32_t atCancel = 0;
  observer.onBar = [&](int p) {
    if (p >= 40 && !control.Cancelled()) {
      atCancel = g_ScanState.fileCount.load();
      control.Cancel();
    }
  };
  EXPECT_EQ(Run(observer), ScanEnd::Cancelled);
  EXPECT_LE(g_ScanState.fileCount.load(), atCancel + 1);
}

TEST_F(NtfsDeletedScanTest, StopEndsWithTheListsWhole) {
  Serve(LargeVolume(2000));
  HookObserver observer;
  observer.onBar = [&](int p) {
    if (p >= 50) control.RequestStop();
  };
  EXPECT_EQ(Run(observer), ScanEnd::Stopped);
  const uint32_t files = g_ScanState.fileCount.load();
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, 2000u);
  EXPECT_EQ(ListLength(g_ScanState.fileList.head), files);
  EXPECT_EQ(ListLength(g_ScanState.folderList.head), g_ScanState.folderCount.load());
  uint32_t children = 0;
  for (uint32_t parent : {5u, 30u})
    ForEachChild(g_ScanState.fileList, parent, [&](FileRecord&) { ++children; });
  EXPECT_EQ(children, files);
}

TEST_F(NtfsDeletedScanTest, StopDuringTheLostStageKeepsUnvisitedParentsButBreaksLoops) {
  Serve(SampleVolume());
  HookObserver observer;
  observer.onStep = [&](std::string_view t) {
    if (t == kSearchingLostDirectoriesStep) control.RequestStop();
  };
  EXPECT_EQ(Run(observer), ScanEnd::Stopped);
  const auto folders = Folders();
  EXPECT_EQ(folders.at(35).parent, 50u) << "not visited: keeps its parent";
  EXPECT_EQ(folders.at(37).parent, kLostFolderId) << "a loop is broken in any case";
  EXPECT_EQ(folders.at(38).parent, kLostFolderId);
  EXPECT_EQ(ListLength(g_ScanState.folderList.head), g_ScanState.folderCount.load());
}

}  // namespace
