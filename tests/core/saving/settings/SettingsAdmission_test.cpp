#include "saving/settings/SettingsAdmission.h"

#include <gtest/gtest.h>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "saving/ProgramState.h"

namespace {

constexpr uint32_t DosDate(int year, int month, int day) {
  return static_cast<uint32_t>((year - 1980) << 9 | month << 5 | day);
}

// An NTFS file time of midday UTC on that date (days counted from 1601-01-01).
uint64_t FileTimeOn(int year, int month, int day) {
  // Days from the civil date (proleptic Gregorian), then from 1601.
  const int y = month <= 2 ? year - 1 : year;
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days1970 = int64_t{era} * 146097 + doe - 719468;
  const int64_t seconds = (days1970 + 134774) * 86400 + 12 * 3600;
  return static_cast<uint64_t>(seconds) * 10000000ULL;
}

DateRange Range(int fd, int fm, int fy, int td, int tm, int ty) {
  return {fd, fm, fy, td, tm, ty};
}

}  // namespace

TEST(SettingsAdmission, DeletedFilterAndExtensionList) {
  struct Case {
    bool deleted;
    int32_t filter;
    bool admitted;
  };
  const Case deletedCases[] = {{true, 0, true},  {false, 0, true},  {true, 1, false},
                               {false, 1, true}, {true, 2, true},   {false, 2, false}};
  for (const Case& c : deletedCases)
    EXPECT_EQ(PassesDeletedFilter(c.deleted, c.filter), c.admitted)
        << c.deleted << " filter " << c.filter;

  const std::vector<std::u16string> list = {u"jpg", u"PNG", u"somethi"};
  struct Name {
    const char16_t* name;
    bool admitted;
  };
  const Name names[] = {
      {u"Photo.JPG", true},       {u"a.png", true},   {u"notes.txt", false},
      {u"jpg", true},             // no dot: the whole name is the extension
      {u"x.something", true},     // cut to seven characters
      {u"x.somethi", true},       {u"x.someth", false},
      {u"archive.tar.jpg", true}, {u"photo.jpg.txt", false}, {u"trailing.", false},
  };
  for (const Name& n : names) EXPECT_EQ(PassesExtensionList(n.name, list), n.admitted);
  EXPECT_TRUE(PassesExtensionList(u"anything.at.all", {}));
}

TEST(SettingsAdmission, DateRangesCompareThirtyDayMonthKeys) {
  struct Case {
    RecordDate date;
    DateRange range;
    bool inside;
  };
  const Case cases[] = {
      {{2020, 3, 15}, Range(1, 3, 2020, 31, 3, 2020), true},
      // 31 March and 1 April share a key, so a range to 31 March takes 1 April too.
      {{2020, 4, 1}, Range(1, 3, 2020, 31, 3, 2020), true},
      {{2020, 4, 2}, Range(1, 3, 2020, 31, 3, 2020), false},
      // 31 January has the key of 1 February.
      {{2020, 1, 31}, Range(1, 2, 2020, 28, 2, 2020), true},
      {{2020, 1, 30}, Range(1, 2, 2020, 28, 2, 2020), false},
      {{2019, 12, 31}, Range(1, 1, 2020, 31, 12, 2021), false},
      // Off: no to-year, or a to-year below the from-year.
      {{1999, 1, 1}, Range(1, 1, 2020, 1, 1, 0), true},
      {{1999, 1, 1}, Range(1, 1, 2020, 1, 1, 2019), true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DateInRange(c.date, c.range), c.inside)
        << c.date.year << "-" << c.date.month << "-" << c.date.day;

  const RecordDate fat = DateOf({DosDate(2021, 6, 15), 0}, FileSystemKind::Fat32);
  EXPECT_EQ(fat.year, 2021);
  EXPECT_EQ(fat.month, 6);
  EXPECT_EQ(fat.day, 15);
  const uint64_t ft = FileTimeOn(2020, 3, 15);
  const RecordDate ntfs =
      DateOf({static_cast<uint32_t>(ft), static_cast<uint32_t>(ft >> 32)}, FileSystemKind::Ntfs);
  EXPECT_EQ(ntfs.year, 2020);
  EXPECT_EQ(ntfs.month, 3);
  EXPECT_EQ(ntfs.day, 15);
}

// The whole rule on records, as the copy and the size evaluation apply it.
TEST(SettingsAdmission, RecordsPassEveryRuleInTurn) {
  ResetProgramState();
  const uint64_t march = FileTimeOn(2020, 3, 15), may = FileTimeOn(2020, 5, 1);
  auto halves = [](uint64_t t) { return TimeHalves{static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32)}; };
  const FileRecord* inMarch =
      AddFileRecord({.wideName = u"a.jpg", .deleted = 'y', .parentId = 5, .id = 40,
                     .modified = halves(march), .created = halves(may), .accessed = halves(may)});
  const FileRecord* inMay = AddFileRecord({.wideName = u"b.jpg", .parentId = 5, .id = 41,
                                           .modified = halves(may), .created = halves(may),
                                           .accessed = halves(may)});
  EXPECT_TRUE(AdmittedBySettings(*inMarch, FileSystemKind::Ntfs));
  EXPECT_FALSE(AdmittedBySettings(*inMarch, FileSystemKind::Unknown));

  g_DateFilters[static_cast<size_t>(DateKind::Modified)] = Range(1, 3, 2020, 31, 3, 2020);
  EXPECT_TRUE(AdmittedBySettings(*inMarch, FileSystemKind::Ntfs));
  EXPECT_FALSE(AdmittedBySettings(*inMay, FileSystemKind::Ntfs));
  // The created range is tested against the created time, not another one.
  g_DateFilters[static_cast<size_t>(DateKind::Created)] = Range(1, 4, 2020, 30, 4, 2020);
  EXPECT_FALSE(AdmittedBySettings(*inMarch, FileSystemKind::Ntfs));
  g_DateFilters = {};

  g_DeletedFilter = 1;
  EXPECT_FALSE(AdmittedBySettings(*inMarch, FileSystemKind::Ntfs));
  EXPECT_TRUE(AdmittedBySettings(*inMay, FileSystemKind::Ntfs));
  g_DeletedFilter = 0;
  g_ExtensionFilter = {u"png"};
  EXPECT_FALSE(AdmittedBySettings(*inMay, FileSystemKind::Ntfs));
  ResetProgramState();
}
