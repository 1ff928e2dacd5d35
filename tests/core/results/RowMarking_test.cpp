// A check in the results tree marks records on the select worker while the UI thread marks the
// list's rows and redraws them: the two never write the same mark, the list shows the final
// marks at once, and a toggle that would write while the worker runs is dropped. Run under
// ThreadSanitizer (the tsan preset), a mark both sides touch is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "engine/records/ChangedFolderIds.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "results/ResultRows.h"
#include "results/RowSelection.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "widgets/FolderTreeModel.h"

namespace {

constexpr uint32_t kRootId = 5;
// Enough files that the worker is still marking while the tree's click returns.
constexpr int kFilesPerFolder = 4000;

// The results page's part of a check: the list it shows, the worker it starts, the rows it marks.
class MarkingPage : public FolderTreeHooks {
 public:
  explicit MarkingPage(FolderTreeModel& tree) : m_Tree(tree) {}

  bool ClicksBlocked() override { return marking.Running(); }
  void ShowFolderContents(TreeItem, uint32_t folderId) override {
    const std::atomic<bool> cancel{false};
    shownId = folderId;
    rows = CollectFolderRows(folderId, 0, FileSystemKind::Ntfs, false, cancel);
  }
  void SelectFolderData(TreeItem item, uint32_t) override { Start(true, item); }
  void DeselectFolderData(TreeItem item, uint32_t) override { Start(false, item); }
  void CheckListRowsOfFolder(TreeItem item, uint32_t id) override { MarkRows(item, id, true); }
  void UncheckListRowsOfFolder(TreeItem item, uint32_t id) override { MarkRows(item, id, false); }

  std::vector<ResultRow> rows;
  uint32_t shownId = 0;
  RowMarking marking;

 private:
  void Start(bool selected, TreeItem item) {
    const bool everything = item == m_Tree.RootItem();
    MarkingJob job{.everything = everything,
                   .selected = selected,
                   .chosenFs = 0,
                   .folderIds = everything ? std::vector<uint32_t>{} : TakeChangedFolderIds()};
    marking.Start(std::move(job));
  }
  void MarkRows(TreeItem item, uint32_t id, bool selected) {
    marking.MarkRows(rows, selected, item == m_Tree.RootItem() || id == shownId,
                     m_Tree.FolderOf(item));
    Paint();
  }
  // The list redraws its rows as the page asks it to after every change.
  void Paint() {
    for (const ResultRow& r : rows) m_Painted += marking.Shown(r) ? 1 : 0;
  }

  FolderTreeModel& m_Tree;
  size_t m_Painted = 0;
};

class RowMarkingTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    FreeChangedFolderIds();
    g_FileSystemName = FileSystemKind::Ntfs;
    m_Folders = {{'A', Folder(10, kRootId)},
                 {'B', Folder(11, 10)},
                 {'C', Folder(12, kRootId)},
                 {'D', Folder(13, kRootId, 2)}};
    for (uint32_t parent : {kRootId, 10u, 11u, 12u})
      for (int i = 0; i < kFilesPerFolder; ++i)
        AddFileRecord({.wideName = u"f.txt", .size = 1, .parentId = parent, .id = 99});
    page.rows.clear();
    tree.SetHooks(&page);
    tree.InitRoots(2, 1, "");
    tree.FillFolderTree(tree.RootItem(), kRootId);
    tree.SetMarksOnly(1);  // as the page leaves it after its fill
  }
  void TearDown() override {
    page.marking.Join();
    FreeChangedFolderIds();
    ResetProgramState();
  }

  static FolderRecord* Folder(uint32_t id, uint32_t parent, int16_t partition = 0) {
    return AddFolderRecord(
        {.wideName = u"d", .parentId = parent, .id = id, .partition = partition});
  }
  TreeItem Item(char folder) const {
    return folder == '/' ? tree.RootItem() : m_Folders.at(folder)->treeItem;
  }
  // The marks of folders A to D.
  std::string FolderMarks() const {
    std::string marks;
    for (const auto& [name, f] : m_Folders) marks += static_cast<char>(f->selected);
    return marks;
  }
  // The marks of the files of the root, A, B and C; '?' where one folder's files differ.
  static std::string FileMarks() {
    std::map<uint32_t, char> marks;
    for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next) {
      auto [it, first] = marks.emplace(f->parentId, static_cast<char>(f->selected));
      if (!first && it->second != f->selected) it->second = '?';
    }
    return {marks[kRootId], marks[10], marks[11], marks[12]};
  }

  FolderTreeModel tree;
  MarkingPage page{tree};
  std::map<char, FolderRecord*> m_Folders;
};

TEST_F(RowMarkingTest, ACheckMarksEachRecordOnceWhileTheListShowsTheFinalMarks) {
  const struct Case {
    char clicked;         // '/' the root, else a folder
    bool check;           // false: checked first, then unchecked
    char shown;           // the folder the list shows
    const char* folders;  // A, B, C, D afterwards
    const char* files;    // of the root, A, B, C afterwards
  } cases[] = {
      {'/', true, '/', "yyyn", "yyyy"},  {'/', true, 'A', "yyyn", "yyyy"},
      {'/', false, '/', "nnnn", "nnnn"}, {'/', false, 'A', "nnnn", "nnnn"},
      {'A', true, 'A', "yynn", "nyyn"},  {'A', true, '/', "yynn", "nyyn"},
      {'A', false, 'A', "nnnn", "nnnn"}, {'A', false, '/', "nnnn", "nnnn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("clicked ") + c.clicked + (c.check ? " check" : " uncheck") +
                 ", list shows " + c.shown);
    TearDown();
    SetUp();
    tree.ShowFolder(Item(c.shown));
    if (!c.check) {
      tree.Click(Item(c.clicked), FolderTreeModel::ClickPart::StateIcon);
      page.marking.Join();
    }
    tree.Click(Item(c.clicked), FolderTreeModel::ClickPart::StateIcon);
    ASSERT_TRUE(page.marking.Running());

    // While the worker may still run: the rows show the marks it is writing, and neither a
    // click nor Space toggles anything.
    const std::map<const void*, bool> shownAtOnce = [&] {
      std::map<const void*, bool> shown;
      for (const ResultRow& r : page.rows)
        shown[r.folder ? static_cast<const void*>(r.folder) : r.file] = page.marking.Shown(r);
      return shown;
    }();
    const int stateOfC = tree.GetCheckState(Item('C'));
    tree.Click(Item('C'), FolderTreeModel::ClickPart::StateIcon);
    tree.SetSelectedItem(Item('C'));
    tree.SpaceKey();
    EXPECT_EQ(tree.GetCheckState(Item('C')), stateOfC);

    page.marking.Join();
    EXPECT_EQ(FolderMarks(), c.folders);
    EXPECT_EQ(FileMarks(), c.files);
    for (const ResultRow& r : page.rows)
      EXPECT_EQ(shownAtOnce.at(r.folder ? static_cast<const void*>(r.folder) : r.file),
                r.Checked());
  }
}

}  // namespace
