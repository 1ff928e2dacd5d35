// The results list's rows: column texts in the NTFS and FAT forms, the order of every column in
// both directions, the rows of a folder (subfolders by name, then files in list order), and the
// root's check that marks every record.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "results/ResultRows.h"
#include "results/RowSelection.h"
#include "saving/ProgramState.h"

namespace {

// FILETIME of a UTC date and time.
TimeHalves FileTimeOf(int64_t unixSeconds) {
  const uint64_t ft = (static_cast<uint64_t>(unixSeconds) + 11644473600ull) * 10000000ull;
  return {static_cast<uint32_t>(ft), static_cast<uint32_t>(ft >> 32)};
}

TimeHalves Dos(int year, int month, int day, int hour, int minute) {
  return {static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day),
          static_cast<uint32_t>((hour << 11) | (minute << 5))};
}

TEST(ResultRowTexts, DatesInBothForms) {
  struct Case {
    TimeHalves time;
    std::string ntfs, fatDateTime, fatDate;
  };
  const Case cases[] = {
      // 2021-03-07 09:05:03 UTC
      {FileTimeOf(1615107903), "07-Mar-2021 09:05:03", "", ""},
      {{0, 0}, "01-Jan-1601 00:00:00", "00-Err-1980 00:00", "00-Err-1980"},
      // 2000-02-29 23:59:59 UTC (a leap day)
      {FileTimeOf(951868799), "29-Feb-2000 23:59:59", "", ""},
      {Dos(2107, 12, 31, 23, 58), "", "31-Dec-2107 23:58", "31-Dec-2107"},
      {Dos(2021, 6, 15, 0, 1), "", "15-Jun-2021 00:01", "15-Jun-2021"},
      {{(41u << 9) | (13u << 5) | 1u, 0}, "", "01-Err-2021 00:00", "01-Err-2021"},
  };
  for (const Case& c : cases) {
    if (!c.ntfs.empty()) {
      EXPECT_EQ(NtfsTimeText(c.time), c.ntfs);
    }
    if (!c.fatDateTime.empty()) {
      EXPECT_EQ(FatDateTimeText(c.time), c.fatDateTime);
    }
    if (!c.fatDate.empty()) {
      EXPECT_EQ(FatDateText(c.time), c.fatDate);
    }
  }
}

class ResultRowsTest : public testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }

  FolderRecord* Folder(std::u16string_view name, uint32_t id, uint32_t parent, bool deleted,
                       int16_t partition = 0) {
    NewFolder f;
    f.wideName = name;
    f.id = id;
    f.parentId = parent;
    f.deleted = deleted ? 'y' : 'n';
    f.partition = partition;
    return AddFolderRecord(f);
  }
  FileRecord* File(std::u16string_view name, uint32_t parent, uint64_t size, bool deleted,
                   TimeHalves modified = {}) {
    NewFile f;
    f.wideName = name;
    f.parentId = parent;
    f.size = size;
    f.deleted = deleted ? 'y' : 'n';
    f.modified = modified;
    return AddFileRecord(f);
  }
};

std::vector<std::string> Names(const std::vector<ResultRow>& rows) {
  std::vector<std::string> out;
  for (const ResultRow& r : rows) out.push_back(RowName(r));
  return out;
}

TEST_F(ResultRowsTest, FolderRowsAreSubfoldersByNameThenFilesInListOrder) {
  Folder(u"B", 20, 5, false);
  Folder(u"a", 21, 5, true);
  Folder(u"C", 22, 5, false);
  Folder(u"other partition", 23, 5, false, 2);
  Folder(u"elsewhere", 24, 20, false);
  File(u"z.txt", 5, 10, false);
  File(u"m.txt", 5, 20, true);
  File(u"inner.txt", 20, 30, false);
  std::atomic<bool> cancel{false};
  auto rows = CollectFolderRows(5, 0, FileSystemKind::Ntfs, false, cancel);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"a", "B", "C", "z.txt", "m.txt"}));
  rows = CollectFolderRows(5, 0, FileSystemKind::Ntfs, true, cancel);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"C", "B", "a", "z.txt", "m.txt"}));
  EXPECT_EQ(ColumnText(rows[2], ListColumn::Type, FileSystemKind::Ntfs), "Deleted Folder");
  EXPECT_EQ(ColumnText(rows[4], ListColumn::Type, FileSystemKind::Ntfs), "Deleted File");
  EXPECT_EQ(ColumnText(rows[0], ListColumn::Size, FileSystemKind::Ntfs), "0");
  EXPECT_EQ(ColumnText(rows[4], ListColumn::Size, FileSystemKind::Ntfs), "20");
  cancel = true;
  EXPECT_TRUE(CollectFolderRows(5, 0, FileSystemKind::Ntfs, false, cancel).empty());
}

TEST_F(ResultRowsTest, EachColumnSortsBothWays) {
  Folder(u"Dir", 20, 5, false);
  Folder(u"Gone dir", 21, 5, true);
  File(u"b.txt", 5, 300, false, Dos(2020, 1, 2, 3, 4));
  File(u"A.txt", 5, 100, true, Dos(2019, 1, 2, 3, 4));
  File(u"c.txt", 5, 200, false, Dos(2021, 1, 2, 3, 4));
  std::atomic<bool> cancel{false};
  const auto base = CollectFolderRows(5, 0, FileSystemKind::Fat16, false, cancel);
  struct Case {
    ListColumn column;
    bool descending;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {ListColumn::Name, false, {"A.txt", "b.txt", "c.txt", "Dir", "Gone dir"}},
      {ListColumn::Name, true, {"Gone dir", "Dir", "c.txt", "b.txt", "A.txt"}},
      // Folder, File, Deleted Folder, Deleted File; equal keys keep their order.
      {ListColumn::Type, false, {"Dir", "b.txt", "c.txt", "Gone dir", "A.txt"}},
      {ListColumn::Type, true, {"A.txt", "Gone dir", "b.txt", "c.txt", "Dir"}},
      {ListColumn::Size, false, {"Dir", "Gone dir", "A.txt", "c.txt", "b.txt"}},
      {ListColumn::Size, true, {"b.txt", "c.txt", "A.txt", "Dir", "Gone dir"}},
      {ListColumn::Modified, false, {"Dir", "Gone dir", "A.txt", "b.txt", "c.txt"}},
      {ListColumn::Modified, true, {"c.txt", "b.txt", "A.txt", "Dir", "Gone dir"}},
      {ListColumn::Id, false, {"Dir", "Gone dir", "b.txt", "A.txt", "c.txt"}},
  };
  for (const Case& c : cases) {
    auto rows = base;
    SortRows(rows, c.column, c.descending, FileSystemKind::Fat16);
    EXPECT_EQ(Names(rows), c.order) << "column " << static_cast<int>(c.column)
                                    << (c.descending ? " descending" : " ascending");
  }
}

TEST_F(ResultRowsTest, RootCheckMarksTheChosenFileSystemsFoldersAndEveryFileUntilCancelled) {
  FolderRecord* chosen = Folder(u"a", 20, 5, false);
  FolderRecord* other = Folder(u"b", 21, 5, false, 2);
  FileRecord* inChosen = File(u"x", 20, 1, false);
  FileRecord* inOther = File(u"y", 21, 1, false);
  std::atomic<bool> cancel{true};
  MarkEverything(0, true, cancel);
  EXPECT_EQ(chosen->selected, 'n');
  EXPECT_EQ(inChosen->selected, 'n');
  cancel = false;
  MarkEverything(0, true, cancel);
  EXPECT_EQ(chosen->selected, 'y');
  EXPECT_EQ(other->selected, 'n');
  EXPECT_EQ(inChosen->selected, 'y');
  EXPECT_EQ(inOther->selected, 'y');
  MarkEverything(0, false, cancel);
  EXPECT_EQ(chosen->selected, 'n');
  EXPECT_EQ(inOther->selected, 'n');
}

}  // namespace
