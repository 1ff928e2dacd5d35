#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "platform/ExitProcess.h"
#include "prompts/UserPrompts.h"
#include "tests/core/engine/records/PlainListWalk.h"
#include "tests/core/TestPrompts.h"
#include "saving/ProgramState.h"

namespace {

template <class R>
std::vector<R*> Records(R* head) {
  std::vector<R*> v;
  for (R* r = head; r; r = r->next) v.push_back(r);
  return v;
}

// The invariants every mutation must keep: counts equal lengths, the list is sorted from its
// second record (unless a key was changed in place on purpose), and every skip entry is a record
// of the list, in list order, near position 10,000 x k.
template <class R>
void ExpectInvariants(const KeyedList<R>& list, uint32_t count, bool expectSorted = true) {
  const auto recs = Records(list.head);
  ASSERT_EQ(recs.size(), count);
  if (recs.empty()) {
    EXPECT_TRUE(list.skipIndex.empty());
    EXPECT_EQ(list.tail, nullptr);
    return;
  }
  EXPECT_EQ(list.tail, recs.back());
  if (expectSorted) {
    for (size_t i = 2; i < recs.size(); ++i)
      ASSERT_LE(recs[i - 1]->parentId, recs[i]->parentId) << "at position " << i;
  }
  const auto& index = list.skipIndex;
  ASSERT_FALSE(index.empty());
  EXPECT_EQ(index[0], list.head);
  const size_t n = recs.size();
  EXPECT_LE(index.size(), 1 + (n - 1) / kSkipSpacing);
  EXPECT_GE(index.size(), (n - 1) / kSkipSpacing);
  size_t pos = 0;
  for (size_t k = 0; k < index.size(); ++k) {
    while (pos < n && recs[pos] != index[k]) ++pos;
    ASSERT_LT(pos, n) << "skip entry " << k << " is not on the list (or out of order)";
    EXPECT_GE(pos, k * kSkipSpacing);
    EXPECT_LT(pos, (k + 1) * kSkipSpacing);
  }
}

void ExpectAllInvariants(bool foldersSorted = true) {
  ExpectInvariants(g_ScanState.fileList, g_ScanState.fileCount.load());
  ExpectInvariants(g_ScanState.folderList, g_ScanState.folderCount.load(), foldersSorted);
}

using test_support::RecordingPrompts;

class ResultLists : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
  }
  void TearDown() override { ResetScanState(); }
};

FileRecord* File(uint32_t parent, std::u16string_view name = u"f") {
  return AddFileRecord({.wideName = name, .parentId = parent});
}

FolderRecord* Folder(uint32_t parent, uint32_t id, uint8_t deleted = 'n', int16_t partition = 0,
                     std::u16string_view name = u"d", uint32_t locator = 0) {
  return AddFolderRecord({.wideName = name,
                          .deleted = deleted,
                          .parentId = parent,
                          .id = id,
                          .locator = locator,
                          .partition = partition});
}

std::vector<uint32_t> FileKeys() {
  std::vector<uint32_t> keys;
  for (auto* r : Records(g_ScanState.fileList.head)) keys.push_back(r->parentId);
  return keys;
}

TEST_F(ResultLists, SkipIndexCountAndThresholdFollowTheRebuildRule) {
  struct Step {
    uint32_t insertions;
    size_t skipCount;
    uint32_t threshold;
    std::vector<size_t> positions;
  };
  const Step steps[] = {{1, 1, 10000, {0}},
                        {9999, 1, 10000, {0}},
                        {10000, 1, 20000, {0}},
                        {19999, 2, 20000, {0, 10000}},  // (rebuilt at 10,000 with one entry)
                        {20000, 2, 30000, {0, 10000}}};
  std::mt19937 rng(7);
  uint32_t done = 0;
  for (const Step& s : steps) {
    for (; done < s.insertions; ++done) File(rng() % 300 + 1);
    ASSERT_EQ(g_ScanState.fileCount.load(), s.insertions);
    // Between rebuilds the index keeps the entries of the last rebuild.
    if (s.insertions == 19999) continue;
    EXPECT_EQ(g_ScanState.FileSkipCount(), s.skipCount) << s.insertions;
    EXPECT_EQ(g_FileSkipThreshold, s.threshold) << s.insertions;
    const auto recs = Records(g_ScanState.fileList.head);
    for (size_t k = 0; k < s.positions.size(); ++k)
      EXPECT_EQ(g_FileSkipIndex[k], recs[s.positions[k]]) << s.insertions << " entry " << k;
    ExpectAllInvariants();
  }
}

TEST_F(ResultLists, FolderIndexFollowsTheSameRule) {
  Folder(5, kLostFolderId);
  EXPECT_EQ(g_ScanState.FolderSkipCount(), 1u);
  EXPECT_EQ(g_FolderSkipThreshold, 10000u);
  for (uint32_t i = 1; i < 20000; ++i) Folder(5 + i % 97, 100 + i);
  EXPECT_EQ(g_ScanState.folderCount.load(), 20000u);
  EXPECT_EQ(g_ScanState.FolderSkipCount(), 2u);
  EXPECT_EQ(g_FolderSkipThreshold, 30000u);
  ExpectAllInvariants();
}

TEST_F(ResultLists, FirstRecordStaysFirstAndEqualKeysKeepInsertionOrder) {
  FileRecord* a = File(5);
  File(9);
  FileRecord* seven1 = File(7);
  FileRecord* seven2 = File(7);
  EXPECT_EQ(FileKeys(), (std::vector<uint32_t>{5, 7, 7, 9}));
  EXPECT_EQ(a->next, seven1);
  EXPECT_EQ(seven1->next, seven2);
  File(3);
  EXPECT_EQ(FileKeys(), (std::vector<uint32_t>{5, 3, 7, 7, 9}));
  EXPECT_EQ(g_ScanState.fileList.head, a);
  ExpectAllInvariants();
}

// The lost-file stage moves files in one pass: the list stays sorted with its key groups, the
// moved files keep their order and sequence after the files already under the new key.
TEST_F(ResultLists, FilesMovedToAParentFollowItsFilesInTheirOrder) {
  FileRecord* first = File(60, u"head");  // outside the order: its key changes in place
  for (uint32_t i = 0; i < 25000; ++i) File(1 + i % 50);
  FileRecord* lostOne = File(kLostFolderId, u"already");
  const auto moves = [](const FileRecord& r) { return r.parentId % 10 == 0 && r.parentId < 100; };
  // The moved files in their list order before the move (the head stays where it is).
  std::vector<FileRecord*> expected = {first, lostOne};
  for (FileRecord* r = first->next; r; r = r->next)
    if (moves(*r)) expected.push_back(r);
  std::vector<uint32_t> sequences;
  for (FileRecord* r : expected) sequences.push_back(r->sequence);
  EXPECT_EQ(MoveFilesToParent(moves, kLostFolderId), expected.size() - 1);
  EXPECT_EQ(g_ScanState.fileList.head, first);
  EXPECT_EQ(first->parentId, kLostFolderId);
  ExpectAllInvariants();
  EXPECT_TRUE(g_ScanState.fileList.IsOrdered());
  std::vector<FileRecord*> lost;
  ForEachChild(g_ScanState.fileList, kLostFolderId, [&](FileRecord& r) { lost.push_back(&r); });
  EXPECT_EQ(lost, expected);
  for (size_t i = 0; i < lost.size(); ++i) EXPECT_EQ(lost[i]->sequence, sequences[i]);
  EXPECT_EQ(g_ScanState.fileList.tail, lost.back());
  EXPECT_EQ(MoveFilesToParent(moves, kLostFolderId), 0u);
}

TEST_F(ResultLists, SequenceCountsTheFilesInsertedBefore) {
  std::vector<FileRecord*> made;
  for (uint32_t k : {40u, 10u, 30u, 10u, 20u}) made.push_back(File(k));
  for (uint32_t i = 0; i < made.size(); ++i) EXPECT_EQ(made[i]->sequence, i);
  EXPECT_EQ(g_ScanState.fileCount.load(), 5u);
  ExpectAllInvariants();
}

TEST_F(ResultLists, FolderMergeCases) {
  Folder(5, kLostFolderId, 'n', 0, u"Lost");
  FolderRecord* present = Folder(5, 40, 'n', 0, u"present");
  FolderRecord* deleted = Folder(5, 41, 'y', 0, u"old");
  deleted->treeItem = 1234;
  Folder(5, 42);
  ASSERT_EQ(g_ScanState.folderCount.load(), 4u);

  // A duplicate of a present folder is dropped, whatever its own state.
  EXPECT_EQ(Folder(5, 40, 'n', 0, u"again"), present);
  EXPECT_EQ(Folder(5, 40, 'y', 0, u"again"), present);
  EXPECT_EQ(present->wideName.View(), u"present");
  EXPECT_EQ(g_ScanState.folderCount.load(), 4u);

  // A present folder replaces the deleted one in place.
  const auto before = Records(g_ScanState.folderList.head);
  FolderRecord* merged = AddFolderRecord({.wideName = u"new",
                                          .deleted = 'n',
                                          .parentId = 5,
                                          .id = 41,
                                          .locator = 77,
                                          .modified = {1, 2},
                                          .created = {3, 4},
                                          .accessed = {5, 6}});
  EXPECT_EQ(merged, deleted);
  EXPECT_EQ(Records(g_ScanState.folderList.head), before);
  EXPECT_EQ(deleted->wideName.View(), u"new");
  EXPECT_EQ(deleted->deleted, 'n');
  EXPECT_EQ(deleted->locator, 77u);
  EXPECT_EQ(deleted->modified, (TimeHalves{1, 2}));
  EXPECT_EQ(deleted->created, (TimeHalves{3, 4}));
  EXPECT_EQ(deleted->accessed, (TimeHalves{5, 6}));
  EXPECT_EQ(deleted->treeItem, 1234u);
  EXPECT_EQ(g_ScanState.folderCount.load(), 4u);

  // Another partition is another folder.
  Folder(5, 40, 'n', 1);
  EXPECT_EQ(g_ScanState.folderCount.load(), 5u);

  // Folders with id 0 are never merged and go to the end, whatever their key.
  FolderRecord* z1 = Folder(3, 0);
  FolderRecord* z2 = Folder(3, 0);
  EXPECT_EQ(g_ScanState.folderCount.load(), 7u);
  EXPECT_EQ(z1->next, z2);
  EXPECT_EQ(g_ScanState.folderList.tail, z2);
  ExpectAllInvariants(false);
}

TEST_F(ResultLists, MergeThatChangesTheParentMovesTheRecordToItsNewKey) {
  Folder(5, kLostFolderId);
  FolderRecord* moved = Folder(6, 50, 'y');
  for (uint32_t i = 0; i < 30; ++i) Folder(7 + i % 5, 100 + i);
  FolderRecord* merged = Folder(9, 50, 'n', 0, u"now present");
  EXPECT_EQ(merged, moved);
  EXPECT_EQ(moved->parentId, 9u);
  // It now follows every folder of key 9 inserted before the merge.
  ASSERT_NE(moved->next, nullptr);
  EXPECT_EQ(moved->next->parentId, 10u);
  EXPECT_EQ(FindFolderRecord(50, 0), moved);
  ExpectAllInvariants();
}

// The duplicate search covers the records from the start record on: a stored folder of the same
// id under a much smaller parent, before the start record, is not seen, and both are kept.
// On a large volume a folder's other record may lie far before the skip index's start record for
// the new key: it is found all the same, so the list keeps one record per folder.
TEST_F(ResultLists, DuplicateBeforeTheStartRecordIsMerged) {
  Folder(0, kLostFolderId);
  FolderRecord* early = Folder(1, 500, 'y', 0, u"early");
  for (uint32_t i = 0; i < 20000; ++i) Folder(2 + i / 100, 1000 + i);
  ASSERT_EQ(g_ScanState.FolderSkipCount(), 2u);
  const uint32_t farKey = g_FolderSkipIndex[1]->parentId + 1;
  const uint32_t before = g_ScanState.folderCount.load();

  // The present record replaces the deleted one and moves to its key.
  EXPECT_EQ(Folder(farKey, 500, 'n', 0, u"far"), early);
  EXPECT_EQ(g_ScanState.folderCount.load(), before);
  EXPECT_EQ(early->wideName.View(), u"far");
  EXPECT_EQ(early->deleted, 'n');
  EXPECT_EQ(early->parentId, farKey);

  // A later deleted record of it, under its old parent and before the start record of any key
  // past it, is dropped.
  EXPECT_EQ(Folder(1, 500, 'y', 0, u"stale"), early);
  EXPECT_EQ(Folder(farKey + 5, 500, 'y', 0, u"stale"), early);
  EXPECT_EQ(early->wideName.View(), u"far");
  EXPECT_EQ(g_ScanState.folderCount.load(), before);
  EXPECT_EQ(FindFolderRecord(500, 0), early);
  ExpectAllInvariants();
}

TEST_F(ResultLists, ChildrenWalkFindsEveryChildThroughTheIndex) {
  Folder(0, kLostFolderId, 'n', 0, u"Lost");  // FAT: "Lost" sits at the root
  std::mt19937 rng(3);
  std::vector<uint32_t> expectedPerParent(400, 0);
  expectedPerParent[0] = 1;
  for (uint32_t i = 0; i < 25000; ++i) {
    const uint32_t parent = rng() % 400;
    Folder(parent, 1000 + i);
    ++expectedPerParent[parent];
  }
  for (uint32_t parent : {0u, 1u, 199u, 399u, 400u}) {
    uint32_t seen = 0;
    ForEachChild(g_ScanState.folderList, parent, [&](FolderRecord& f) {
      EXPECT_EQ(f.parentId, parent);
      ++seen;
    });
    EXPECT_EQ(seen, parent < 400 ? expectedPerParent[parent] : 0u) << parent;
  }
  ExpectAllInvariants();
}

TEST_F(ResultLists, NamesAreCopiedWholeAndOnlyOneIsKept) {
  std::u16string longName(70000, u'x');
  FileRecord* f = AddFileRecord({.wideName = longName, .parentId = 5});
  EXPECT_EQ(f->wideName.View().size(), 70000u);
  EXPECT_FALSE(f->ansiName.IsSet());
  FileRecord* g = AddFileRecord({.ansiName = "REPORT.TXT", .wideName = u"ignored", .parentId = 5});
  EXPECT_EQ(g->ansiName.View(), "REPORT.TXT");
  EXPECT_FALSE(g->wideName.IsSet());
  FileRecord* e = AddFileRecord({.parentId = 5});
  EXPECT_TRUE(e->wideName.IsSet());
  EXPECT_EQ(e->wideName.View(), u"");
  RenameFileRecord(*g, u"x", "NEW.TXT");
  EXPECT_EQ(g->ansiName.View(), "NEW.TXT");
  EXPECT_FALSE(g->wideName.IsSet());
  ExpectAllInvariants();
}

// The random comparison with the plain walk: same order, same merges, same drops.
struct FolderOp {
  uint32_t parent, id;
  int16_t partition;
  uint8_t deleted;
};

std::vector<std::tuple<uint32_t, uint32_t, int16_t, uint8_t, uint32_t>> RealFolders() {
  std::vector<std::tuple<uint32_t, uint32_t, int16_t, uint8_t, uint32_t>> v;
  for (auto* r : Records(g_ScanState.folderList.head))
    v.emplace_back(r->parentId, r->id, r->partition, r->deleted, r->locator);
  return v;
}

std::vector<std::tuple<uint32_t, uint32_t, int16_t, uint8_t, uint32_t>> PlainFolders(
    const plain::PlainList& p) {
  std::vector<std::tuple<uint32_t, uint32_t, int16_t, uint8_t, uint32_t>> v;
  for (auto* n : p.Nodes()) v.emplace_back(n->key, n->id, n->partition, n->deleted, n->tag);
  return v;
}

TEST_F(ResultLists, FileInsertionMatchesThePlainWalkOnRandomKeys) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    ResetScanState();
    std::mt19937 rng(seed);
    plain::PlainList ref;
    const uint32_t keyRange = seed == 1 ? 5 : seed == 2 ? 300 : 100000;
    for (uint32_t i = 0; i < 21000; ++i) {
      // The first key is a random one, not the smallest: it must stay first anyway.
      const uint32_t key = rng() % keyRange;
      File(key);
      ref.InsertFile(key, i);
    }
    std::vector<std::pair<uint32_t, uint32_t>> real, expected;
    for (auto* r : Records(g_ScanState.fileList.head)) real.emplace_back(r->parentId, r->sequence);
    for (auto* n : ref.Nodes()) expected.emplace_back(n->key, n->tag);
    ASSERT_EQ(real, expected) << "seed " << seed;
    ExpectAllInvariants();
  }
}

TEST_F(ResultLists, FolderInsertionAndMergeMatchThePlainWalkOnRandomInput) {
  // Seed 11 keeps the list sorted (the fast path throughout); seed 12 adds folders with id 0,
  // which are appended out of order and send insertion back to the walk.
  for (uint32_t seed : {11u, 12u}) {
    ResetScanState();
    std::mt19937 rng(seed);
    plain::PlainList ref;
    const uint32_t total = seed == 11 ? 21000 : 6000;
    for (uint32_t i = 0; i < total; ++i) {
      FolderOp op{static_cast<uint32_t>(rng() % 400), static_cast<uint32_t>(1 + rng() % 6000),
                  static_cast<int16_t>(rng() % 3), static_cast<uint8_t>(rng() % 2 ? 'y' : 'n')};
      if (seed == 12 && rng() % 50 == 0) op.id = 0;
      Folder(op.parent, op.id, op.deleted, op.partition, u"d", i);
      ref.AddFolder(op.parent, op.id, op.partition, op.deleted, i);
      if (i % 7000 == 6999) {
        ASSERT_EQ(RealFolders(), PlainFolders(ref)) << "seed " << seed;
      }
    }
    ASSERT_EQ(RealFolders(), PlainFolders(ref)) << "seed " << seed;
    EXPECT_EQ(g_ScanState.folderCount.load(), ref.count);
    EXPECT_EQ(g_ScanState.folderList.IsOrdered(), seed == 11);
    ExpectAllInvariants(seed == 11);
  }
}

// The lost-folder stage: parents changed in place, then those folders unlinked and inserted
// again one by one, as the NTFS scans do; the order must follow the walk the whole way.
TEST_F(ResultLists, LostFolderResortMatchesThePlainWalk) {
  std::mt19937 rng(21);
  plain::PlainList ref;
  Folder(5, kLostFolderId, 'n', 0, u"Lost", 0);
  ref.AddFolder(5, kLostFolderId, 0, 'n', 0);
  for (uint32_t i = 1; i < 21000; ++i) {
    const uint32_t parent = 5 + rng() % 3000;
    const uint32_t id = 10 + i;
    Folder(parent, id, 'n', 0, u"d", i);
    ref.AddFolder(parent, id, 0, 'n', i);
  }
  // Re-parent a few hundred folders in place.
  auto real = Records(g_ScanState.folderList.head);
  auto nodes = ref.Nodes();
  for (size_t pos = 1; pos < real.size(); pos += 97) {
    SetFolderParentInPlace(*real[pos], kLostFolderId);
    ref.SetKeyInPlace(nodes[pos], kLostFolderId);
  }
  EXPECT_FALSE(g_ScanState.folderList.IsOrdered());
  // Re-sort: each re-parented folder that is not last is unlinked and added again; a step
  // counter bounds the walk, since the moved folders gather at the end.
  FolderRecord* p = g_ScanState.folderList.head;
  plain::Node* q = ref.head;
  for (uint32_t c = 1; p->next && c < g_ScanState.folderCount.load(); ++c) {
    FolderRecord* f = p->next;
    plain::Node* g = q->next;
    ASSERT_EQ(f->locator, g->tag);
    if (f->parentId == kLostFolderId && f->next) {
      const FolderRecord copy = *f;
      UnlinkFolderRecord(*f);
      ref.UnlinkAndCount(g);
      Folder(copy.parentId, copy.id, copy.deleted, copy.partition, u"d", copy.locator);
      ref.AddFolder(g->key, g->id, g->partition, g->deleted, g->tag);
    } else {
      p = p->next;
      q = q->next;
    }
  }
  ASSERT_EQ(RealFolders(), PlainFolders(ref));
  EXPECT_TRUE(g_ScanState.folderList.IsOrdered());
  ExpectAllInvariants();
  // Insertion is back on the fast path and still agrees.
  for (uint32_t i = 0; i < 3000; ++i) {
    const uint32_t parent = 5 + rng() % 3000;
    Folder(parent, 100000 + i, 'n', 0, u"d", 100000 + i);
    ref.AddFolder(parent, 100000 + i, 0, 'n', 100000 + i);
  }
  ASSERT_EQ(RealFolders(), PlainFolders(ref));
  ExpectAllInvariants();
}

TEST_F(ResultLists, AppendingBuildersKeepOrderAndCounts) {
  ScanState& s = g_ScanState;
  AddFoundFileRecord(s.foundFileList, {.wideName = u"a", .recordNumber = 1});
  FoundFileRecord* b = AddFoundFileRecord(s.foundFileList, {.wideName = u"b", .size = 9});
  EXPECT_EQ(b->foundSequence, 1u);
  EXPECT_EQ(s.foundFileList.tail, b);
  EXPECT_EQ(s.foundFileCount.load(), 2u);

  AddFoundDirectoryRecordCounted(s.foundDirList, {.wideName = u"dir", .directoryId = 7});
  RecordList<FoundDirectoryRecord> privateCopy;
  AddFoundDirectoryRecord(privateCopy, {.directoryId = 8});
  EXPECT_EQ(s.foundDirCount.load(), 1u);
  EXPECT_EQ(privateCopy.head->directoryId, 8u);

  RecordList<NtfsBootCandidate> ntfs;
  RecordList<FatBootCandidate> fat;
  AddNtfsBootCandidate(ntfs, {.bootSector = 63, .sectorsPerCluster = 8});
  FatBootCandidate* c = AddFatBootCandidate(fat, {.bootSector = 2048}, u"FAT32");
  EXPECT_EQ(s.candidateCount.load(), 2u);
  EXPECT_EQ(std::u16string_view(c->typeText.data()), u"FAT32");

  RecordList<IndxBlockRecord> indx;
  AddIndxBlockRecord(indx, 100, 5, 0, 0xFFFFFFFF);
  AddIndxBlockRecord(indx, 200, 6, 1, 0xFFFFFFFF);
  EXPECT_EQ(s.indxCount.load(), 2u);
  EXPECT_EQ(indx.head->next->sector, 200u);

  PartitionRecord* pr = AddPartitionRecord(
      s.partitionList, {.clusterSize = 8, .startSector = 1ull << 40}, u"A-name-longer-than-nine");
  EXPECT_EQ(pr->Name(), u"A-name-lo");
  EXPECT_EQ(pr->startSector, 1ull << 40);
  EXPECT_EQ(s.partitionCount.load(), 0u);  // callers count file systems themselves
}

TEST_F(ResultLists, SystemFileNamesGiveTheirRecordNumbers) {
  const std::pair<std::u16string_view, uint32_t> cases[] = {
      {u"$MFT", 1},    {u"$MFTMirr", 1},   {u"$LogFile", 2}, {u"$Volume", 3}, {u"$AttrDef", 4},
      {u"$Bitmap", 6}, {u"$Boot", 7},      {u"$BadClus", 8}, {u"$Secure", 9}, {u"$UpCase", 10},
      {u"$mft", 0},    {u"report.txt", 0}, {u"", 0}};
  for (auto [name, number] : cases) EXPECT_EQ(SystemFileRecordNumber(name), number);
}

TEST_F(ResultLists, ResetFreesEveryListAndZeroesEveryCount) {
  ScanState& s = g_ScanState;
  for (uint32_t i = 0; i < 12000; ++i) File(i % 50);
  Folder(5, kLostFolderId);
  Folder(5, 9);
  AddFoundFileRecord(s.foundFileList, {.wideName = u"a"});
  AddFoundDirectoryRecordCounted(s.foundDirList, {});
  AddPartitionRecord(s.partitionList, {}, u"NTFS");
  s.partitionCount = 1;
  s.indxCount = 3;
  s.totalSize = 99;
  s.chosenFileSystem = 2;
  s.SetLastShownName(u"x");
  s.fileSystem = FileSystemKind::Fat32;
  EXPECT_EQ(FileSystemKindText(s.fileSystem), "FAT32");
  ResetScanState();
  EXPECT_EQ(FileSystemKindText(s.fileSystem), "");
  EXPECT_EQ(s.fileList.head, nullptr);
  EXPECT_EQ(s.fileList.tail, nullptr);
  EXPECT_EQ(s.folderList.head, nullptr);
  EXPECT_EQ(s.foundFileList.head, nullptr);
  EXPECT_EQ(s.foundFileList.tail, nullptr);
  EXPECT_EQ(s.foundDirList.head, nullptr);
  EXPECT_EQ(s.foundDirList.tail, nullptr);
  EXPECT_EQ(s.partitionList.head, nullptr);
  EXPECT_EQ(s.FileSkipCount(), 0u);
  EXPECT_EQ(s.FolderSkipCount(), 0u);
  EXPECT_EQ(g_FileSkipThreshold, 10000u);
  for (auto* c : {&s.fileCount, &s.folderCount, &s.foundFileCount, &s.foundDirCount,
                  &s.candidateCount, &s.partitionCount, &s.indxCount})
    EXPECT_EQ(c->load(), 0u);
  EXPECT_EQ(s.totalSize.load(), 0u);
  EXPECT_EQ(s.chosenFileSystem.load(), 0);
  EXPECT_EQ(s.LastShownName(), u"");
  EXPECT_EQ(s.fileList.ArenaBytesReserved(), 0u);
  // A list built after the reset starts over.
  EXPECT_EQ(File(8)->sequence, 0u);
  ExpectAllInvariants();
}

TEST_F(ResultLists, ClearingTemporaryListsLeavesTheResultLists) {
  ScanState& s = g_ScanState;
  File(5);
  AddFoundFileRecord(s.foundFileList, {.wideName = u"a"});
  s.candidateCount = 4;
  ClearTemporaryLists();
  EXPECT_EQ(s.foundFileList.head, nullptr);
  EXPECT_EQ(s.foundFileCount.load(), 0u);
  EXPECT_EQ(s.candidateCount.load(), 0u);
  EXPECT_EQ(s.fileCount.load(), 1u);
  ExpectAllInvariants();
}

TEST_F(ResultLists, OutOfMemoryShowsTheFixedBoxAndEnds) {
  RecordingPrompts prompts;
  SetUserPrompts(&prompts);
  std::vector<int> exits;
  auto previous = SetExitHook([&](int code) { exits.push_back(code); });
  File(5);
  RecordArena::FailAllocationsForTest(true);
  EXPECT_EQ(File(6), nullptr);
  EXPECT_EQ(Folder(5, 3), nullptr);
  EXPECT_EQ(AddFoundFileRecord(g_ScanState.foundFileList, {}), nullptr);
  RecordArena::FailAllocationsForTest(false);
  SetExitHook(previous);
  SetUserPrompts(nullptr);
  ASSERT_EQ(prompts.fatal.size(), 3u);
  for (auto& [caption, text] : prompts.fatal) {
    EXPECT_EQ(caption, "Software Dovrane Merrowind");
    EXPECT_EQ(text, "Out Of Memory");
  }
  EXPECT_EQ(exits, (std::vector<int>{0, 0, 0}));
  // Nothing half-made was linked or counted.
  EXPECT_EQ(g_ScanState.fileCount.load(), 1u);
  EXPECT_EQ(g_ScanState.folderCount.load(), 0u);
  EXPECT_EQ(g_ScanState.foundFileCount.load(), 0u);
  ExpectAllInvariants();
}

}  // namespace
