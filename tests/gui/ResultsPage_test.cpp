// The results page after a real deleted-data scan of the NTFS fixture, reached the way the
// program reaches it (the analysis page hands over when its scan ends): the tree holds the
// folders, the list the root's children with deleted rows marked, a header click sorts, a check
// of the root marks every record, Save hands the checked tree over, a rename reaches the record,
// and Back frees the lists.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PageTestFixture.h"
#include "ResultsPageSteps.h"
#include "engine/records/ScanState.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "platform/DeviceNamespace.h"
#include "platform/TextCodec.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "widgets/wx/FolderTreeCtrl.h"

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
