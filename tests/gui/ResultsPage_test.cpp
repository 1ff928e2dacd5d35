// The results page after a real deleted-data scan of the NTFS fixture, reached the way the
// program reaches it (the analysis page hands over when its scan ends): the tree holds the
// folders, the list the root's children with deleted rows marked, a header click sorts, a check
// of the root marks every record, Save hands the checked tree over, a rename reaches the record,
// and Back frees the lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "PageTestFixture.h"
#include "ResultsPageSteps.h"
#include "engine/records/ScanState.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "platform/DeviceNamespace.h"
#include "platform/FakeShellLauncher.h"
#include "platform/TextCodec.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/SystemImageList.h"

#include <wx/bmpbuttn.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {

using guitest::Script;
using guitest::WhenShown;
using Page = ViewDataInControls;

class ResultsPageTest : public guitest::NtfsVolumePageTest {
 protected:
  static Page* Running() { return guitest::RunningResultsPage(); }
  // Acts on the page once its workers have ended.
  static Script::Step WhenSettled(std::function<void(Page&)> what) {
    return guitest::WhenResultsSettled(std::move(what));
  }

  // A step that lets the page paint for a while, then saves a screenshot.
  static Script::Step Screenshot(const std::string& name) { return guitest::ScreenshotStep(name); }

  // Runs the scan through the analysis page, which opens the results page at its end.
  void RunScanToResults(Script& script) {
    RecoveryAnalysis analysis;
    analysis.DoModal();
    EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  }
};

std::vector<std::string> RowNames(Page& p) {
  std::vector<std::string> names;
  for (const ResultRow& r : p.m_List->Rows()) names.push_back(RowName(r));
  return names;
}

void ClickHeader(Page& p, int column) {
  wxListEvent click(wxEVT_LIST_COL_CLICK, p.m_List->GetId());
  click.m_col = column;
  click.SetEventObject(p.m_List);
  p.m_List->GetEventHandler()->ProcessEvent(click);
}

bool Has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

TEST_F(ResultsPageTest, ShowsSortsChecksSavesRenamesAndGoesBack) {
  FolderWalk saved;
  int saves = 0;
  std::string typeOfOldDir;
  bool sortedBySize = true;
  size_t treeFolders = 0;
  Script script({
      // After a deleted-data scan the page tells where else to look.
      Told(),
      WhenSettled([&](Page& p) {
        p.m_RunDataCopyPath = [&](const FolderWalk& walk) {
          saved = walk;
          ++saves;
          return 1;
        };
        const FolderTreeModel& model = p.m_Tree->Model();
        for (TreeItem c = model.FirstChild(model.RootItem()); c != kNoItem;
             c = model.NextSibling(c))
          ++treeFolders;
        const auto names = RowNames(p);
        EXPECT_TRUE(Has(names, "Docs"));
        EXPECT_TRUE(Has(names, "resident.txt"));
        EXPECT_TRUE(Has(names, "OldDir"));
        for (const ResultRow& r : p.m_List->Rows())
          if (RowName(r) == "OldDir")
            typeOfOldDir = ColumnText(r, ListColumn::Type, FileSystemKind::Ntfs);
      }),
      Screenshot("results-page"),
      // A click on the Size header: the first sorts descending, on the list worker.
      WhenSettled([](Page& p) { ClickHeader(p, 2); }),
      WhenSettled([&](Page& p) {
        uint64_t last = UINT64_MAX;
        for (const ResultRow& r : p.m_List->Rows()) {
          const uint64_t size = r.file ? r.file->size : 0;
          if (size > last) sortedBySize = false;
          last = size;
        }
        // The root's check box, as a click on it gives it.
        FolderTreeModel& m = p.m_Tree->Model();
        m.Click(m.RootItem(), FolderTreeModel::ClickPart::StateIcon);
      }),
      Screenshot("results-page-checked"),
      WhenSettled([&](Page& p) {
        p.OnSave();
        // Rename the first file row.
        for (size_t i = 0; i < p.m_List->Rows().size(); ++i)
          if (p.m_List->Rows()[i].file) {
            p.RenameListRow(static_cast<long>(i), "renamed.txt");
            EXPECT_EQ(RowName(p.m_List->Rows()[i]), "renamed.txt");
            break;
          }
        p.CallAfter([&p] { p.OnBack(); });
      }),
      Answer(wxID_OK),
  });
  RunScanToResults(script);

  EXPECT_GT(treeFolders, 0u);
  EXPECT_EQ(typeOfOldDir, "Deleted Folder");
  EXPECT_TRUE(sortedBySize);
  EXPECT_EQ(saves, 1);
  ASSERT_FALSE(saved.folders.empty());
  EXPECT_EQ(saved.folders.front().folderId, kNtfsRootId);
  EXPECT_GT(saved.folders.size(), 1u);
  ASSERT_EQ(m_Asked.size(), 1u);
  EXPECT_EQ(m_Asked[0], "Do you want to go back to Previous Step.");
  // Back freed both lists.
  EXPECT_EQ(g_ScanState.fileList.head, nullptr);
  EXPECT_EQ(g_ScanState.folderList.head, nullptr);
}

TEST_F(ResultsPageTest, CheckingTheRootMarksEveryRecordAndBackAnsweredNoKeepsThem) {
  bool allMarked = true;
  Script script({
      Told(),
      WhenSettled([](Page& p) {
        FolderTreeModel& m = p.m_Tree->Model();
        m.Click(m.RootItem(), FolderTreeModel::ClickPart::StateIcon);
      }),
      WhenSettled([&](Page& p) {
        for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
          if (f->selected != 'y') allMarked = false;
        for (const ResultRow& r : p.m_List->Rows())
          if (!r.Checked()) allMarked = false;
        p.CallAfter([&p] { p.OnBack(); });
      }),
      Answer(wxID_CANCEL),
      WhenSettled([](Page& p) {
        EXPECT_NE(g_ScanState.fileList.head, nullptr);
        p.EndDialog(1);
      }),
  });
  RunScanToResults(script);
  EXPECT_TRUE(allMarked);
}

TEST_F(ResultsPageTest, HeaderClickSortsOnTheWorkerAndIgnoresClicksUntilItEnds) {
  std::vector<std::string> before, sorted;
  bool descendingAfterClicks = false;
  bool busyWhileSorting = false;
  Script script({
      Told(),
      WhenSettled([&](Page& p) {
        before = RowNames(p);
        ClickHeader(p, 0);
        // The rows come back from the worker: until then the list keeps its order and a second
        // click changes nothing, not even the direction.
        busyWhileSorting = p.Busy();
        ClickHeader(p, 0);
        descendingAfterClicks = p.SortDescending();
        EXPECT_EQ(RowNames(p), before);
      }),
      WhenSettled([&](Page& p) {
        sorted = RowNames(p);
        const auto& rows = p.m_List->Rows();
        for (size_t i = 1; i < rows.size(); ++i)
          EXPECT_GE(CompareListItems(rows[i - 1], rows[i], ListColumn::Name, FileSystemKind::Ntfs),
                    0)
              << sorted[i - 1] << " before " << sorted[i];
        p.EndDialog(1);
      }),
  });
  RunScanToResults(script);
  EXPECT_TRUE(busyWhileSorting);
  EXPECT_TRUE(descendingAfterClicks);
  EXPECT_EQ(sorted.size(), before.size());
  EXPECT_NE(sorted, before);
}

// A folder renamed from the tree while a header sort runs on the list worker: the sort, which
// reads the names, ends before the name changes, and its rows still replace the list's. Built with
// ThreadSanitizer (preset tsan with MERROWIND_GUI=ON) this reports the sort's reads against the
// rename's write whenever the rename does not wait for the sort.
TEST_F(ResultsPageTest, ARenameFromTheTreeDuringASortKeepsTheSortedRowsAndTheNewName) {
  std::vector<std::string> before, after;
  std::string treeText;
  Script script({
      Told(),
      WhenSettled([&](Page& p) {
        before = RowNames(p);
        TreeItem docs = kNoItem;
        for (const ResultRow& r : p.m_List->Rows())
          if (r.folder && RowName(r) == "Docs") docs = static_cast<TreeItem>(r.folder->treeItem);
        ASSERT_NE(docs, kNoItem);
        ClickHeader(p, 0);
        const wxTreeItemId id = p.m_Tree->ShowItem(docs);
        wxTreeEvent edit(wxEVT_TREE_END_LABEL_EDIT, p.m_Tree, id);
        edit.SetLabel("Papers");
        p.m_Tree->GetEventHandler()->ProcessEvent(edit);
        treeText = p.m_Tree->GetItemText(id).utf8_string();
      }),
      WhenSettled([&](Page& p) {
        after = RowNames(p);
        // The sorted rows arrived: descending by name, the first click's direction (the renamed
        // row stands where its old name sorted).
        std::vector<ResultRow> others;
        for (const ResultRow& r : p.m_List->Rows())
          if (RowName(r) != "Papers") others.push_back(r);
        for (size_t i = 1; i < others.size(); ++i)
          EXPECT_GE(
              CompareListItems(others[i - 1], others[i], ListColumn::Name, FileSystemKind::Ntfs), 0)
              << RowName(others[i - 1]) << " before " << RowName(others[i]);
        p.EndDialog(1);
      }),
  });
  RunScanToResults(script);
  EXPECT_EQ(treeText, "Papers");
  EXPECT_TRUE(Has(after, "Papers"));
  EXPECT_FALSE(Has(after, "Docs"));
  EXPECT_EQ(after.size(), before.size());
}

}  // namespace

namespace {

using guitest::ListRowPoint;
using guitest::MouseClickAt;
using guitest::MouseDoubleClickAt;
using guitest::PressKeys;
using guitest::TreeItemPoint;

long RowOf(Page& p, const std::string& name) {
  for (size_t i = 0; i < p.m_List->Rows().size(); ++i)
    if (RowName(p.m_List->Rows()[i]) == name) return static_cast<long>(i);
  ADD_FAILURE() << "no row " << name;
  return -1;
}

// The folder the tree has selected, and whether every row of the list is a child of it.
struct Following {
  std::string selected;
  bool listShowsIt = false;
  size_t rows = 0;
};

Following ListFollowsTree(Page& p) {
  Following f;
  const FolderTreeModel& model = p.m_Tree->Model();
  const TreeItem item = p.m_Tree->ModelItem(p.m_Tree->GetSelection());
  f.selected = p.m_Tree->GetItemText(p.m_Tree->GetSelection()).utf8_string();
  uint32_t id = 0;
  if (item == model.RootItem()) {
    if (!FolderTreeModel::RootFolderId(id)) return f;
  } else if (const FolderRecord* folder = model.FolderOf(item)) {
    id = folder->id;
  } else {
    return f;
  }
  f.rows = p.m_List->Rows().size();
  f.listShowsIt = model.ShownItem() == item;
  for (const ResultRow& r : p.m_List->Rows())
    if ((r.folder ? r.folder->parentId : r.file->parentId) != id) f.listShowsIt = false;
  return f;
}

// Moving through the tree with the arrow keys and End: the list shows the folder selected each
// time, not the one clicked last.
TEST_F(ResultsPageTest, TheListFollowsTheTreesSelectionMovedWithTheKeyboard) {
  std::vector<Following> seen;
  // Once the tree's selection moved away from the one seen last.
  auto after = [&seen](std::function<void(Page&)> what) {
    return guitest::WhenResultsShow(
        [&seen](Page& p) {
          const std::string now = p.m_Tree->GetItemText(p.m_Tree->GetSelection()).utf8_string();
          return seen.empty() ? now == "Docs" : now != seen.back().selected;
        },
        std::move(what));
  };
  Script script({
      Told(),
      // A click on Docs shows it and opens it in the tree.
      WhenSettled([](Page& p) {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId c = p.m_Tree->GetFirstChild(p.m_Tree->GetRootItem(), cookie); c.IsOk();
             c = p.m_Tree->GetNextChild(p.m_Tree->GetRootItem(), cookie))
          if (p.m_Tree->GetItemText(c) == "Docs")
            MouseClickAt(p.m_Tree, TreeItemPoint(*p.m_Tree, c));
      }),
      after([&](Page& p) {
        seen.push_back(ListFollowsTree(p));
        PressKeys({WXK_DOWN});
      }),
      after([&](Page& p) {
        seen.push_back(ListFollowsTree(p));
        PressKeys({WXK_UP});
      }),
      after([&](Page& p) {
        seen.push_back(ListFollowsTree(p));
        PressKeys({WXK_END});
      }),
      after([&](Page& p) {
        seen.push_back(ListFollowsTree(p));
        PressKeys({WXK_HOME});
      }),
      after([](Page&) {}),
      Screenshot("results-page-keyboard"),
      WhenSettled([&](Page& p) {
        seen.push_back(ListFollowsTree(p));
        p.EndDialog(1);
      }),
  });
  RunScanToResults(script);
  ASSERT_EQ(seen.size(), 5u);
  for (const Following& f : seen) EXPECT_TRUE(f.listShowsIt) << f.selected;
  EXPECT_EQ(seen[0].selected, "Docs");
  EXPECT_NE(seen[1].selected, "Docs");
  EXPECT_EQ(seen[2].selected, "Docs");
  EXPECT_NE(seen[3].selected, seen[2].selected);
  EXPECT_EQ(seen[4].selected, "This PC");
  EXPECT_GT(seen[4].rows, 0u);
}

// A right click on a selected row offers "&Open": on a file it extracts the file and hands it to
// the desktop, on a folder it shows that folder; the parent-folder button goes back up.
TEST_F(ResultsPageTest, TheListsContextMenuOpensAndTheParentButtonGoesUp) {
  ScopedFakeLauncher launcher;
  std::string shownAfterOpen, shownAfterUp;
  bool stepPictureShown = false, stepPictureClear = false;
  auto menuUp = std::make_shared<bool>(false);
  auto rightClickRow = [menuUp](const std::string& name) {
    return WhenSettled([name, menuUp](Page& p) {
      // The popup tells when it is up (it runs its own loop meanwhile).
      p.Bind(wxEVT_MENU_OPEN, [menuUp](wxMenuEvent& e) {
        *menuUp = true;
        e.Skip();
      });
      *menuUp = false;
      const long row = RowOf(p, name);
      MouseClickAt(p.m_List, ListRowPoint(*p.m_List, row));
      guitest::Pump(10);
      MouseClickAt(p.m_List, ListRowPoint(*p.m_List, row), wxMOUSE_BTN_RIGHT);
    });
  };
  // The menu is up: its first item, then Enter.
  auto chooseOpen = [menuUp] {
    auto ticks = std::make_shared<int>(0);
    return [ticks, menuUp] {
      if (!*menuUp && ++*ticks < 150) return false;
      guitest::Pump(5);
      guitest::SaveScreenshot("results-page-context-menu");
      PressKeys({WXK_DOWN, WXK_RETURN});
      return true;
    };
  };
  auto selected = [](const std::string& name) {
    return [name](Page& p) {
      return p.m_Tree->GetItemText(p.m_Tree->GetSelection()).utf8_string() == name;
    };
  };
  Script script({
      Told(),
      rightClickRow("resident.txt"),
      chooseOpen(),
      guitest::WhenResultsShow([&](Page&) { return !launcher.fake.openedFiles.empty(); },
                               [](Page&) {}),
      rightClickRow("Docs"),
      chooseOpen(),
      guitest::WhenResultsShow(selected("Docs"),
                               [&](Page& p) {
                                 shownAfterOpen =
                                     p.m_Tree->GetItemText(p.m_Tree->GetSelection()).utf8_string();
                                 const wxSize up = p.m_ParentFolder->GetClientSize();
                                 MouseClickAt(p.m_ParentFolder, wxPoint(up.x / 2, up.y / 2));
                               }),
      guitest::WhenResultsShow(selected("This PC"), [](Page&) {}),
      Screenshot("results-page-parent-folder"),
      WhenSettled([&](Page& p) {
        shownAfterUp = p.m_Tree->GetItemText(p.m_Tree->GetSelection()).utf8_string();
        EXPECT_TRUE(ListFollowsTree(p).listShowsIt);
        const wxRect step = p.m_StepPicture->GetRect();
        stepPictureShown = p.m_StepPicture->GetBitmap().IsOk() && p.m_StepPicture->IsShown();
        stepPictureClear = !step.Intersects(p.m_Hint->GetRect()) &&
                           !step.Intersects(p.m_BackButton->GetRect()) &&
                           step.GetBottom() < p.m_Tools[0]->GetParent()->GetClientSize().y;
        p.EndDialog(1);
      }),
  });
  RunScanToResults(script);
  ASSERT_EQ(launcher.fake.openedFiles.size(), 1u);
  EXPECT_EQ(std::filesystem::path(launcher.fake.openedFiles[0]).filename(), "resident.txt");
  EXPECT_EQ(shownAfterOpen, "Docs");
  EXPECT_EQ(shownAfterUp, "This PC");
  EXPECT_TRUE(stepPictureShown);
  EXPECT_TRUE(stepPictureClear);
}

// A file's check box ticked with the mouse marks the file and puts the check mark on its folder
// and every ancestor up to "This PC"; unticking the folder's only checked file takes them off.
TEST_F(ResultsPageTest, AFilesCheckMarksItsFolderAndAncestorsAndItsUncheckClearsThem) {
  struct Marks {
    bool file = false, docs = false, root = false;
  };
  std::vector<Marks> marks;
  // The check box is drawn at the start of the row, 5 pixels in, 16 wide.
  auto clickCheckBox = [](Page& p, const std::string& name) {
    MouseClickAt(p.m_List, ListRowPoint(*p.m_List, RowOf(p, name), 13));
  };
  // Once the file's check box reads checked (or unchecked), or the folder is shown.
  auto after = [](std::function<void(Page&)> what, int checked = -1) {
    return guitest::WhenResultsShow(
        [checked](Page& p) {
          const std::string shown = p.m_Tree->GetItemText(p.m_Tree->GetSelection()).utf8_string();
          if (checked < 0) return shown == "Docs";
          for (const ResultRow& r : p.m_List->Rows())
            if (r.file && RowName(r) == "Quarterly report.txt")
              return r.Checked() == (checked == 1);
          return false;
        },
        std::move(what));
  };
  auto read = [&marks](Page& p) {
    FolderTreeModel& m = p.m_Tree->Model();
    const TreeItem shown = m.ShownItem();
    Marks now;
    for (const ResultRow& r : p.m_List->Rows())
      if (r.file && RowName(r) == "Quarterly report.txt") now.file = r.Checked();
    now.docs =
        m.GetCheckState(shown) == 1 && p.m_Tree->GetItemText(p.m_Tree->ShowItem(shown)) == "Docs";
    now.root = m.GetCheckState(m.RootItem()) == 1;
    marks.push_back(now);
  };
  Script script({
      Told(),
      WhenSettled(
          [](Page& p) { MouseDoubleClickAt(p.m_List, ListRowPoint(*p.m_List, RowOf(p, "Docs"))); }),
      after([&](Page& p) { clickCheckBox(p, "Quarterly report.txt"); }),
      after([&](Page& p) { read(p); }, 1),
      Screenshot("results-page-file-checked"),
      WhenSettled([&](Page& p) { clickCheckBox(p, "Quarterly report.txt"); }),
      after(
          [&](Page& p) {
            read(p);
            p.EndDialog(1);
          },
          0),
  });
  RunScanToResults(script);
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_TRUE(marks[0].file);
  EXPECT_TRUE(marks[0].docs);
  EXPECT_TRUE(marks[0].root);
  EXPECT_FALSE(marks[1].file);
  EXPECT_FALSE(marks[1].docs);
  EXPECT_FALSE(marks[1].root);
}

// The three views from the View menu: the icon views list the names with the large or the small
// icons, Details all columns; every row carries its folder, file or deleted icon.
TEST_F(ResultsPageTest, TheViewMenuSwitchesBetweenIconViewsAndDetails) {
  std::vector<CColoredListCtrl::View> views;
  std::vector<int> icons;
  bool deletedIcon = false;
  auto choose = [&views](int command, const std::string& shot) {
    return WhenSettled([&views, command, shot](Page& p) {
      wxCommandEvent e(wxEVT_MENU, WxCommandId(command));
      p.GetEventHandler()->ProcessEvent(e);
      guitest::Pump(10);
      guitest::SaveScreenshot(shot);
      views.push_back(p.m_List->GetView());
      EXPECT_TRUE(p.GetMenuBar()->IsChecked(WxCommandId(command)));
    });
  };
  Script script({
      Told(),
      WhenSettled([&](Page& p) {
        for (const ResultRow& r : p.m_List->Rows()) {
          icons.push_back(CColoredListCtrl::RowIcon(r));
          if (r.Deleted() && r.folder)
            deletedIcon = CColoredListCtrl::RowIcon(r) == kIconDeletedFolder;
        }
      }),
      choose(Page::kMenuLargeIcons, "results-page-large-icons"),
      choose(Page::kMenuSmallIcons, "results-page-small-icons"),
      choose(Page::kMenuDetails, "results-page-details"),
      WhenSettled([](Page& p) { p.EndDialog(1); }),
  });
  RunScanToResults(script);
  using View = CColoredListCtrl::View;
  EXPECT_EQ(views, (std::vector<View>{View::LargeIcons, View::SmallIcons, View::Details}));
  EXPECT_TRUE(deletedIcon);
  EXPECT_FALSE(icons.empty());
}

}  // namespace
