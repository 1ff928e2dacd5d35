// The tree control on a display in each mode: its roots and node texts, the check boxes of the
// results tree clicked through the control, and a results tree of 200,000 folders that opens at
// once and fills each level only when it is expanded. Screenshots of modes 1 and 2.
#include <gtest/gtest.h>
#include <wx/frame.h>

#include <string>
#include <vector>

#include "GuiTestUtil.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "platform/ByteOrder.h"
#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "storage/partitions/DiskPartitions.h"
#include "widgets/wx/FolderTreeCtrl.h"

namespace {

class TreeFrame {
 public:
  explicit TreeFrame(int mode) {
    ResetProgramState();
    g_TreeMode = mode;
    m_Frame = new wxFrame(nullptr, wxID_ANY, "tree", wxPoint(40, 40), wxSize(420, 520));
    m_Tree = new CFolderTreeCtrl(m_Frame, wxID_ANY);
    m_Frame->Show();
    guitest::Pump();
  }
  ~TreeFrame() {
    m_Frame->Destroy();
    guitest::Pump(3);
    ClearDeviceMappings();
    ResetProgramState();
  }
  CFolderTreeCtrl* tree() const { return m_Tree; }

 private:
  wxFrame* m_Frame;
  CFolderTreeCtrl* m_Tree;
};

// The texts of the window items below id that are shown (expanded parents only), indented.
void Shown(wxTreeCtrl* tree, const wxTreeItemId& id, int depth, std::vector<std::string>& out) {
  out.push_back(std::string(2 * depth, ' ') + tree->GetItemText(id).utf8_string());
  if (!tree->IsExpanded(id)) return;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId c = tree->GetFirstChild(id, cookie); c.IsOk(); c = tree->GetNextChild(id, cookie))
    Shown(tree, c, depth + 1, out);
}

std::vector<std::string> ShownTree(wxTreeCtrl* tree) {
  std::vector<std::string> out;
  if (tree->GetRootItem().IsOk()) Shown(tree, tree->GetRootItem(), 0, out);
  return out;
}

// A click through the control's own mouse handler, on the part of the row that hit-tests as part.
void ClickOn(CFolderTreeCtrl* tree, const wxTreeItemId& id, int part) {
  wxRect rect;
  ASSERT_TRUE(tree->GetBoundingRect(id, rect, true));
  const int y = rect.y + rect.height / 2;
  for (int x = 0; x < rect.GetRight(); ++x) {
    int flags = 0;
    if (tree->HitTest(wxPoint(x, y), flags) == id && (flags & part)) {
      wxMouseEvent down(wxEVT_LEFT_DOWN);
      down.SetPosition(wxPoint(x, y));
      down.SetEventObject(tree);
      tree->GetEventHandler()->ProcessEvent(down);
      guitest::Pump(3);
      return;
    }
  }
  FAIL() << "no point of the row hit-tests as part " << part;
}

// A disk with an MBR: a FAT32 primary and an NTFS logical partition.
std::shared_ptr<MemoryDisk> PartitionedDisk() {
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.assign(4096 * 512, std::byte{0});
  auto sector = [&](uint64_t s) { return std::span(disk->bytes).subspan(s * 512, 512); };
  auto slot = [&](uint64_t s, int k, uint8_t type, uint32_t first, uint32_t count) {
    auto b = sector(s);
    b[446 + 16 * k + 4] = std::byte{type};
    bo::StoreLe<uint32_t>(b, 446 + 16 * k + 8, first);
    bo::StoreLe<uint32_t>(b, 446 + 16 * k + 12, count);
    b[510] = std::byte{0x55};
    b[511] = std::byte{0xAA};
  };
  slot(0, 0, 0x0C, 63, 1000);
  slot(0, 1, 0x05, 2000, 2000);
  slot(2000, 0, 0x07, 63, 500);
  return disk;
}

TEST(FolderTreeCtrl, SourceTreeListsGroupsDisksAndPartitions) {
  TreeFrame frame(1);
  CFolderTreeCtrl* tree = frame.tree();
  auto disk = PartitionedDisk();
  MapDeviceToFactory("\\\\.\\PhysicalDrive0",
                     [disk](DeviceAccess) { return std::make_unique<MemoryDevice>(disk); });
  tree->InitRoots();
  const TreeItem disk0 = tree->AddDiskNode("Disk0", 1);
  EXPECT_EQ(tree->EnumDiskPartitions(0, 0, true, 4096), 1);
  tree->Model().Expand(tree->Model().RootItem());
  tree->Model().Expand(disk0);
  guitest::Pump();
  EXPECT_EQ(ShownTree(tree), (std::vector<std::string>{
                                 "This PC", "  Physical Disks", "    Disk0",
                                 "      Partition - 1 ( FAT32 )", "      Partition - 2 ( NTFS )",
                                 "  Logical Drives", "  Disk Image"}));
  EXPECT_TRUE(tree->IsBold(tree->ShowItem(tree->Model().RootItem())));
  const uintptr_t second = g_DiskPartitions[0].entries[1].treeItem;
  EXPECT_EQ(tree->GetItemText(tree->ShowItem(second)), "Partition - 2 ( NTFS )");
  guitest::SaveScreenshot("folder-tree-mode1");
}

TEST(FolderTreeCtrl, ImagingAndFoundFileSystemRoots) {
  {
    TreeFrame frame(4);
    g_SourceNodeText = "Partition - 1 ( FAT32 )";
    frame.tree()->InitRoots("Disk0");
    guitest::Pump(3);
    EXPECT_EQ(ShownTree(frame.tree()),
              (std::vector<std::string>{"Disk0", "  Partition - 1 ( FAT32 )"}));
  }
  {
    TreeFrame frame(5);
    frame.tree()->InitRoots();
    guitest::Pump(3);
    EXPECT_EQ(ShownTree(frame.tree()), std::vector<std::string>{"File System"});
  }
}

TEST(FolderTreeCtrl, ResultsTreeChecksThroughItsCheckBoxes) {
  TreeFrame frame(2);
  CFolderTreeCtrl* tree = frame.tree();
  g_FileSystemName = FileSystemKind::Ntfs;
  FolderRecord* docs = AddFolderRecord({.wideName = u"Documents", .parentId = 5, .id = 40});
  FolderRecord* reports = AddFolderRecord({.wideName = u"Reports", .parentId = 40, .id = 41});
  AddFolderRecord({.wideName = u"2023", .parentId = 41, .id = 42});
  AddFolderRecord({.wideName = u"Pictures", .parentId = 5, .id = 43});
  AddFolderRecord({.wideName = u"Music", .parentId = 5, .id = 44});
  tree->InitRoots();
  tree->FillFolderTree(tree->Model().RootItem(), 5);
  tree->Model().Expand(docs->treeItem);
  guitest::Pump();
  EXPECT_EQ(ShownTree(tree), (std::vector<std::string>{"This PC", "  Documents", "    Reports",
                                                       "  Music", "  Pictures"}));

  ClickOn(tree, tree->ShowItem(reports->treeItem), wxTREE_HITTEST_ONITEMSTATEICON);
  EXPECT_EQ(reports->selected, 'y');
  for (TreeItem item : {reports->treeItem, docs->treeItem, tree->Model().RootItem()}) {
    EXPECT_EQ(tree->GetItemState(tree->ShowItem(item)), 1) << tree->Model().Text(item);
    EXPECT_TRUE(tree->IsBold(tree->ShowItem(item))) << tree->Model().Text(item);
  }
  // The subtree below Reports was checked although it was never opened; opening shows it.
  tree->Model().Expand(reports->treeItem);
  guitest::Pump();
  const wxTreeItemId year = tree->ShowItem(tree->Model().FirstChild(reports->treeItem));
  EXPECT_EQ(tree->GetItemState(year), 1);

  // A click on the label shows the folder and selects it; Space toggles it back.
  ClickOn(tree, tree->ShowItem(docs->treeItem), wxTREE_HITTEST_ONITEMLABEL);
  EXPECT_EQ(tree->Model().ShownItem(), docs->treeItem);
  wxKeyEvent space(wxEVT_KEY_DOWN);
  space.m_keyCode = WXK_SPACE;
  tree->GetEventHandler()->ProcessEvent(space);
  guitest::Pump();
  EXPECT_EQ(tree->GetItemState(tree->ShowItem(docs->treeItem)), 0);
  EXPECT_EQ(reports->selected, 'n');
  tree->Model().ToggleCheck(reports->treeItem);
  guitest::Pump();
  guitest::SaveScreenshot("folder-tree-mode2");
}

TEST(FolderTreeCtrl, TwoHundredThousandFoldersOpenWithoutMakingTheirItems) {
  TreeFrame frame(2);
  CFolderTreeCtrl* tree = frame.tree();
  g_FileSystemName = FileSystemKind::Ntfs;
  // Four levels: 20 x 20 x 20 x 25 = 200,000 folders at the last level.
  uint32_t next = 100;
  std::vector<uint32_t> level{5};
  const int fanout[] = {20, 20, 20, 25};
  std::u16string name;
  uint32_t deepest = 0;
  for (int width : fanout) {
    std::vector<uint32_t> below;
    for (uint32_t parent : level)
      for (int i = 0; i < width; ++i) {
        name = u"Folder " + std::u16string(1, char16_t(u'A' + i % 26));
        AddFolderRecord({.wideName = name, .parentId = parent, .id = next});
        below.push_back(deepest = next++);
      }
    level = std::move(below);
  }
  tree->InitRoots();
  tree->FillFolderTree(tree->Model().RootItem(), 5);
  guitest::Pump();
  EXPECT_EQ(tree->Model().FillCount(), 20 + 400 + 8000 + 200000);
  EXPECT_LT(tree->WindowItemCount(), 100u);  // the root's children and their placeholders

  const FolderRecord* last = FindFolderRecord(deepest, 0);
  ASSERT_NE(last, nullptr);
  const wxTreeItemId id = tree->ShowItem(last->treeItem);
  ASSERT_TRUE(id.IsOk());
  tree->EnsureVisible(id);
  tree->SelectItem(id);
  guitest::Pump();
  EXPECT_EQ(tree->GetItemText(id), "Folder Y");
  EXPECT_LT(tree->WindowItemCount(), 200u);
  EXPECT_EQ(tree->GetItemPath(last->treeItem).size(), std::string("Folder T\\Folder T\\Folder T\\Folder Y").size());
}

}  // namespace
