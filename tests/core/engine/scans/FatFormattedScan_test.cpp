#include "engine/scans/FatFormattedScan.h"
#include "engine/scans/FatDirectoryWalk.h"
#include "engine/scans/FileSystemDump.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "prompts/UserPrompts.h"
#include "storage/SectorIo.h"
#include "tests/core/TestPrompts.h"
#include "tests/core/storage/fat/FatTestImage.h"
#include "saving/ProgramState.h"

using namespace fat_test;

namespace {

// A FAT16 volume of one sector per cluster that was formatted again: empty FATs at 1 and 5, an
// empty root at 9 (4 sectors), cluster 2 at sector 13, 200 sectors in all.
class FormattedFat16 {
 public:
  static constexpr uint64_t kRoot = 9;
  static constexpr uint64_t kBase = 11;

  FormattedFat16() : disk(200) {
    ResetProgramState();
    g_FormattedMode = 1;
    g_ScanState.fileSystem = FileSystemKind::Fat16;
    g_VolumeGeometry = {0, 0, 0, 0, 1, 4, kRoot, 4, 1, kBase, 1, 5};
  }
  ~FormattedFat16() {
    ResetProgramState();
  }

  void Root(const Bytes& entries) { disk.Write(kRoot * 512, entries); }
  void Cluster(uint32_t c, const Bytes& entries) { disk.Write((kBase + c) * 512, entries); }
  // A directory cluster at c: "." naming `self`, ".." naming parent, then entries.
  void Directory(uint32_t c, uint32_t self, uint32_t parent, const Bytes& entries = {}) {
    Bytes b = ShortEntry({".          ", 0x10, self, 0, 0x5021, 0x6000, 0x4F00, 0x1234, 0x5022});
    Append(b, ShortEntry({"..         ", 0x10, parent}));
    Append(b, entries);
    Cluster(c, b);
  }

  MemoryVolume disk;
};

struct StepRecorder final : ScanObserver {
  void OnStepText(std::string_view text) override { steps.emplace_back(text); }
  // Each caption with the number of steps shown before it.
  void OnSizeLabel(std::string_view text) override { labels.emplace_back(steps.size(), text); }
  std::vector<std::string> steps;
  std::vector<std::pair<size_t, std::string>> labels;
};

template <class R>
std::string NameOf(const R& r) {
  return r.ansiName.IsSet() ? Utf16ToUtf8(FatShortNameToUtf16(std::string(r.ansiName.View())))
                            : Utf16ToUtf8(r.wideName.View());
}

ScanEnd Scan(ScanControl& control, StepRecorder* steps = nullptr,
             test_support::RecordingPrompts* prompts = nullptr) {
  StepRecorder local;
  ScanJob job{control, steps ? *steps : local};
  SetUserPrompts(prompts);
  const ScanEnd end = FatFormattedScanThread(job);
  SetUserPrompts(nullptr);
  return end;
}

ScanEnd Scan() {
  ScanControl control;
  return Scan(control);
}

const FolderRecord* Folder(uint32_t id) {
  return FindFolderRecord(id, 0);
}

// Every folder reaches the root through its parents, the list is sorted by parent from its second
// record on, and every folder is found among its parent's children.
void ExpectWholeTree() {
  const FolderRecord* head = g_ScanState.folderList.head;
  ASSERT_NE(head, nullptr);
  uint32_t previous = 0, count = 0;
  for (const FolderRecord* f = head; f; f = f->next, ++count) {
    if (f != head) {
      EXPECT_GE(f->parentId, previous) << NameOf(*f);
      previous = f->parentId;
    }
    uint32_t id = f->parentId, steps = 0;
    for (; id != 0 && steps <= g_ScanState.folderCount.load(); ++steps) {
      const FolderRecord* p = Folder(id);
      ASSERT_NE(p, nullptr) << NameOf(*f) << " has no parent " << id;
      id = p->parentId;
    }
    EXPECT_EQ(id, 0u) << NameOf(*f) << " does not reach the root";
    bool listed = false;
    ForEachChild(g_ScanState.folderList, f->parentId, [&](FolderRecord& c) { listed |= &c == f; });
    EXPECT_TRUE(listed) << NameOf(*f) << " is not among the children of " << f->parentId;
  }
  EXPECT_EQ(count, g_ScanState.folderCount.load());
}

}  // namespace

TEST(FatFormattedScan, FoldersComeFromDirectoryClustersAndTakeTheirNamesFromTheirParents) {
  FormattedFat16 v;
  Bytes root = LongNameEntries(u"Documents", Short11("DOCUME~1", ""));
  Append(root, ShortEntry({Short11("DOCUME~1", ""), 0x10, 20}));
  Append(root, ShortEntry({Short11("README", "TXT"), 0x20, 70, 100, 0x5321, 0x6000}));
  Append(root, ShortEntry({Short11("ELSE", ""), 0x10, 22}));  // stale: 22 lies in 20, not root
  v.Root(root);
  Bytes docs = ShortEntry({Short11("A", "TXT"), 0x20, 71, 200});
  Append(docs, ShortEntry({"\xE5UB        ", 0x10, 22}));  // a deleted subfolder
  v.Directory(20, 20, 0, docs);
  v.Directory(22, 22, 20, ShortEntry({Short11("B", "TXT"), 0x20, 72, 300}));
  v.Directory(30, 22, 20);  // an old copy of cluster 22 elsewhere: not a folder
  v.Directory(35, 35, 0);   // never named: keeps its Dir name
  EXPECT_EQ(Scan(), ScanEnd::Finished);

  std::map<std::string, std::pair<uint32_t, uint32_t>> folders;  // name -> (id, parent)
  for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next)
    folders[NameOf(*f)] = {f->id, f->parentId};
  EXPECT_EQ(folders,
            (std::map<std::string, std::pair<uint32_t, uint32_t>>{{"Lost", {kLostFolderId, 0}},
                                                                  {"Documents", {20, 0}},
                                                                  {"_UB", {22, 20}},
                                                                  {"Dir3", {35, 0}}}));
  EXPECT_EQ(Folder(22)->deleted, 'y');
  EXPECT_EQ(Folder(20)->deleted, 'n');
  // The found folder keeps the times of its "." entry.
  EXPECT_EQ(Folder(35)->modified, (TimeHalves{0x5021, 0x6000}));
  EXPECT_EQ(Folder(35)->created, (TimeHalves{0x4F00, 0x1234}));
  EXPECT_EQ(Folder(35)->accessed, (TimeHalves{0x5022, 0}));

  std::map<std::string, std::pair<uint32_t, uint8_t>> files;  // name -> (parent, deleted)
  for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
    files[NameOf(*f)] = {f->parentId, f->deleted};
  EXPECT_EQ(files, (std::map<std::string, std::pair<uint32_t, uint8_t>>{
                       {"README.TXT", {0, 'n'}}, {"A.TXT", {20, 'n'}}, {"B.TXT", {22, 'y'}}}));
  EXPECT_EQ(g_ScanState.totalSize.load(), 600u);
  ExpectWholeTree();
}

// The folder search reads the data area in large chunks; a chunk with a bad sector is read again
// cluster by cluster, so the user is asked once per unreadable directory sector, as when every
// cluster was read alone, and only that cluster's folder is lost.
TEST(FatFormattedScan, BadSectorsInTheFolderSearchAreAskedAboutPerCluster) {
  struct Case {
    int answer;
    int questions;
  } cases[] = {{1, 2}, {0, 2}, {3, 1}};
  // Sectors the scan zero-fills on a good disk (the walks read past the small disk's end).
  uint64_t zeroedWhenGood = 0;
  {
    FormattedFat16 v;
    ResetZeroFilledSectorCount();
    ASSERT_EQ(Scan(), ScanEnd::Finished);
    zeroedWhenGood = ZeroFilledSectorCount();
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    FormattedFat16 v;
    v.Directory(35, 35, 0);
    v.Directory(36, 36, 0);
    v.Directory(90, 90, 0);
    v.disk.Plan().badSectors = {FormattedFat16::kBase + 35, FormattedFat16::kBase + 90};
    test_support::RecordingPrompts prompts({c.answer});
    ScanControl control;
    ResetZeroFilledSectorCount();
    EXPECT_EQ(Scan(control, nullptr, &prompts), ScanEnd::Finished);
    EXPECT_EQ(prompts.badSectorQuestions, c.questions);
    EXPECT_EQ(ZeroFilledSectorCount() - zeroedWhenGood, 2u);
    std::set<uint32_t> ids;
    for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) ids.insert(f->id);
    EXPECT_EQ(ids, (std::set<uint32_t>{kLostFolderId, 36}));
  }
}

// A folder whose parent was not found, one that names itself as its parent (garbage "." and
// ".."), and two that name each other all end under "Lost", in the list's order, and every reader
// that follows parents reaches the root.
// The folder search shows sectors; from the root step on the value is the size of the files
// found, under its own caption.
TEST(FatFormattedScan, TheRootStepCaptionsTheValueAsTotalSize) {
  FormattedFat16 v;
  v.Root(ShortEntry({Short11("README", "TXT"), 0x20, 70, 100}));
  ScanControl control;
  StepRecorder steps;
  ASSERT_EQ(Scan(control, &steps), ScanEnd::Finished);
  ASSERT_GE(steps.steps.size(), 3u);
  EXPECT_EQ(steps.steps[2], kFatInsertingRootStep);
  const std::vector<std::pair<size_t, std::string>> want = {{2, std::string(kTotalSizeLabel)}};
  EXPECT_EQ(steps.labels, want);
}

TEST(FatFormattedScan, LostParentsAndLoopsGoUnderLost) {
  FormattedFat16 v;
  v.Directory(10, 10, 0);
  v.Directory(11, 11, 10);
  v.Directory(40, 40, 99);  // parent never found
  v.Directory(41, 41, 41);  // its own parent
  v.Directory(42, 42, 43);  // 42 and 43 are each other's parent
  v.Directory(43, 43, 42);
  v.Directory(44, 44, 42, ShortEntry({Short11("IN", "TXT"), 0x20, 80, 5}));
  EXPECT_EQ(Scan(), ScanEnd::Finished);
  EXPECT_EQ(Folder(11)->parentId, 10u);
  EXPECT_EQ(Folder(40)->parentId, kLostFolderId);
  EXPECT_EQ(Folder(41)->parentId, kLostFolderId);
  EXPECT_EQ((Folder(42)->parentId == kLostFolderId) + (Folder(43)->parentId == kLostFolderId), 1);
  EXPECT_EQ(Folder(44)->parentId, 42u);
  EXPECT_EQ(g_ScanState.folderCount.load(), 8u);
  ExpectWholeTree();
}

TEST(FatFormattedScan, SectorsPerClusterZeroCannotBeScanned) {
  FormattedFat16 v;
  g_VolumeGeometry.SectorsPerCluster = 0;
  v.Directory(10, 10, 0);
  test_support::RecordingPrompts prompts;
  ScanControl control;
  EXPECT_EQ(Scan(control, nullptr, &prompts), ScanEnd::Discard);
  EXPECT_EQ(prompts.notices,
            (std::vector<std::string>{std::string(kFatFormattedImpossibleNotice)}));
  EXPECT_EQ(g_ScanState.fileCount.load(), 0u);
}

// Stop ends the step it falls in; in formatted recovery the steps after it still run on what was
// found, in deleted-data recovery (the fall-back) the results come at once after the lost folders.
TEST(FatFormattedScan, StopEndsTheCurrentStep) {
  for (const bool formattedMode : {true, false}) {
    FormattedFat16 v;
    g_FormattedMode = formattedMode ? 1 : 0;
    v.Root(ShortEntry({Short11("TOP", "TXT"), 0x20, 70, 1}));
    v.Directory(50, 50, 0);
    ScanControl control;
    control.RequestStop();
    StepRecorder steps;
    EXPECT_EQ(Scan(control, &steps), ScanEnd::Stopped);
    EXPECT_EQ(Folder(50), nullptr) << "the search stopped at its first cluster";
    EXPECT_EQ(g_ScanState.fileCount.load(), formattedMode ? 1u : 0u);
    EXPECT_EQ(steps.steps.size(), formattedMode ? 4u : 1u);
  }
}

TEST(FatFormattedScan, CancelEndsAtOnce) {
  FormattedFat16 v;
  v.Directory(50, 50, 0);
  ScanControl control;
  control.Cancel();
  EXPECT_EQ(Scan(control), ScanEnd::Cancelled);
}

// In partition recovery the folders come from the dump and only the chosen file system's are
// read and named.
TEST(FatFormattedScan, PartitionModeReadsOnlyTheChosenFileSystem) {
  FormattedFat16 v;
  g_FormattedMode = 0;
  g_PartitionMode = 1;
  g_PartitionPass = 1;
  g_ScanState.chosenFileSystem = 2;
  v.Root(ShortEntry({Short11("NAMED", ""), 0x10, 20}));
  v.Directory(20, 20, 0, ShortEntry({Short11("X", "TXT"), 0x20, 71, 7}));
  for (int16_t partition : {int16_t{1}, int16_t{2}}) {
    NewFolder f;
    f.ansiName = partition == 1 ? "Dir1" : "Dir2";
    f.id = 20;
    f.partition = partition;
    AddFolderRecord(f);
  }
  EXPECT_EQ(Scan(), ScanEnd::Finished);
  EXPECT_EQ(NameOf(*FindFolderRecord(20, 1)), "Dir1");
  EXPECT_EQ(NameOf(*FindFolderRecord(20, 2)), "NAMED");
  EXPECT_EQ(g_ScanState.fileCount.load(), 1u);
}

// With the FAT cleared a folder's chain is its first cluster; the folder goes on into the clusters
// that follow while they hold directory entries (a long name may begin in the cluster before), and
// stops at an end mark, at file data, at another folder's first cluster, at a cluster with bytes
// after its end mark, and wherever the FAT still ends its chain.
TEST(FatFormattedScan, AFolderGoesOnIntoTheClustersThatFollowItsFirst) {
  FormattedFat16 v;
  // 14 file entries after "." and "..": a full first cluster of 512 bytes.
  auto files = [](const std::string& prefix, uint32_t firstCluster, size_t n = 14) {
    Bytes b;
    for (size_t i = 0; i < n; ++i)
      Append(b, ShortEntry({Short11(prefix + std::to_string(i), "TXT"), 0x20,
                            static_cast<uint32_t>(firstCluster + i), 10}));
    return b;
  };
  // Folder 20 fills 20 and 21; its long name starts at the end of 21 and ends in 22, which also
  // holds a deleted entry and then the end mark. 23 would read as more of it but follows the end.
  v.Directory(20, 20, 0, files("A", 100));
  Bytes second = files("B", 120, 14);
  Append(second, LongNameEntries(u"Long name across.txt", Short11("LONGNA~1", "TXT")));
  v.Cluster(21, second);
  Bytes third = ShortEntry({Short11("LONGNA~1", "TXT"), 0x20, 140, 10});
  Append(third, ShortEntry({"\xE5" + Short11("GONE", "TXT").substr(1), 0x20, 141, 10}));
  v.Cluster(22, third);
  v.Cluster(23, files("X", 150, 2));
  // Folder 30: its next cluster is file data; the one after would pass, but is never reached.
  v.Directory(30, 30, 0, files("C", 100));
  v.Cluster(31, Bytes(512, std::byte{'x'}));  // as text of a file
  v.Cluster(32, files("Y", 150, 2));
  // Folder 40 is followed by folder 41's first cluster.
  v.Directory(40, 40, 0, files("D", 100));
  v.Directory(41, 41, 0, files("E", 100, 1));
  // Folder 50: its next cluster ends with bytes after the end mark (not a folder's cleared tail).
  v.Directory(50, 50, 0, files("F", 100));
  Bytes dirty = files("Z", 150, 2);
  Append(dirty, Bytes(32, std::byte{0}));
  Append(dirty, Bytes(32, std::byte{'q'}));
  v.Cluster(51, dirty);
  // Folder 60: the FAT still ends its chain at 60, so 61 is not its.
  v.Directory(60, 60, 0, files("G", 100));
  v.Cluster(61, files("W", 150, 2));
  v.disk.Put16At(1 * 512 + 2 * 60, 0xFFFF);
  EXPECT_EQ(Scan(), ScanEnd::Finished);

  std::map<uint32_t, std::set<std::string>> byFolder;
  for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
    byFolder[f->parentId].insert(NameOf(*f) + (f->deleted == 'y' ? " (deleted)" : ""));
  std::set<std::string> want20;
  for (int i = 0; i < 14; ++i) want20.insert("A" + std::to_string(i) + ".TXT");
  for (int i = 0; i < 14; ++i) want20.insert("B" + std::to_string(i) + ".TXT");
  want20.insert("Long name across.txt");
  want20.insert("_ONE.TXT (deleted)");
  EXPECT_EQ(byFolder[20], want20);
  for (const auto& [folder, prefix] :
       std::vector<std::pair<uint32_t, std::string>>{{30, "C"}, {40, "D"}, {50, "F"}, {60, "G"}}) {
    std::set<std::string> want;
    for (int i = 0; i < 14; ++i) want.insert(prefix + std::to_string(i) + ".TXT");
    EXPECT_EQ(byFolder[folder], want) << folder;
  }
  EXPECT_EQ(byFolder[41], std::set<std::string>{"E0.TXT"});
}

TEST(FatFormattedScan, AFolderContinuationHoldsOnlyPlausibleEntries) {
  const auto cluster = [](std::initializer_list<Bytes> entries) {
    Bytes b;
    for (const Bytes& e : entries) Append(b, e);
    b.resize(512, std::byte{0});
    return b;
  };
  const Bytes file = ShortEntry({Short11("FILE", "TXT"), 0x20, 5, 10});
  Bytes lowercase = file;
  lowercase[1] = std::byte{'i'};
  Bytes highAttributes = file;
  highAttributes[11] = std::byte{0x40};
  Bytes badOrder = LongNameEntries(u"x", Short11("X", ""));
  badOrder[0] = std::byte{0x55};
  struct Case {
    const char* name;
    Bytes bytes;
    bool holds;
  } cases[] = {
      {"entries then zeros",
       cluster({file, LongNameEntries(u"A long one", Short11("ALONGO~1", "")),
                ShortEntry({Short11("ALONGO~1", ""), 0x10, 6})}),
       true},
      {"deleted entry first", cluster({ShortEntry({"\xE5ILE    TXT", 0x20, 5}), file}), true},
      {"all zeros", Bytes(512, std::byte{0}), false},
      {"a folder's first cluster",
       cluster({ShortEntry({".          ", 0x10, 5}), ShortEntry({"..         ", 0x10, 0})}),
       false},
      {"lower case in a short name", cluster({file, lowercase}), false},
      {"attribute bits no entry has", cluster({highAttributes}), false},
      {"long-name part out of order", cluster({badOrder}), false},
      {"text", Bytes(512, std::byte{'T'}), false},
      {"too short for an entry", Bytes(31, std::byte{'A'}), false},
  };
  for (const Case& c : cases) EXPECT_EQ(HoldsFolderContinuation(c.bytes), c.holds) << c.name;
}
