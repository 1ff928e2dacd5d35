#include "widgets/FolderTreeModel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "engine/records/ChangedFolderIds.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"

namespace {

// What the pages would be told, in order.
class RecordingHooks : public FolderTreeHooks {
 public:
  bool ClicksBlocked() override { return blocked; }
  void OnSourceItemClicked(TreeItem item) override { Log("source", item); }
  void OnKeyNavigate(TreeItem item) override { Log("navigate", item); }
  void ShowFileSystemInfo(const std::string& text) override { calls.push_back("fsinfo " + text); }
  void ShowFolderContents(TreeItem item, uint32_t id) override { Log("show", item, id); }
  void SelectFolderData(TreeItem item, uint32_t id) override { Log("select", item, id); }
  void DeselectFolderData(TreeItem item, uint32_t id) override { Log("deselect", item, id); }
  void CheckListRowsOfFolder(TreeItem item, uint32_t id) override { Log("checkrows", item, id); }
  void UncheckListRowsOfFolder(TreeItem item, uint32_t id) override {
    Log("uncheckrows", item, id);
  }
  void SetListItemNameById(TreeItem item, const std::string& name) override {
    calls.push_back("rename " + std::to_string(item) + " " + name);
  }

  void Log(const std::string& what, TreeItem item, int64_t id = -1) {
    calls.push_back(what + " " + std::to_string(item) + (id >= 0 ? " " + std::to_string(id) : ""));
  }
  bool blocked = false;
  std::vector<std::string> calls;
};

class FolderTree : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    FreeChangedFolderIds();
    g_FileSystemName = FileSystemKind::Ntfs;
    tree.SetHooks(&hooks);
  }
  void TearDown() override {
    FreeChangedFolderIds();
    ResetProgramState();
  }

  FolderRecord* Folder(const char16_t* name, uint32_t id, uint32_t parent, int16_t partition = 0) {
    return AddFolderRecord({.wideName = name, .parentId = parent, .id = id, .partition = partition});
  }
  void File(uint32_t parent, uint64_t size, bool selected, const char16_t* name = u"f.txt") {
    FileRecord* f = AddFileRecord({.wideName = name, .size = size, .parentId = parent, .id = 99});
    f->selected = selected ? 'y' : 'n';
  }
  // The results tree over the folder list, from the root of the file system.
  void Fill() {
    tree.InitRoots(2, 1, "");
    uint32_t rootId = 0;
    ASSERT_TRUE(FolderTreeModel::RootFolderId(rootId));
    tree.FillFolderTree(tree.RootItem(), rootId);
  }
  TreeItem ItemOf(const FolderRecord* f) const { return f->treeItem; }
  // "name" for each child of item, in order.
  std::vector<std::string> Children(TreeItem item) const {
    std::vector<std::string> out;
    for (TreeItem c = tree.FirstChild(item); c; c = tree.NextSibling(c)) out.push_back(tree.Text(c));
    return out;
  }
  // "C" checked and bold, "c" checked not bold, "u" unchecked, "b" unchecked but bold.
  std::string Mark(TreeItem item) const {
    const bool checked = tree.GetCheckState(item) == 1;
    const bool bold = tree.IsBold(item);
    return checked ? (bold ? "C" : "c") : (bold ? "b" : "u");
  }

  FolderTreeModel tree;
  RecordingHooks hooks;
};

TEST_F(FolderTree, FillSortsChildrenAndLinksRecordsOfTheChosenFileSystem) {
  FolderRecord* beta = Folder(u"beta", 11, 5);
  FolderRecord* alpha = Folder(u"Alpha", 10, 5);
  FolderRecord* gamma = Folder(u"gamma", 12, 5);
  FolderRecord* inner = Folder(u"Inner", 20, 10);
  FolderRecord* other = Folder(u"other partition", 13, 5, 2);
  Fill();
  EXPECT_EQ(Children(tree.RootItem()), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(Children(ItemOf(alpha)), std::vector<std::string>{"Inner"});
  EXPECT_EQ(tree.FolderOf(ItemOf(inner)), inner);
  EXPECT_NE(ItemOf(beta), kNoItem);
  EXPECT_NE(ItemOf(gamma), kNoItem);
  EXPECT_EQ(ItemOf(other), kNoItem);
  EXPECT_EQ(tree.FillCount(), 4);
  EXPECT_TRUE(tree.IsExpanded(tree.RootItem()));
  EXPECT_EQ(tree.GetCheckState(ItemOf(inner)), 0);  // every results-tree node has a check box
}

TEST_F(FolderTree, FillShowsEightBitNamesThroughTheCodePage) {
  g_FileSystemName = FileSystemKind::Fat32;
  AddFolderRecord({.ansiName = "CAF\x82", .parentId = 0, .id = 3});
  AddFolderRecord({.ansiName = std::string(150, 'L'), .parentId = 0, .id = 4});
  Fill();
  EXPECT_EQ(Children(tree.RootItem()), (std::vector<std::string>{"CAFé", std::string(99, 'L')}));
}

TEST_F(FolderTree, FillEndsOnFoldersThatLeadBackIntoTheirOwnPath) {
  // On FAT the root is folder 0; a folder with id 0 below it would list the root's children again.
  g_FileSystemName = FileSystemKind::Fat16;
  FolderRecord* top = AddFolderRecord({.wideName = u"Top", .parentId = 0, .id = 12});
  FolderRecord* zero = AddFolderRecord({.wideName = u"Zero", .parentId = 12, .id = 0});
  AddFolderRecord({.wideName = u"Zero2", .parentId = 12, .id = 0});
  AddFolderRecord({.wideName = u"Self", .parentId = 14, .id = 14});
  AddFolderRecord({.wideName = u"Sub", .parentId = 12, .id = 13});
  auto done = std::async(std::launch::async, [this] { Fill(); });
  if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the fill did not end";
    std::_Exit(1);
  }
  EXPECT_EQ(Children(tree.RootItem()), std::vector<std::string>{"Top"});
  EXPECT_EQ(Children(ItemOf(top)), (std::vector<std::string>{"Sub", "Zero", "Zero2"}));
  EXPECT_TRUE(Children(ItemOf(zero)).empty());
  EXPECT_EQ(tree.FillCount(), 4);
}

TEST_F(FolderTree, DeepChainsFillCheckAndNameWithoutRecursion) {
  constexpr uint32_t kDepth = 100000;
  for (uint32_t i = 0; i < kDepth; ++i) Folder(u"d", 100 + i, i == 0 ? 5 : 99 + i);
  Fill();
  TreeItem deepest = tree.RootItem();
  while (tree.FirstChild(deepest)) deepest = tree.FirstChild(deepest);
  tree.ToggleCheck(tree.FirstChild(tree.RootItem()));
  EXPECT_EQ(tree.GetCheckState(deepest), 1);
  EXPECT_EQ(tree.GetItemPath(deepest).size(), 2 * kDepth - 1);
  EXPECT_EQ(TakeChangedFolderIds().size(), kDepth);
}

TEST_F(FolderTree, ItemPaths) {
  FolderRecord* docs = Folder(u"Documents", 10, 5);
  FolderRecord* reports = Folder(u"Reports", 11, 10);
  FolderRecord* slash = Folder(u"Trail\\", 12, 5);
  FolderRecord* under = Folder(u"x", 13, 12);
  Fill();
  const struct {
    TreeItem item;
    std::string path;
  } cases[] = {
      {tree.RootItem(), ""},
      {ItemOf(docs), "Documents"},
      {ItemOf(reports), "Documents\\Reports"},
      {ItemOf(under), "Trail\\x"},  // no second separator after a name ending in one
  };
  for (const auto& c : cases) EXPECT_EQ(tree.GetItemPath(c.item), c.path);
  (void)slash;
}

TEST_F(FolderTree, CheckingAFolderMarksItsSubtreeAndRecordsAndBoldsEveryAncestor) {
  FolderRecord* a = Folder(u"A", 10, 5);
  FolderRecord* c = Folder(u"C", 20, 10);
  FolderRecord* cc = Folder(u"CC", 30, 20);
  FolderRecord* d = Folder(u"D", 21, 10);
  FolderRecord* b = Folder(u"B", 11, 5);
  Fill();
  tree.SetMarksOnly(1);  // as the results page leaves it between toggles
  tree.ToggleCheck(ItemOf(c));

  EXPECT_EQ(Mark(ItemOf(c)) + Mark(ItemOf(cc)) + Mark(ItemOf(d)) + Mark(ItemOf(b)), "CCuu");
  EXPECT_EQ(Mark(ItemOf(a)) + Mark(tree.RootItem()), "CC");
  EXPECT_EQ(std::string() + char(c->selected) + char(cc->selected) + char(d->selected) +
                char(a->selected),
            "yynn");  // ancestors change marks only
  EXPECT_EQ(TakeChangedFolderIds(), (std::vector<uint32_t>{20, 30}));
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"select " + std::to_string(ItemOf(c)) + " 0",
                                                   "checkrows " + std::to_string(ItemOf(c)) + " 20"}));
  EXPECT_EQ(tree.MarksOnly(), 1);

  // Unchecking the only checked folder of A leaves A and the root unchecked and not bold.
  hooks.calls.clear();
  tree.ToggleCheck(ItemOf(c));
  EXPECT_EQ(Mark(ItemOf(c)) + Mark(ItemOf(cc)) + Mark(ItemOf(a)) + Mark(tree.RootItem()), "uuuu");
  EXPECT_EQ(std::string() + char(c->selected) + char(cc->selected), "nn");
  EXPECT_EQ(TakeChangedFolderIds(), (std::vector<uint32_t>{20, 30}));
  EXPECT_EQ(hooks.calls.front(), "deselect " + std::to_string(ItemOf(c)) + " 0");
}

TEST_F(FolderTree, AParentFollowsItsChildrenAfterEachToggle) {
  FolderRecord* a = Folder(u"A", 10, 5);
  FolderRecord* c = Folder(u"C", 20, 10);
  FolderRecord* d = Folder(u"D", 21, 10);
  Fill();
  // Toggles in order, and the marks of C, D, A and the root after each.
  const struct {
    FolderRecord* toggled;
    const char* marks;
  } steps[] = {
      {c, "CuCC"},  // one bold child makes the parent checked and bold
      {d, "CCCC"},
      {c, "uCCC"},  // D is still bold below A
      {d, "uuuu"},  // nothing left: A and the root end unchecked
  };
  for (const auto& step : steps) {
    tree.ToggleCheck(ItemOf(step.toggled));
    EXPECT_EQ(Mark(ItemOf(c)) + Mark(ItemOf(d)) + Mark(ItemOf(a)) + Mark(tree.RootItem()),
              step.marks);
  }
}

TEST_F(FolderTree, CheckingTheRootSelectsEverythingThroughThePage) {
  FolderRecord* a = Folder(u"A", 10, 5);
  FolderRecord* c = Folder(u"C", 20, 10);
  Fill();
  tree.ToggleCheck(tree.RootItem());
  EXPECT_EQ(Mark(tree.RootItem()) + Mark(ItemOf(a)) + Mark(ItemOf(c)), "CCC");
  // The root's record-marking goes through the page; the subtree then changes marks only.
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"select " + std::to_string(tree.RootItem()) + " 5",
                                                   "checkrows " + std::to_string(tree.RootItem()) + " 5"}));
  EXPECT_TRUE(TakeChangedFolderIds().empty());
  EXPECT_EQ(a->selected, 'n');
}

TEST_F(FolderTree, MarksOnlyLeavesRecordsAlone) {
  FolderRecord* a = Folder(u"A", 10, 5);
  Fill();
  tree.SetMarksOnly(1);
  tree.SetItemChecked(ItemOf(a));
  EXPECT_EQ(Mark(ItemOf(a)), "C");
  EXPECT_EQ(a->selected, 'n');
  tree.SetMarksOnly(0);
  tree.SetItemUnchecked(ItemOf(a));
  tree.SetItemChecked(ItemOf(a));
  EXPECT_EQ(a->selected, 'y');
  EXPECT_EQ(TakeChangedFolderIds(), (std::vector<uint32_t>{10, 10}));
}

// root (checked) -> A (checked) -> A1 (unchecked) -> A1x (checked); B (unchecked) -> B1 (checked)
class SelectionModes : public FolderTree {
 protected:
  void SetUp() override {
    FolderTree::SetUp();
    a = Folder(u"A", 10, 5);
    a1 = Folder(u"A1", 11, 10);
    a1x = Folder(u"A1x", 12, 11);
    b = Folder(u"B", 20, 5);
    b1 = Folder(u"B1", 21, 20);
    Folder(u"Lost", kLostFolderId, 5);
    Fill();
    tree.SetMarksOnly(1);
    for (const FolderRecord* f : {a, a1x, b1}) tree.SetItemChecked(ItemOf(f));
    tree.SetItemChecked(tree.RootItem());
  }
  std::vector<uint32_t> Ids(const FolderWalk& walk) {
    std::vector<uint32_t> ids;
    for (const auto& f : walk.folders) ids.push_back(f.folderId);
    return ids;
  }
  FolderRecord *a, *a1, *a1x, *b, *b1;
};

TEST_F(SelectionModes, TheWalkTakesTheFoldersOfEachMode) {
  EXPECT_EQ(Ids(tree.TakeFolderWalk(0)), (std::vector<uint32_t>{5, 10}));
  // "Lost" holds the files whose folder was lost: it is walked like any other folder.
  EXPECT_EQ(Ids(tree.TakeFolderWalk(2)), (std::vector<uint32_t>{5, 11, 20, kLostFolderId}));
  EXPECT_EQ(Ids(tree.TakeFolderWalk(1)),
            (std::vector<uint32_t>{5, 10, 11, 12, 20, 21, kLostFolderId}));
  tree.SetItemUnchecked(tree.RootItem());
  EXPECT_TRUE(tree.TakeFolderWalk(0).folders.empty());
}

TEST_F(SelectionModes, SizesCountTheFilesOfTheWalkBySelection) {
  File(5, 1, true);
  File(10, 10, true);
  File(10, 100, false);
  File(11, 1000, false);
  File(12, 10000, true);
  File(kLostFolderId, 100000, true);
  const struct {
    int32_t mode;
    int32_t files;
    uint64_t bytes;
  } cases[] = {{0, 2, 11}, {2, 1, 1000}, {1, 6, 111111}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    const SizeTotals totals = SizeWalk(tree.TakeFolderWalk(c.mode), {});
    EXPECT_EQ(totals.fileCount, c.files);
    EXPECT_EQ(totals.byteTotal, c.bytes);
  }
  // The saving settings' admission decides after the selection.
  const SizeTotals big = SizeWalk(tree.TakeFolderWalk(1), [](const FileRecord& f) {
    return f.size >= 100;
  });
  EXPECT_EQ(big.fileCount, 4);
}

TEST_F(SelectionModes, TargetPathsAreSafeNamesPerLevel) {
  tree.SetText(ItemOf(a1), "..");
  tree.SetText(ItemOf(a1x), "x/y");
  const FolderWalk walk = tree.TakeFolderWalk(1);
  ASSERT_EQ(walk.folders.size(), 7u);
  EXPECT_TRUE(walk.folders[0].targetPath.empty());
  EXPECT_EQ(walk.folders[3].targetPath, (std::vector<std::string>{"A", "__", "x_y"}));
}

TEST(SizeTotalText, UnitsSwitchAboveEachPower) {
  EXPECT_EQ(SizeTotalText(0), "0.000 MB size");
  EXPECT_EQ(SizeTotalText(uint64_t{1} << 30), "1024.000 MB size");
  EXPECT_EQ(SizeTotalText((uint64_t{1} << 30) + (uint64_t{1} << 29)), "1.500 GB size");
  EXPECT_EQ(SizeTotalText(uint64_t{1} << 40), "1024.000 GB size");
  EXPECT_EQ(SizeTotalText(uint64_t{3} << 40), "3.000 TB size");
}

TEST_F(FolderTree, ClicksByModeAndPart) {
  FolderRecord* a = Folder(u"A", 10, 5);
  Fill();
  const std::string item = std::to_string(ItemOf(a));

  hooks.blocked = true;
  tree.Click(ItemOf(a), FolderTreeModel::ClickPart::Label);
  EXPECT_EQ(tree.ClickedItem(), kNoItem);
  EXPECT_TRUE(hooks.calls.empty());

  hooks.blocked = false;
  tree.Click(ItemOf(a), FolderTreeModel::ClickPart::Button);
  EXPECT_EQ(tree.ClickedItem(), ItemOf(a));
  EXPECT_TRUE(hooks.calls.empty());  // the expand button only opens the folder

  tree.Click(ItemOf(a), FolderTreeModel::ClickPart::Label);
  tree.Click(ItemOf(a), FolderTreeModel::ClickPart::Label);  // already shown: nothing new
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"show " + item + " 10"}));

  tree.Click(ItemOf(a), FolderTreeModel::ClickPart::StateIcon);
  EXPECT_EQ(tree.GetCheckState(ItemOf(a)), 1);

  tree.SetSelectedItem(ItemOf(a));
  EXPECT_TRUE(tree.SpaceKey());
  EXPECT_EQ(tree.GetCheckState(ItemOf(a)), 0);
}

TEST_F(FolderTree, SourceTreeRootsClicksAndKeys) {
  g_SourceDriveLetter = 'C';
  tree.InitRoots(1, 1, "");
  EXPECT_EQ(tree.Text(tree.ThisPcItem()), "This PC");
  EXPECT_EQ(Children(tree.ThisPcItem()),
            (std::vector<std::string>{"Physical Disks", "Logical Drives", "Disk Image"}));
  EXPECT_TRUE(tree.IsBold(tree.RootItem()));
  EXPECT_EQ(tree.GetCheckState(tree.RootItem()), -1);
  const TreeItem disk = tree.AddDiskNode("Disk0", 1);
  EXPECT_EQ(tree.AddDiskNode("ignored", 0), disk);
  EXPECT_EQ(Children(tree.RootItem()), std::vector<std::string>{"Disk0"});

  const TreeItem partition = tree.InsertItem(disk, "Partition - 1 ( FAT32 )", kImageDisk);
  tree.Click(disk, FolderTreeModel::ClickPart::Label);
  EXPECT_EQ(tree.ClickedPath(), "Disk0");  // the path below "Physical Disks"
  EXPECT_EQ(hooks.calls.back(), "source " + std::to_string(disk));
  // A click selects the node and opens it; a second click leaves it open.
  EXPECT_EQ(tree.SelectedItem(), disk);
  EXPECT_TRUE(tree.IsExpanded(disk));
  tree.Click(disk, FolderTreeModel::ClickPart::Label);
  EXPECT_TRUE(tree.IsExpanded(disk));
  tree.Click(partition, FolderTreeModel::ClickPart::Label);
  EXPECT_EQ(tree.SelectedItem(), partition);
  // The expander chooses nothing, "Disk Image"'s neither.
  const size_t calls = hooks.calls.size();
  tree.Click(tree.DiskImageGroupItem(), FolderTreeModel::ClickPart::Button);
  tree.Click(disk, FolderTreeModel::ClickPart::Button);
  EXPECT_EQ(hooks.calls.size(), calls);
  EXPECT_EQ(tree.SelectedItem(), partition);

  tree.Click(tree.LogicalDrivesItem(), FolderTreeModel::ClickPart::Label);
  EXPECT_EQ(tree.ClickedPath(), "Logical Drive");  // "This PC\" and the last character go
  EXPECT_FALSE(tree.SpaceKey());
  tree.NavigateKey(disk);
  EXPECT_EQ(hooks.calls.back(), "navigate " + std::to_string(disk));

  tree.InitRoots(1, 4, "");
  EXPECT_EQ(Children(tree.ThisPcItem()), (std::vector<std::string>{"Physical Disks", "Logical Drives"}));
}

TEST_F(FolderTree, ImagingAndFoundFileSystemRoots) {
  g_SourceDriveLetter = 0;
  g_SourceNodeText = "Partition - 2 ( NTFS )";
  tree.InitRoots(4, 5, "Disk1");
  EXPECT_EQ(tree.Text(tree.RootItem()), "Disk1");
  EXPECT_EQ(Children(tree.RootItem()), std::vector<std::string>{"Partition - 2 ( NTFS )"});
  g_SourceDriveLetter = 'D';
  tree.InitRoots(4, 5, "Data (D:)");
  EXPECT_TRUE(Children(tree.RootItem()).empty());

  tree.InitRoots(5, 3, "");
  EXPECT_EQ(tree.Text(tree.RootItem()), "File System");
  const TreeItem fs = tree.InsertItem(tree.RootItem(), "NTFS 1", kImageSingleDisk);
  tree.Click(fs, FolderTreeModel::ClickPart::Label);
  EXPECT_EQ(g_SourceNodeText, "NTFS 1");
  EXPECT_EQ(hooks.calls.back(), "fsinfo NTFS 1");
}

TEST_F(FolderTree, RenameWritesTheRecordOrRestoresTheOldName) {
  g_FileSystemName = FileSystemKind::Fat32;
  FolderRecord* fat = AddFolderRecord({.ansiName = "OLD", .parentId = 0, .id = 3});
  FolderRecord* wide = AddFolderRecord({.wideName = u"Wide", .parentId = 0, .id = 4});
  Fill();
  tree.RenameItem(ItemOf(fat), "Café €");
  EXPECT_EQ(fat->ansiName.View(), "Caf\x82 ?");  // code page 437; what it lacks becomes "?"
  tree.RenameItem(ItemOf(wide), "Neu ü");
  EXPECT_EQ(Utf16ToUtf8(wide->wideName.View()), "Neu ü");
  EXPECT_EQ(tree.Text(ItemOf(wide)), "Neu ü");
  tree.RenameItem(ItemOf(wide), "");
  EXPECT_EQ(tree.Text(ItemOf(wide)), "Neu ü");
  EXPECT_EQ(hooks.calls.back(), "rename " + std::to_string(ItemOf(wide)) + " Neu ü");
}

TEST_F(FolderTree, ChangedIdsAreTakenOnce) {
  AppendChangedFolderId(7);
  AppendChangedFolderId(9);
  EXPECT_EQ(TakeChangedFolderIds(), (std::vector<uint32_t>{7, 9}));
  EXPECT_TRUE(TakeChangedFolderIds().empty());
}

}  // namespace
