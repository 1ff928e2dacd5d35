// The results page's check boxes in the tree, clicked with the mouse after a real deleted-data
// scan of the NTFS fixture: the root or a folder, checked then unchecked, with the list showing
// the clicked folder or another. The select worker and the UI thread each mark their own records
// (a ThreadSanitizer build of the GUI tests, scripts/tsan-gui, reports any mark both write), and
// afterwards the records and the list's check boxes hold the marks of the click.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "PageTestFixture.h"
#include "ResultsPageSteps.h"
#include "engine/records/ScanState.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "platform/TextCodec.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "widgets/wx/FolderTreeCtrl.h"

namespace {

using guitest::Script;
using Page = ViewDataInControls;

// The tree item of the root's subfolder named name, or the root for "/".
TreeItem ItemNamed(const FolderTreeModel& m, const std::string& name) {
  if (name == "/") return m.RootItem();
  for (TreeItem c = m.FirstChild(m.RootItem()); c != kNoItem; c = m.NextSibling(c))
    if (m.Text(c) == name) return c;
  return kNoItem;
}

// The folder ids of item and every folder below it.
std::set<uint32_t> SubtreeIds(const FolderTreeModel& m, TreeItem item) {
  std::set<uint32_t> ids;
  std::vector<TreeItem> todo{item};
  while (!todo.empty()) {
    const TreeItem t = todo.back();
    todo.pop_back();
    if (const FolderRecord* f = m.FolderOf(t)) ids.insert(f->id);
    for (TreeItem c = m.FirstChild(t); c != kNoItem; c = m.NextSibling(c)) todo.push_back(c);
  }
  return ids;
}

// A left button press on the check box of item in the tree.
void ClickCheckBox(CFolderTreeCtrl& tree, TreeItem item) {
  const wxTreeItemId id = tree.ShowItem(item);
  tree.EnsureVisible(id);
  wxRect text;
  ASSERT_TRUE(tree.GetBoundingRect(id, text, true));
  const int y = text.y + text.height / 2;
  // The state icon lies left of the label and its icon; found where the tree's hit test says.
  auto onCheckBox = [&](int x) {
    int flags = 0;
    tree.HitTest(wxPoint(x, y), flags);
    return (flags & wxTREE_HITTEST_ONITEMSTATEICON) != 0;
  };
  int right = text.x - 1;
  while (right > 0 && !onCheckBox(right)) --right;
  ASSERT_GT(right, 0) << "no check box left of " << tree.GetItemText(id);
  int left = right;
  while (left > 0 && onCheckBox(left - 1)) --left;
  // Given to the tree as the mouse gives it: the tree hit-tests the point itself.
  wxMouseEvent press(wxEVT_LEFT_DOWN);
  press.SetPosition(wxPoint((left + right) / 2, y));
  press.m_leftDown = true;
  press.SetEventObject(&tree);
  tree.ProcessWindowEvent(press);
}

class ResultsMarkingTest : public guitest::NtfsVolumePageTest {};

TEST_F(ResultsMarkingTest, ACheckMarksTheClickedSubtreeWhereverTheListIs) {
  const struct Case {
    const char* clicked;  // "/" the root
    const char* shown;    // the folder the list shows
  } cases[] = {{"/", "/"}, {"/", "Docs"}, {"Docs", "Docs"}, {"Docs", "/"}};
  std::vector<std::string> failures;
  auto clickedCheckState = std::make_shared<int>(-2);

  std::vector<Script::Step> steps{Told()};
  for (const Case& c : cases) {
    for (const bool check : {true, false}) {
      const std::string what =
          std::string(check ? "check " : "uncheck ") + c.clicked + ", list shows " + c.shown;
      steps.push_back(guitest::WhenResultsSettled([c](Page& p) {
        const FolderTreeModel& m = p.m_Tree->Model();
        if (ItemNamed(m, c.shown) == kNoItem || ItemNamed(m, c.clicked) == kNoItem) {
          ADD_FAILURE() << "the fixture's root holds no " << c.clicked << " or " << c.shown;
          p.EndDialog(1);
          return;
        }
        p.ShowFolderItem(ItemNamed(m, c.shown));
      }));
      steps.push_back(guitest::WhenResultsSettled([c, clickedCheckState](Page& p) {
        const FolderTreeModel& m = p.m_Tree->Model();
        *clickedCheckState = m.GetCheckState(ItemNamed(m, c.clicked));
        ClickCheckBox(*p.m_Tree, ItemNamed(m, c.clicked));
      }));
      // Settled once the click reached the tree and its worker ended.
      steps.push_back([c, check, what, clickedCheckState, &failures] {
        Page* p = guitest::RunningResultsPage();
        if (!p || p->Busy()) return false;
        const FolderTreeModel& m = p->m_Tree->Model();
        const TreeItem clicked = ItemNamed(m, c.clicked);
        if (m.GetCheckState(clicked) == *clickedCheckState) return false;
        if (m.GetCheckState(clicked) != (check ? 1 : 0)) failures.push_back(what + ": tree state");
        // The root's check marks every record of the chosen file system, in the tree or not.
        const bool all = clicked == m.RootItem();
        const std::set<uint32_t> subtree = SubtreeIds(m, clicked);
        const int16_t chosen = static_cast<int16_t>(g_ScanState.chosenFileSystem.load());
        int wrong = 0;
        for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
          wrong += (f->selected == 'y') != (check && (all || subtree.count(f->parentId) > 0));
        for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next)
          if (f->partition == chosen)
            wrong += (f->selected == 'y') != (check && (all || subtree.count(f->id) > 0));
        if (wrong) failures.push_back(what + ": " + std::to_string(wrong) + " records");
        for (long row = 0; row < p->m_List->GetItemCount(); ++row)
          if (p->m_List->IsItemChecked(row) != p->m_List->Rows()[row].Checked())
            failures.push_back(what + ": row " + RowName(p->m_List->Rows()[row]));
        return true;
      });
    }
  }
  steps.push_back(guitest::WhenResultsSettled([](Page& p) { p.EndDialog(1); }));
  Script script(std::move(steps));
  RecoveryAnalysis analysis;
  analysis.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(failures, std::vector<std::string>{});
}

}  // namespace
