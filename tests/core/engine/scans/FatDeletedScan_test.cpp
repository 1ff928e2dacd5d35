#include "engine/scans/FatDeletedScan.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "prompts/UserPrompts.h"
#include "storage/VolumeGeometry.h"
#include "tests/core/storage/fat/FatTestImage.h"
#include "tests/core/TestPrompts.h"
#include "saving/ProgramState.h"

using namespace fat_test;

namespace {

// A small FAT16 volume of one sector per cluster: FATs at 1 and 5 (4 sectors each), root at 9
// (4 sectors, 64 entries), cluster 2 at sector 13. No boot sector: the limit comes from the end.
class SmallFat16 {
 public:
  static constexpr uint64_t kRoot = 9;
  static constexpr uint64_t kBase = 11;

  SmallFat16() : disk(200) {
    ResetProgramState();
    g_ScanState.fileSystem = FileSystemKind::Fat16;
    g_VolumeGeometry = {0, 0, 0, 0, 1, 4, kRoot, 4, 1, kBase, 1, 5};
  }
  ~SmallFat16() { ResetScanState(); }

  void Fat(uint32_t c, uint32_t v) { disk.Put16At(512 + c * 2, v); }
  // Writes entries at the start of the root or of cluster c.
  void Root(const Bytes& entries) { disk.Write(kRoot * 512, entries); }
  void Cluster(uint32_t c, const Bytes& entries) { disk.Write((kBase + c) * 512, entries); }
  // "." and ".." for a folder at c under parent p, then entries.
  Bytes Folder(uint32_t c, uint32_t p, const Bytes& entries) {
    Bytes b = ShortEntry({".          ", 0x10, c});
    Append(b, ShortEntry({"..         ", 0x10, p}));
    Append(b, entries);
    return b;
  }

  MemoryVolume disk;
};

using NoticeRecorder = test_support::RecordingPrompts;

struct FallbackObserver final : ScanObserver {
  void OnBarAnimation(bool running) override { animation.push_back(running); }
  void OnSwitchToFormattedScan() override {
    ++fallbacks;
    if (!changeSourceOnSwitch) return;
    // What a page could do to the globals while the worker runs.
    g_VolumeGeometry = {};
    g_ScanState.fileSystem = FileSystemKind::Fat32;
  }
  std::vector<bool> animation;
  int fallbacks = 0;
  bool changeSourceOnSwitch = false;
};

struct Found {
  char kind;
  uint8_t deleted;
  uint32_t parent;
  uint32_t id;
  uint64_t size;
  bool operator<(const Found& o) const {
    return std::tie(kind, parent, id) < std::tie(o.kind, o.parent, o.id);
  }
};

template <class R>
std::string NameOf(const R& r) {
  return r.ansiName.IsSet() ? Utf16ToUtf8(FatShortNameToUtf16(std::string(r.ansiName.View())))
                            : Utf16ToUtf8(r.wideName.View());
}

// name -> record summary of everything found.
std::map<std::string, Found> Scan(ScanEnd* endOut = nullptr, NoticeRecorder* prompts = nullptr,
                                  FallbackObserver* observer = nullptr) {
  ScanControl control;
  FallbackObserver localObserver;
  ScanJob job{control, observer ? *observer : localObserver};
  SetUserPrompts(prompts);
  const ScanEnd end = FatDeletedScanThread(job);
  SetUserPrompts(nullptr);
  if (endOut) *endOut = end;
  std::map<std::string, Found> out;
  for (auto* f = g_ScanState.folderList.head; f; f = f->next)
    out[NameOf(*f)] = {'D', f->deleted, f->parentId, f->id, 0};
  for (auto* f = g_ScanState.fileList.head; f; f = f->next)
    out[NameOf(*f)] = {'F', f->deleted, f->parentId, f->id, f->size};
  return out;
}

}  // namespace

TEST(FatDeletedScan, EntryRules) {
  SmallFat16 v;
  Bytes root;
  Append(root, ShortEntry({Short11("MW-VOL", ""), 0x08}));          // volume label: no cluster
  Append(root, ShortEntry({Short11("EMPTY", "TXT"), 0x20, 0, 0}));  // size 0, cluster 0
  Append(root, ShortEntry({"\xE5"
                           "EPORT  TXT",
                           0x20, 20, 1234, 0x5321, 0x6000}));
  Append(root, ShortEntry({Short11("WHAT?", "TXT"), 0x20, 21, 5}));  // refused character
  Append(root, LongNameEntries(u"Long name.txt", Short11("LONGNA~1", "TXT")));
  Append(root, ShortEntry({Short11("LONGNA~1", "TXT"), 0x20, 22, 7}));
  Append(root, LongNameEntries(u"bad|name.txt", Short11("BADNAM~1", "TXT")));
  Append(root, ShortEntry({Short11("BADNAM~1", "TXT"), 0x20, 23, 8}));
  // A folder whose long name took a flipped bit: it and what lies in it stay, under its 8.3 name.
  Append(root, LongNameEntries(u"\x0eolder", Short11("DIR", "")));
  Append(root, ShortEntry({Short11("DIR", ""), 0x10, 30}));
  v.Root(root);
  v.Fat(30, 0xFFFF);
  v.Cluster(30, v.Folder(30, 0, ShortEntry({Short11("INNER", "BIN"), 0x20, 31, 9})));

  const auto found = Scan();
  std::set<std::string> names;
  for (const auto& [name, f] : found) names.insert(name);
  // A long name that cannot be a file name gives way to the entry's 8.3 name.
  EXPECT_EQ(names, (std::set<std::string>{"_EPORT.TXT", "Long name.txt", "BADNAM~1.TXT", "DIR",
                                          "INNER.BIN"}));
  EXPECT_EQ(found.at("_EPORT.TXT").deleted, 'y');
  EXPECT_EQ(found.at("_EPORT.TXT").size, 1234u);
  EXPECT_EQ(found.at("Long name.txt").deleted, 'n');
  EXPECT_EQ(found.at("INNER.BIN").parent, 30u);
  EXPECT_EQ(g_ScanState.totalSize.load(), 1234u + 7 + 8 + 9);
  const FileRecord* report = g_ScanState.fileList.head;
  while (report && report->id != 20) report = report->next;
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->modified, (TimeHalves{0x5321, 0x6000}));  // date, time
}

// Everything inside a deleted folder is deleted; the folder's chain is read up to 26 clusters.
TEST(FatDeletedScan, InsideADeletedFolderEverythingIsDeleted) {
  SmallFat16 v;
  v.Root(
      ShortEntry({"\xE5"
                  "LDDIR     ",
                  0x10, 40}));
  v.Cluster(40, v.Folder(40, 0, [] {
    Bytes b = ShortEntry({Short11("PRESENT", "TXT"), 0x20, 41, 10});
    Append(b, ShortEntry({Short11("SUB", ""), 0x10, 42}));
    return b;
  }()));
  v.Cluster(42, v.Folder(42, 40, ShortEntry({Short11("DEEPER", "TXT"), 0x20, 43, 11})));
  const auto found = Scan();
  ASSERT_EQ(found.size(), 4u);
  for (const auto& [name, f] : found) EXPECT_EQ(f.deleted, 'y') << name;
}

// Folders are read in the order they were found, whatever their clusters: a folder at a lower
// cluster than its parent is read too; a folder naming its own ancestor is read once.
TEST(FatDeletedScan, EveryFolderIsReadOnceWhateverItsCluster) {
  SmallFat16 v;
  v.Root(ShortEntry({Short11("D", ""), 0x10, 50}));
  v.Fat(50, 0xFFFF);
  v.Fat(3, 0xFFFF);
  v.Fat(4, 0xFFFF);
  v.Cluster(50, v.Folder(50, 0, ShortEntry({Short11("C", ""), 0x10, 3})));
  v.Cluster(3, v.Folder(3, 50, [] {
    Bytes b = ShortEntry({Short11("G", ""), 0x10, 4});
    Append(b, ShortEntry({Short11("LOOP", ""), 0x10, 50}));  // damaged: points back at D
    return b;
  }()));
  v.Cluster(4, v.Folder(4, 3, ShortEntry({Short11("G1", "TXT"), 0x20, 60, 100})));
  const auto found = Scan();
  ASSERT_TRUE(found.count("G1.TXT"));
  EXPECT_EQ(found.at("G1.TXT").parent, 4u);
  EXPECT_EQ(g_ScanState.fileCount.load(), 1u);
}

// A deleted folder's cluster now holds a present folder found later in the walk: its files are
// present, listed once, under the present folder.
TEST(FatDeletedScan, AClusterReusedByAPresentFolderIsReadAsPresent) {
  SmallFat16 v;
  Bytes root =
      ShortEntry({"\xE5"
                  "LD        ",
                  0x10, 50});
  Append(root, ShortEntry({Short11("DOCS", ""), 0x10, 40}));
  v.Root(root);
  v.Fat(40, 0xFFFF);
  v.Fat(50, 0xFFFF);
  v.Cluster(40, v.Folder(40, 0, ShortEntry({Short11("NEW", ""), 0x10, 50})));
  v.Cluster(50, v.Folder(50, 40, ShortEntry({Short11("KEEP", "TXT"), 0x20, 60, 10})));
  const auto found = Scan();
  ASSERT_TRUE(found.count("KEEP.TXT"));
  EXPECT_EQ(found.at("KEEP.TXT").deleted, 'n');
  EXPECT_EQ(found.at("KEEP.TXT").parent, 50u);
  ASSERT_TRUE(found.count("NEW"));
  EXPECT_EQ(found.at("NEW").deleted, 'n');
  EXPECT_EQ(g_ScanState.fileCount.load(), 1u);
}

TEST(FatDeletedScan, FoldersOutsideTheDataAreaOrWithoutDotEntriesAreNotRead) {
  SmallFat16 v;
  Bytes root = ShortEntry({Short11("FAR", ""), 0x10, 60000});   // past the volume
  Append(root, ShortEntry({Short11("REUSED", ""), 0x10, 70}));  // cluster now holds file data
  v.Root(root);
  Bytes data(512, std::byte{'x'});
  v.Cluster(70, data);
  const auto found = Scan();
  EXPECT_EQ(found.size(), 2u);
  EXPECT_EQ(g_ScanState.fileCount.load(), 0u);
}

// A long name that begins in one cluster of a folder and ends in the next, which lies elsewhere
// on the volume: the name is taken from the folder's own previous cluster.
TEST(FatDeletedScan, LongNamesAcrossClustersOfAFragmentedFolder) {
  SmallFat16 v;
  v.Root(ShortEntry({Short11("F", ""), 0x10, 80}));
  v.Fat(80, 90);
  v.Fat(90, 0xFFFF);
  const std::u16string name = u"A name long enough to need three fragments.txt";
  const std::string s11 = Short11("ANAMEL~1", "TXT");
  Bytes lfn = LongNameEntries(name, s11);  // 4 fragments, 128 bytes
  Bytes first = v.Folder(80, 0, {});
  first.resize(512 - 64, std::byte{0x20});  // filler entries: blank names, cluster 0
  for (size_t i = 64; i < first.size(); i += 32) first[i + 11] = std::byte{0x20};
  first.insert(first.end(), lfn.begin(), lfn.begin() + 64);
  v.Cluster(80, first);
  Bytes second(lfn.begin() + 64, lfn.end());
  Append(second, ShortEntry({s11, 0x20, 95, 12}));
  v.Cluster(90, second);
  // The sector physically before cluster 90 holds a different name's fragments.
  v.Cluster(89, LongNameEntries(u"Wrong neighbour name.txt", s11));
  const auto found = Scan();
  EXPECT_TRUE(found.count(Utf16ToUtf8(name)));
}

// The formatted scan that follows works from the source the deleted-file scan took when it
// started, whatever the globals say by then.
TEST(FatDeletedScan, NothingFoundTellsTheUserAndHandsOver) {
  for (bool changeSource : {false, true}) {
    SCOPED_TRACE(changeSource);
    SmallFat16 v;
    Bytes root = LongNameEntries(u"Orphan fragment.txt", Short11("ORPHAN~1", "TXT"));
    Append(root, ShortEntry({".          ", 0x10, 5}));
    v.Root(root);
    // A folder no entry leads to any more: only the formatted scan that follows finds it.
    v.Cluster(40, v.Folder(40, 0, ShortEntry({Short11("INNER", "BIN"), 0x20, 41, 9})));
    NoticeRecorder prompts;
    FallbackObserver observer;
    observer.changeSourceOnSwitch = changeSource;
    ScanEnd end = ScanEnd::Failed;
    const auto found = Scan(&end, &prompts, &observer);
    std::set<std::string> names;
    for (const auto& [name, f] : found) names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"Lost", "Dir1", "INNER.BIN"}));
    EXPECT_EQ(prompts.notices,
              (std::vector<std::string>{std::string(kFatFormattedFallbackNotice)}));
    EXPECT_EQ(observer.animation, (std::vector<bool>{true, false}));
    EXPECT_EQ(observer.fallbacks, 1);
    EXPECT_EQ(end, ScanEnd::Finished);
  }
}

TEST(FatDeletedScan, StopKeepsWhatWasFoundAndCancelEndsAtOnce) {
  for (bool cancel : {false, true}) {
    SmallFat16 v;
    Bytes root;
    for (uint32_t i = 0; i < 10; ++i)
      Append(root, ShortEntry({Short11("F" + std::to_string(i), "TXT"), 0x20, 100 + i, 1}));
    v.Root(root);
    ScanControl control;
    FallbackObserver observer;
    ScanJob job{control, observer};
    if (cancel)
      control.Cancel();
    else
      control.RequestStop();
    EXPECT_EQ(FatDeletedScanThread(job), cancel ? ScanEnd::Cancelled : ScanEnd::Stopped);
    EXPECT_EQ(g_ScanState.fileCount.load(), 1u);
  }
}
