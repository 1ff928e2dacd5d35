// The search dialog over a real deleted-data scan of the NTFS fixture, opened from the results
// page's Search button: searches by pattern, by deleted state and by size list what the fixture
// holds below the root; checking a match checks it on the results page; Save hands over only what
// is checked; a stop asked and answered No lets the search go on.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "PageTestFixture.h"
#include "ResultsPageSteps.h"
#include "engine/records/ScanState.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/results/wx/AdvanceSearchFile.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "platform/FakeShellLauncher.h"
#include "storage/VolumeGeometry.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"

namespace {

namespace fs = std::filesystem;
using guitest::Script;
using Page = ViewDataInControls;
using Dialog = AdvanceSearchFile;

class SearchDialogTest : public guitest::NtfsVolumePageTest {
 protected:
  static Page* RunningPage() { return guitest::RunningResultsPage(); }
  static Dialog* Shown() { return guitest::FindShownDialog<Dialog>(); }

  // Opens the search from the page's Search tool button once the page has settled.
  static Script::Step OpenSearch(std::function<void(Page&)> before = {}) {
    return guitest::WhenResultsSettled([before](Page& p) {
      if (before) before(p);
      p.CallAfter([&p] { guitest::ClickButton(p, Page::kIdSearch); });
    });
  }
  // Sets the criteria and presses Start; the step after it waits for the search to end.
  static Script::Step Search(std::function<void(Dialog&)> criteria) {
    auto started = std::make_shared<int>(0);
    return [criteria, started] {
      Dialog* d = Shown();
      if (!d) return false;
      if (*started == 0) {
        if (++*started < 0) return false;
        criteria(*d);
        d->m_StartButton->Click();
        *started = 1;
        return false;
      }
      if (d->Searching()) return false;
      *started = 0;
      return true;
    };
  }
  static Script::Step WhenIdle(std::function<void(Dialog&)> what) {
    return [what] {
      Dialog* d = Shown();
      if (!d || d->Searching() || d->SelectingAll()) return false;
      what(*d);
      return true;
    };
  }
  static Script::Step Screenshot(const std::string& name) { return guitest::ScreenshotStep(name); }
  void RunScanToResults(Script& script) {
    RecoveryAnalysis analysis;
    analysis.DoModal();
    EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  }
};

std::multiset<std::string> Names(const Dialog& d) {
  std::multiset<std::string> names;
  for (long i = 0; i < d.ShownRowCount(); ++i) {
    const SearchMatch& m = d.ShownRow(i).match;
    names.insert(RowName({.folder = m.folder, .file = m.file}));
  }
  return names;
}

long RowNamed(const Dialog& d, const std::string& name) {
  for (long i = 0; i < d.ShownRowCount(); ++i) {
    const SearchMatch& m = d.ShownRow(i).match;
    if (RowName({.folder = m.folder, .file = m.file}) == name) return i;
  }
  ADD_FAILURE() << "no match " << name;
  return -1;
}

// A right button press at a point of the list, given to the list's own window of rows as the
// mouse gives it: the list hit-tests it, selects the row under it and reports the click.
void RightClickAt(Dialog& d, wxPoint inList) {
  wxListCtrl& list = *d.ListControl();
  wxWindow* rows = nullptr;  // the child that draws the rows (the other is the header)
  for (wxWindow* child : list.GetChildren())
    if (child->GetRect().Contains(inList)) rows = child;
  ASSERT_NE(rows, nullptr);
  const wxPoint at = rows->ScreenToClient(list.ClientToScreen(inList));
  wxMouseEvent press(wxEVT_RIGHT_DOWN);
  press.SetPosition(at);
  press.m_rightDown = true;
  press.SetEventObject(rows);
  rows->ProcessWindowEvent(press);
  wxMouseEvent release(wxEVT_RIGHT_UP);
  release.SetPosition(at);
  release.SetEventObject(rows);
  rows->ProcessWindowEvent(release);
}

void RightClickRow(Dialog& d, long row) {
  wxListCtrl& list = *d.ListControl();
  list.EnsureVisible(row);
  wxRect r;
  list.GetItemRect(row, r);
  RightClickAt(d, wxPoint(r.x + 60, r.y + r.height / 2));
}

void Reset(Dialog& d) {
  d.m_TypeBox->SetValue(true);
  d.m_DeletedRadios[0]->SetValue(true);
  d.m_SizeBox->SetValue(false);
  d.OnSizeCheck();
}

TEST_F(SearchDialogTest, SearchesByPatternDeletedStateAndSizeChecksAndSaves) {
  std::multiset<std::string> byPattern, deletedOnly, bySize;
  std::string pathOfGone;
  bool lastFoundOnTop = false;
  int countShown = -1;
  SizeTotals savedTotals;
  int saves = 0;
  TreeItem docsItem = kNoItem;
  int docsCheckBefore = -2, docsCheckAfter = -2;
  std::string toggledLabels;
  bool startInResultRow = false;
  Script script({
      Told(),  // the deleted-data hint of the results page
      OpenSearch([&](Page& p) {
        p.m_RunDataCopyPath = [&](const FolderWalk& walk) {
          savedTotals = SizeWalk(walk, {});
          ++saves;
          return 1;
        };
      }),
      Screenshot("search-dialog"),
      Search([](Dialog& d) { d.m_Pattern->ChangeValue("*.txt"); }),
      WhenIdle([&](Dialog& d) {
        byPattern = Names(d);
        countShown = std::stoi(d.m_CountText->GetLabel().utf8_string());
        for (long i = 0; i < d.ShownRowCount(); ++i)
          if (RowName({.file = d.ShownRow(i).match.file}) == "gone.txt")
            pathOfGone = d.ShownRow(i).path;
        // Rows arrive at the top: the last file of the lists is the first row.
        const SearchMatch& top = d.ShownRow(0).match;
        const SearchMatch& last = d.ShownRow(d.ShownRowCount() - 1).match;
        lastFoundOnTop = top.file && last.file && top.file->sequence > last.file->sequence;
      }),
      Screenshot("search-dialog-pattern"),
      // The criteria hidden and shown again by the >> / << button.
      WhenIdle([](Dialog& d) { guitest::ClickButton(d, Dialog::kIdToggle); }),
      Screenshot("search-dialog-results-only"),
      WhenIdle([&](Dialog& d) {
        toggledLabels = d.m_ToggleButton->GetLabel().utf8_string();
        startInResultRow = !d.m_Pattern->IsShown() &&
                           !d.m_StartButton->GetRect().Intersects(d.m_CountText->GetRect()) &&
                           !d.m_StartButton->GetRect().Intersects(d.m_PleaseWait->GetRect()) &&
                           d.m_StartButton->GetRect().GetBottom() < d.ListControl()->GetRect().GetTop();
        guitest::ClickButton(d, Dialog::kIdToggle);
        toggledLabels += " " + d.m_ToggleButton->GetLabel().utf8_string();
      }),
      Search([](Dialog& d) {
        d.m_Pattern->ChangeValue("*");
        d.m_DeletedRadios[2]->SetValue(true);
      }),
      WhenIdle([&](Dialog& d) { deletedOnly = Names(d); }),
      Search([](Dialog& d) {
        Reset(d);
        d.m_Pattern->ChangeValue("*");
        d.m_SizeBox->SetValue(true);
        d.OnSizeCheck();  // the unit goes back to Bytes
        d.m_SizeFrom->ChangeValue("1000");
        d.m_SizeTo->ChangeValue("4000");
      }),
      WhenIdle([&](Dialog& d) {
        bySize = Names(d);
        // Check gone.txt as a click on its check box does.
        FolderTreeModel& model = RunningPage()->m_Tree->Model();
        for (long i = 0; i < d.ShownRowCount(); ++i) {
          const SearchMatch& m = d.ShownRow(i).match;
          if (m.file && RowName({.file = m.file}) == "gone.txt") {
            docsItem = static_cast<TreeItem>(m.treeItem);
            docsCheckBefore = model.GetCheckState(docsItem);
            d.ListControl()->CheckItem(i, true);
            docsCheckAfter = model.GetCheckState(docsItem);
          }
        }
      }),
      Screenshot("search-dialog-checked"),
      WhenIdle([](Dialog& d) { guitest::ClickButton(d, Dialog::kIdSave); }),
      WhenIdle([](Dialog& d) { d.OnCancel(); }),
      [] {
        Page* p = RunningPage();
        if (!p || Shown()) return false;
        p->CallAfter([p] { p->OnBack(); });
        return true;
      },
      Answer(wxID_OK),
  });
  RunScanToResults(script);

  // Files directly in the root (resident.txt, empty.txt) are never listed.
  EXPECT_EQ(byPattern.count("resident.txt"), 0u);
  for (const char* name : {"gone.txt", "gone-small.txt", "Quarterly report.txt", "deep.txt",
                           "old1.txt", "old3.txt", "orphan.txt"})
    EXPECT_EQ(byPattern.count(name), 1u) << name;
  EXPECT_EQ(byPattern.count("old2.bin"), 0u);
  EXPECT_EQ(countShown, static_cast<int>(byPattern.size()));
  EXPECT_EQ(pathOfGone, "Docs");
  EXPECT_TRUE(lastFoundOnTop);
  EXPECT_EQ(toggledLabels, "<< >>");
  EXPECT_TRUE(startInResultRow);

  // Deleted only: the deleted folders and files, nothing present.
  for (const char* name : {"OldDir", "gone.txt", "gone-small.txt", "old1.txt", "old2.bin"})
    EXPECT_EQ(deletedOnly.count(name), 1u) << name;
  for (const char* name : {"Docs", "Quarterly report.txt", "deep.txt"})
    EXPECT_EQ(deletedOnly.count(name), 0u) << name;

  // 1000 to 4000 bytes: files only.
  EXPECT_EQ(bySize, (std::multiset<std::string>{"deep.txt", "gone.txt"}));

  // The check reached the results tree, and Save took only the checked file.
  EXPECT_EQ(docsCheckBefore, 0);
  EXPECT_EQ(docsCheckAfter, 1);
  ASSERT_EQ(saves, 1);
  EXPECT_EQ(savedTotals.fileCount, 1);
  EXPECT_EQ(savedTotals.byteTotal, 3000u);
}

TEST_F(SearchDialogTest, ContextMenuOpensAFileAndShowsAFolderAsADoubleClickDoes) {
  ScopedFakeLauncher launcher;
  std::vector<std::vector<std::string>> menus;  // the items of each menu shown
  TreeItem docsItem = kNoItem;
  TreeItem selectedAfterOpen = kNoItem;
  long rowsBesideClick = 0;
  // Answers the popup with its "&Open" item instead of showing it.
  auto chooseOpen = [&menus](wxMenu& menu, const wxPoint&) {
    std::vector<std::string> items;
    int open = 0;
    for (const wxMenuItem* item : menu.GetMenuItems()) {
      items.push_back(item->GetItemLabel().utf8_string());
      if (item->GetItemLabel() == "&Open") open = item->GetId();
    }
    menus.push_back(items);
    return open;
  };
  Script script({
      Told(),
      OpenSearch(),
      // Two matches, the first selected: a right-click below them shows no menu.
      Search([&](Dialog& d) {
        d.m_Pattern->ChangeValue("gone");
        d.m_TrackContextMenu = chooseOpen;
      }),
      WhenIdle([&](Dialog& d) {
        rowsBesideClick = d.ShownRowCount();
        d.ListControl()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        wxRect last;
        d.ListControl()->GetItemRect(d.ShownRowCount() - 1, last);
        RightClickAt(d, wxPoint(last.x + 60, last.GetBottom() + 30));
      }),
      Search([&](Dialog& d) { d.m_Pattern->ChangeValue("*"); }),
      WhenIdle([](Dialog& d) { RightClickRow(d, RowNamed(d, "gone.txt")); }),
      [&] {
        Page* p = RunningPage();
        return p && !p->Busy() && !launcher.fake.openedFiles.empty();
      },
      WhenIdle([&](Dialog& d) {
        const long docs = RowNamed(d, "Docs");
        docsItem = static_cast<TreeItem>(d.ShownRow(docs).match.treeItem);
        RightClickRow(d, docs);
      }),
      [&] {
        Page* p = RunningPage();
        if (!p || Shown() || p->Busy()) return false;
        selectedAfterOpen = p->m_Tree->Model().SelectedItem();
        p->CallAfter([p] { p->OnBack(); });
        return true;
      },
      Answer(wxID_OK),
  });
  RunScanToResults(script);

  EXPECT_EQ(rowsBesideClick, 2);
  // One menu per right-click on a row, holding "&Open"; the file was extracted and handed to the desktop,
  // the folder shown on the results page with the dialog closed.
  EXPECT_EQ(menus, (std::vector<std::vector<std::string>>{{"&Open"}, {"&Open"}}));
  ASSERT_EQ(launcher.fake.openedFiles.size(), 1u);
  EXPECT_EQ(fs::path(launcher.fake.openedFiles[0]).filename(), "gone.txt");
  EXPECT_NE(docsItem, kNoItem);
  EXPECT_EQ(selectedAfterOpen, docsItem);
}

TEST_F(SearchDialogTest, StopAnsweredNoGoesOnAndYesEndsTheSearch) {
  int rowsAfterNo = -1;
  Script script({
      Told(),
      OpenSearch(),
      [] {
        Dialog* d = Shown();
        if (!d) return false;
        d->m_Pattern->ChangeValue("*");
        // Stop is queued before Start: the worker's end is queued after it on the same dialog,
        // so the stop always finds the search running (not joined yet) and asks, however soon
        // the worker ends.
        d->CallAfter([d] { d->OnOK(); });
        d->m_StartButton->Click();
        return true;
      },
      Answer(wxID_CANCEL),
      WhenIdle([&](Dialog& d) {
        rowsAfterNo = static_cast<int>(d.ShownRowCount());
        d.OnCancel();
      }),
      [] {
        Page* p = RunningPage();
        if (!p || Shown()) return false;
        p->EndDialog(1);
        return true;
      },
  });
  RunScanToResults(script);
  EXPECT_EQ(m_Asked, std::vector<std::string>{"Do you want to stop data searching."});
  EXPECT_GT(rowsAfterNo, 10);
}

}  // namespace
