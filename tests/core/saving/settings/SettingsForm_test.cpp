#include "saving/settings/SettingsForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saving/ProgramState.h"
#include "saving/extract/FatFileCopy.h"
#include "saving/settings/SettingsAdmission.h"

namespace {

class SettingsFormTest : public testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }
};

std::string Narrow(const std::u16string& s) {
  return std::string(s.begin(), s.end());
}

std::vector<std::string> Listed() {
  std::vector<std::string> out;
  for (const auto& e : g_ExtensionFilter) out.push_back(Narrow(e));
  return out;
}

DateRange Range(int fd, int fm, int fy, int td, int tm, int ty) {
  return {fd, fm, fy, td, tm, ty};
}

bool SameRange(const DateRange& a, const DateRange& b) {
  return a.fromDay == b.fromDay && a.fromMonth == b.fromMonth && a.fromYear == b.fromYear &&
         a.toDay == b.toDay && a.toMonth == b.toMonth && a.toYear == b.toYear;
}

}  // namespace

// Each case starts from a list, types one text, and expects the outcome, its notice and the list
// after it (newest first).
TEST_F(SettingsFormTest, AddingAnExtensionChecksInTheDialogsOrder) {
  struct Case {
    const char* what;
    std::vector<std::u16string> before;
    std::u16string typed;
    ExtensionAdd result;
    const char* message;
    std::vector<std::string> after;
  };
  std::vector<std::u16string> full;
  for (int i = 0; i < 100; ++i)
    full.push_back(u"e" + std::u16string(1, char16_t(u'A' + i % 26)) +
                   std::u16string(1, char16_t(u'a' + i / 26)));
  const std::string tooLong = "Extension should not exceed more than 4 characters.";
  const std::string dot =
      "Do not include \".\" (DOT) in extension. Enter extensions like this : tmp,html,bak etc..";
  const std::string star =
      "Do not include \"*\" in extension. Enter extensions like this : tmp,html,bak etc..";
  const Case cases[] = {
      {"newest on top", {u"docx"}, u"jpg", ExtensionAdd::Added, "", {"jpg", "docx"}},
      {"duplicate test is exact", {u"jpg"}, u"JPG", ExtensionAdd::Added, "", {"JPG", "jpg"}},
      {"same text refused",
       {u"jpg"},
       u"jpg",
       ExtensionAdd::Duplicate,
       "This extension already exist. Enter different extension.",
       {"jpg"}},
      {"six characters fit", {}, u"backup", ExtensionAdd::Added, "", {"backup"}},
      {"seven do not", {}, u"backups", ExtensionAdd::TooLong, tooLong.c_str(), {}},
      {"length before blank", {}, u" abcdefg", ExtensionAdd::TooLong, tooLong.c_str(), {}},
      {"leading blank",
       {},
       u" ab",
       ExtensionAdd::LeadingBlank,
       "Extension should not contain blank space.",
       {}},
      {"blank inside", {}, u"a b", ExtensionAdd::Added, "", {"a b"}},
      {"empty does nothing", {u"jpg"}, u"", ExtensionAdd::Empty, "", {"jpg"}},
      {"dot", {}, u".jpg", ExtensionAdd::HasDot, dot.c_str(), {}},
      {"dot before star", {}, u"*.j", ExtensionAdd::HasDot, dot.c_str(), {}},
      {"star", {}, u"j*g", ExtensionAdd::HasStar, star.c_str(), {}},
      {"longer than the edit holds",
       {},
       std::u16string(60, u'x'),
       ExtensionAdd::TooLong,
       tooLong.c_str(),
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_ExtensionFilter = c.before;
    SettingsForm form;
    form.Open();
    const ExtensionAdd result = form.AddExtension(c.typed);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(std::string(ExtensionAddMessage(result)), c.message);
    EXPECT_EQ(Listed(), c.after);
  }

  // The 101st is refused before the text is looked at, even an empty one.
  for (const std::u16string& typed : {std::u16string(u"new"), std::u16string()}) {
    g_ExtensionFilter = full;
    SettingsForm form;
    form.Open();
    EXPECT_EQ(form.AddExtension(typed), ExtensionAdd::TooMany);
    EXPECT_EQ(ExtensionAddMessage(ExtensionAdd::TooMany), "Cannot add more extensions.");
    EXPECT_EQ(g_ExtensionFilter, full);
  }
}

TEST_F(SettingsFormTest, RemovingEntriesAndTheFilterTheyLeave) {
  SettingsForm form;
  form.Open();
  ASSERT_EQ(form.AddExtension(u"jpg"), ExtensionAdd::Added);
  ASSERT_EQ(form.AddExtension(u"JPG"), ExtensionAdd::Added);
  EXPECT_FALSE(PassesExtensionList(u"notes.txt", g_ExtensionFilter));

  EXPECT_FALSE(form.RemoveExtension(u"Jpg"));  // exact text only
  EXPECT_TRUE(form.RemoveExtension(u"JPG"));
  EXPECT_EQ(Listed(), std::vector<std::string>{"jpg"});
  EXPECT_TRUE(form.RemoveExtension(u"jpg"));
  EXPECT_TRUE(g_ExtensionFilter.empty());
  // With the only entry gone every extension passes again.
  EXPECT_TRUE(PassesExtensionList(u"notes.txt", g_ExtensionFilter));
  EXPECT_FALSE(form.RemoveExtension(u"jpg"));
}

TEST_F(SettingsFormTest, ComboListsAndKinds) {
  const auto days = ComboTexts(DateField::FromDay);
  ASSERT_EQ(days.size(), 31u);
  EXPECT_EQ(days.front(), "01");
  EXPECT_EQ(days.back(), "31");
  const auto months = ComboTexts(DateField::ToMonth);
  ASSERT_EQ(months.size(), 12u);
  EXPECT_EQ(months.back(), "12");
  const auto years = ComboTexts(DateField::ToYear);
  ASSERT_EQ(years.size(), 61u);
  EXPECT_EQ(years.front(), "1970");
  EXPECT_EQ(years.back(), "2030");
  // The kind combo lists created before accessed; the settings hold them the other way round.
  EXPECT_EQ(DateKindText(0), "Modified Date");
  EXPECT_EQ(DateKindText(1), "Created Date");
  EXPECT_EQ(DateKindText(2), "Accessed Date");
  EXPECT_EQ(DateKindAt(1), DateKind::Created);
  EXPECT_EQ(DateKindAt(2), DateKind::Accessed);
}

// Each case selects a kind, sets the six positions, and expects the range of that kind.
TEST_F(SettingsFormTest, DateCombosSetTheSelectedKindsRange) {
  struct Case {
    const char* what;
    int kindIndex;
    DatePositions positions;
    bool accepted;
    DateRange range;
  };
  const Case cases[] = {
      {"created June 2021", 1, {0, 5, 51, 29, 5, 51}, true, Range(1, 6, 2021, 30, 6, 2021)},
      {"accessed, first entries", 2, {0, 0, 0, 0, 0, 0}, true, Range(1, 1, 1970, 1, 1, 1970)},
      {"whole span is off", 0, kWholeSpanPositions, true, Range(0, 0, 0, 0, 0, 0)},
      {"reversed range is kept", 0, {30, 11, 60, 0, 0, 0}, true, Range(31, 12, 2030, 1, 1, 1970)},
      {"day past the list", 0, {31, 0, 0, 30, 11, 60}, false, Range(0, 0, 0, 0, 0, 0)},
      {"no selection", 0, {0, -1, 0, 30, 11, 60}, false, Range(0, 0, 0, 0, 0, 0)},
      {"year past 2030", 1, {0, 0, 61, 30, 11, 60}, false, Range(0, 0, 0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetProgramState();
    SettingsForm form;
    form.Open();
    form.SelectKind(c.kindIndex);
    EXPECT_EQ(form.SetPositions(c.positions), c.accepted);
    const size_t slot = static_cast<size_t>(DateKindAt(c.kindIndex));
    EXPECT_TRUE(SameRange(g_DateFilters[slot], c.range));
    for (size_t other = 0; other < kDateKindCount; ++other) {
      if (other == slot) continue;
      EXPECT_TRUE(SameRange(g_DateFilters[other], DateRange{})) << other;
    }
    EXPECT_EQ(form.Positions(), c.accepted ? c.positions : kWholeSpanPositions);
  }
}

TEST_F(SettingsFormTest, SettingTheWholeSpanAgainTurnsARangeOff) {
  SettingsForm form;
  form.Open();
  ASSERT_TRUE(form.SetPositions({0, 0, 40, 30, 11, 60}));
  EXPECT_TRUE(RangeIsActive(g_DateFilters[0]));
  ASSERT_TRUE(form.SetPositions(kWholeSpanPositions));
  EXPECT_TRUE(SameRange(g_DateFilters[0], DateRange{}));
  EXPECT_FALSE(RangeIsActive(g_DateFilters[0]));
}

// Opening shows every kind's range as it is in force, a kind without one as the whole span; a
// to-date on the 1st, in January or in 1970 is shown as it is and stays in force on reopening.
TEST_F(SettingsFormTest, OpeningShowsTheRangesInForce) {
  {
    SettingsForm form;
    form.Open();
    for (int k = 0; k < 3; ++k) {
      form.SelectKind(k);
      EXPECT_EQ(form.Positions(), kWholeSpanPositions) << k;
    }
    form.SelectKind(0);
    ASSERT_TRUE(form.SetPositions({14, 2, 40, 0, 6, 41}));  // 15/03/2010 - 01/07/2011
    form.Apply();
  }
  const DateRange kept = g_DateFilters[0];
  EXPECT_TRUE(SameRange(kept, Range(15, 3, 2010, 1, 7, 2011)));
  SettingsForm again;
  again.Open();
  EXPECT_EQ(again.SelectedKind(), 0);
  EXPECT_EQ(again.Positions(), (DatePositions{14, 2, 40, 0, 6, 41}));
  again.Apply();
  EXPECT_TRUE(SameRange(g_DateFilters[0], kept));
}

TEST_F(SettingsFormTest, CancelRestoresEverySettingAndApplyKeepsThem) {
  // Settings as an earlier dialog left them.
  g_ExtensionFilter = {u"doc"};
  g_DeletedFilter = 1;
  g_DateFilters[static_cast<size_t>(DateKind::Accessed)] = Range(1, 1, 2000, 31, 12, 2000);
  {
    SettingsForm form;
    form.Open();
    const auto positionsAtOpen = g_DateComboIndices;
    ASSERT_TRUE(form.SetDeletedFilter(2));
    EXPECT_FALSE(form.SetDeletedFilter(3));
    EXPECT_EQ(form.DeletedFilter(), 2);
    ASSERT_EQ(form.AddExtension(u"jpg"), ExtensionAdd::Added);
    ASSERT_TRUE(form.RemoveExtension(u"doc"));
    form.SelectKind(1);
    ASSERT_TRUE(form.SetPositions({0, 5, 51, 29, 5, 51}));
    form.SelectKind(2);
    ASSERT_TRUE(form.SetPositions(kWholeSpanPositions));
    // Settings no control shows are restored too.
    g_SelectionMode = 1;
    g_FatCopySelector = 2;
    form.Cancel();
    EXPECT_EQ(g_DeletedFilter.load(), 1);
    EXPECT_EQ(Listed(), std::vector<std::string>{"doc"});
    EXPECT_EQ(g_SelectionMode.load(), 0);
    EXPECT_EQ(g_FatCopySelector.load(), 0);
    EXPECT_TRUE(SameRange(g_DateFilters[static_cast<size_t>(DateKind::Created)], DateRange{}));
    EXPECT_TRUE(SameRange(g_DateFilters[static_cast<size_t>(DateKind::Accessed)],
                          Range(1, 1, 2000, 31, 12, 2000)));
    EXPECT_EQ(g_DateComboIndices, positionsAtOpen);
  }
  SettingsForm reopened;
  reopened.Open();
  reopened.SelectKind(1);
  EXPECT_EQ(reopened.Positions(), kWholeSpanPositions);
  reopened.SelectKind(2);
  EXPECT_EQ(reopened.Positions(), (DatePositions{0, 0, 30, 30, 11, 30}));

  ASSERT_TRUE(reopened.SetDeletedFilter(0));
  ASSERT_EQ(reopened.AddExtension(u"png"), ExtensionAdd::Added);
  reopened.Apply();
  EXPECT_EQ(g_DeletedFilter.load(), 0);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"png", "doc"}));
}
