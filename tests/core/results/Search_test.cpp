// The search's tests on one record (name pattern, date range, size range) and its walk over the
// result lists: which records are listed, with which tree item, and a cancel that ends the walk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "results/SearchWalk.h"
#include "saving/ProgramState.h"

namespace {

bool Match(std::u16string_view name, std::u16string_view pattern) {
  return MatchName(UpperSearchText(name), UpperSearchText(pattern));
}

TEST(SearchMatchName, PatternTable) {
  struct Case {
    std::u16string_view pattern, name;
    bool match;
  };
  const Case cases[] = {
      // Empty name or pattern matches nothing.
      {u"", u"a", false},
      {u"a", u"", false},
      {u"*", u"", false},
      // Plain text: anywhere in the name, any case.
      {u"DOC", u"report.doc", true},
      {u"DOC", u"docs.txt", true},
      {u"doc", u"DOCS.TXT", true},
      {u"docx", u"doc", false},
      {u"überr", u"Überraschung.txt", true},
      // "*" and "*.*".
      {u"*", u"anything", true},
      {u"*.*", u"a.b", true},
      {u"*.*", u"nodot", false},
      // A '*' at the start: the rest is compared with the end.
      {u"*.DOC", u"report.doc", true},
      {u"*.DOC", u".doc", true},
      {u"*.DOC", u"report.docx", false},
      {u"*B", u"ab", true},
      {u"*B", u"xxb", true},
      {u"*B", u"bx", false},
      {u"*b", u"b", false},  // a '*' takes at least one character
      // A '*' at the end: the start is compared; a run of '*' is one.
      {u"A*", u"apple", true},
      {u"A*", u"a", true},
      {u"A*", u"banana", false},
      {u"A***", u"abc", true},
      // '?' stands for one character, at either end or inside.
      {u"A?C", u"abcd", true},
      {u"A?C", u"axc", true},
      {u"A?C", u"ab", false},
      {u"?", u"x", true},
      {u"?", u"every name", true},
      {u"?B", u"ab", true},
      {u"?B", u"aa", false},
      {u"*A?", u"xab", true},
      {u"*A?", u"xb", false},
      // A '*' between two parts.
      {u"Q*.TXT", u"Quarterly report.txt", true},
      {u"Q*.TXT", u"Quarterly report.bin", false},
      {u"R*T.*", u"report.txt", true},
      {u"*?*?", u"ab", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Match(c.name, c.pattern), c.match)
        << std::string(c.pattern.begin(), c.pattern.end()) << " on "
        << std::string(c.name.begin(), c.name.end());
  }
}

// Patterns of many '*' and '?' against long names run in one pass and read nothing outside
// either string (the sanitizer build sees any such read).
TEST(SearchMatchName, ManyWildcardsStayInsideAndFinish) {
  const std::u16string name(4000, u'A');
  std::u16string pattern;
  for (int i = 0; i < 2000; ++i) pattern += u"*A";
  pattern += u"B";
  EXPECT_FALSE(MatchName(name, pattern));
  EXPECT_TRUE(MatchName(name + u"B", pattern));
  for (const std::u16string_view p : {u"*?*?*?*?X", u"??????????????????*", u"*A*A*A*A*A*A*A*A*A*C",
                                      u"?*", u"*?", u"**", u"A?*?*?"}) {
    for (const std::u16string_view n : {u"A", u"AB", u"ABC", u"X", u"AAAAAAAAAAAAAAAAAAAAAAAAC"})
      MatchName(n, p);  // any answer, read in bounds
  }
}

TimeHalves FileTimeOf(int year, int month, int day) {
  // Days since 1601-01-01 of a civil date (proleptic Gregorian).
  const auto daysFromCivil = [](int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
  };
  const int64_t unixDays = daysFromCivil(year, month, day);
  const uint64_t ft =
      static_cast<uint64_t>((unixDays * 86400 + 12 * 3600) + 11644473600LL) * 10000000ull;
  return {static_cast<uint32_t>(ft), static_cast<uint32_t>(ft >> 32)};
}

TimeHalves DosDate(int year, int month, int day) {
  return {static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day), 0x6000};
}

DateRange Range(int d1, int m1, int y1, int d2, int m2, int y2) {
  return {d1, m1, y1, d2, m2, y2};
}

TEST(SearchDateInRange, NtfsAndFatDatesAtTheEdges) {
  struct Case {
    int year, month, day;
    DateRange range;
    bool in;
  };
  const Case cases[] = {
      {2021, 6, 15, Range(1, 6, 2021, 30, 6, 2021), true},
      {2021, 6, 15, Range(1, 7, 2021, 31, 12, 2021), false},
      {2021, 6, 1, Range(1, 6, 2021, 30, 6, 2021), true},    // first day of the range
      {2021, 6, 30, Range(1, 6, 2021, 30, 6, 2021), true},   // last day
      {2021, 5, 30, Range(1, 6, 2021, 30, 6, 2021), false},  // the day before
      // Months count 30 days in the key, so the 31st keys as the next month's 1st.
      {2021, 5, 31, Range(1, 6, 2021, 30, 6, 2021), true},
      {2021, 7, 1, Range(1, 6, 2021, 30, 6, 2021), false},   // the day after
      {2021, 7, 1, Range(1, 1, 1970, 31, 12, 2030), true},   // the defaults
      {2021, 7, 1, Range(1, 1, 2022, 31, 12, 2021), false},  // to-year before from-year
      {2020, 12, 31, Range(1, 1, 2021, 31, 12, 2021), false},
      {2031, 1, 1, Range(1, 1, 1970, 31, 12, 2030), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateInRange(FileTimeOf(c.year, c.month, c.day), FileSystemKind::Ntfs, c.range), c.in)
        << "NTFS " << c.year << "-" << c.month << "-" << c.day;
    for (const FileSystemKind fat :
         {FileSystemKind::Fat12, FileSystemKind::Fat16, FileSystemKind::Fat32})
      EXPECT_EQ(DateInRange(DosDate(c.year, c.month, c.day), fat, c.range), c.in)
          << "FAT " << c.year << "-" << c.month << "-" << c.day;
  }
  // Any other file system passes whatever the range.
  EXPECT_TRUE(DateInRange({}, FileSystemKind::None, Range(1, 1, 2022, 31, 12, 2021)));
}

TEST(SearchSizeRange, BoundsAndUnits) {
  EXPECT_EQ(SizeBound(2, SizeUnit::GB), 2ull << 30);
  EXPECT_EQ(SizeBound(4000, SizeUnit::GB), 4000ull << 30);  // 64-bit, no wrap
  EXPECT_EQ(SizeBound(3, SizeUnit::MB), 3ull << 20);
  EXPECT_EQ(SizeBound(5, SizeUnit::KB), 5120u);
  EXPECT_EQ(SizeBound(7, SizeUnit::Bytes), 7u);
  struct Case {
    uint64_t size, from, to;
    bool in;
  };
  const Case cases[] = {
      {0, 0, 2ull << 30, true},           // 0 to 2 GB: from 0 bytes ...
      {2ull << 30, 0, 2ull << 30, true},  // ... up to 2 GiB
      {(2ull << 30) + 1, 0, 2ull << 30, false},
      {5, 5, 5, false},  // equal bounds take nothing
      {5, 6, 4, false},
      {123456789, 9, 0, true},  // to 0: no size test
  };
  for (const Case& c : cases) EXPECT_EQ(SizeInRange(c.size, c.from, c.to), c.in) << c.size;
}

class SearchWalkTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    // Root 5 > Docs 30 (tree item 2) > Deep 31 (item 3); Gone 32 deleted (item 4); Away 33 of
    // another file system; Hidden 34 without a tree item.
    Folder(u"Docs", 30, 5, 'n', 2);
    Folder(u"Deep", 31, 30, 'n', 3);
    Folder(u"Gone", 32, 5, 'y', 4);
    Folder(u"Away", 33, 5, 'n', 9, 2);
    Folder(u"Hidden", 34, 5, 'n', 0);
    File(u"top.doc", 5, 10, 'n');  // in the root: never listed
    File(u"report.doc", 30, 5000, 'n');
    File(u"old.doc", 32, 300, 'y');
    File(u"deep.txt", 31, 3000, 'n', FileTimeOf(2020, 7, 15));
    File(u"stray.doc", 77, 40, 'n');  // folder unknown
    File(u"hidden.doc", 34, 50, 'n');
  }
  void TearDown() override { ResetProgramState(); }

  void Folder(std::u16string_view name, uint32_t id, uint32_t parent, uint8_t deleted,
              uintptr_t item, int16_t partition = 0) {
    NewFolder f;
    f.wideName = name;
    f.id = id;
    f.parentId = parent;
    f.deleted = deleted;
    f.partition = partition;
    f.created = f.modified = f.accessed = FileTimeOf(2018, 1, 2);
    AddFolderRecord(f)->treeItem = item;
  }
  void File(std::u16string_view name, uint32_t parent, uint64_t size, uint8_t deleted,
            TimeHalves time = FileTimeOf(2021, 3, 4)) {
    NewFile f;
    f.wideName = name;
    f.parentId = parent;
    f.size = size;
    f.deleted = deleted;
    f.created = f.modified = f.accessed = time;
    AddFileRecord(f);
  }

  std::vector<std::string> Search(const SearchCriteria& c) {
    ScanControl control;
    std::vector<std::string> found;
    EXPECT_TRUE(SearchRecords(c, kScope, control, [&](const SearchMatch& m) {
      std::u16string name(m.folder ? m.folder->wideName.View() : m.file->wideName.View());
      found.push_back(std::string(name.begin(), name.end()) + "@" + std::to_string(m.treeItem));
    }));
    return found;
  }

  static SearchCriteria Pattern(std::u16string_view p) {
    SearchCriteria c;
    c.pattern = UpperSearchText(p);
    return c;
  }

  static constexpr SearchScope kScope{.chosenFs = 0, .fs = FileSystemKind::Ntfs, .rootItem = 1};
};

using Names = std::vector<std::string>;

TEST_F(SearchWalkTest, ListsFoldersThenFilesShownBelowTheRoot) {
  EXPECT_EQ(Search(Pattern(u"*")),
            (Names{"Docs@2", "Gone@4", "Deep@3", "report.doc@2", "deep.txt@3", "old.doc@4"}));
  EXPECT_EQ(Search(Pattern(u"*.DOC")), (Names{"report.doc@2", "old.doc@4"}));
  EXPECT_EQ(Search(Pattern(u"nothing")), Names{});
}

TEST_F(SearchWalkTest, DeletedStateDateAndSize) {
  SearchCriteria c = Pattern(u"*");
  c.deleted = DeletedFilter::DeletedOnly;
  EXPECT_EQ(Search(c), (Names{"Gone@4", "old.doc@4"}));
  c.deleted = DeletedFilter::Exclude;
  EXPECT_EQ(Search(c), (Names{"Docs@2", "Deep@3", "report.doc@2", "deep.txt@3"}));

  c = Pattern(u"*");
  c.dateOn = true;
  c.dateKind = SearchDateKind::Modified;
  c.dates = Range(1, 7, 2020, 31, 7, 2020);
  EXPECT_EQ(Search(c), (Names{"deep.txt@3"}));
  c.dates = Range(2, 1, 2018, 2, 1, 2018);
  EXPECT_EQ(Search(c), (Names{"Docs@2", "Gone@4", "Deep@3"}));

  // With the size box no folder is listed.
  c = Pattern(u"*");
  c.sizeOn = true;
  c.sizeFrom = SizeBound(1, SizeUnit::KB);
  c.sizeTo = SizeBound(4, SizeUnit::KB);
  EXPECT_EQ(Search(c), (Names{"deep.txt@3"}));
  c.sizeFrom = c.sizeTo = 5;
  EXPECT_EQ(Search(c), Names{});
}

TEST_F(SearchWalkTest, FileFolderItemAndCancel) {
  auto fileNamed = [](std::u16string_view name) {
    for (FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
      if (f->wideName.View() == name) return f;
    return static_cast<FileRecord*>(nullptr);
  };
  EXPECT_EQ(FileFolderItem(*fileNamed(u"top.doc"), kScope), 1u);
  EXPECT_EQ(FileFolderItem(*fileNamed(u"deep.txt"), kScope), 3u);
  EXPECT_EQ(FileFolderItem(*fileNamed(u"stray.doc"), kScope), 0u);

  ScanControl control;
  control.Cancel();
  int found = 0;
  EXPECT_FALSE(SearchRecords(Pattern(u"*"), kScope, control, [&](const SearchMatch&) { ++found; }));
  EXPECT_EQ(found, 0);
}

}  // namespace
