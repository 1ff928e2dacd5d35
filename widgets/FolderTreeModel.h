// The one tree of the program in its five modes (g_TreeMode: 1 sources, 2 results, 3 analysis,
// 4 disk imaging, 5 found file systems), without a window: its nodes, their texts, icons, check
// marks and bold, how a check mark spreads to the subtree, the parents and the folder records,
// the fill of the results tree from the folder list, item paths, and the snapshot of checked
// folders the size evaluation and the copy walk take. CFolderTreeCtrl (widgets/wx/) shows it.
//
// The model holds every node; a view need only show the ones the user opened, so a results tree
// of hundreds of thousands of folders costs no window work until it is expanded. The model
// belongs to the UI thread: the workers get snapshots (TakeFolderWalk), never the model.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/records/ResultRecords.h"
#include "saving/copywalk/FolderWalk.h"
#include "storage/partitions/PartitionEnum.h"
#include "widgets/FolderTreeHooks.h"
#include "widgets/FolderTreeItem.h"

// Told of every change a view must show.
class FolderTreeObserver {
 public:
  virtual ~FolderTreeObserver() = default;
  virtual void OnItemInserted(TreeItem item) = 0;     // a new node in its parent's child order
  virtual void OnItemChanged(TreeItem item) = 0;      // text, state image or bold changed
  virtual void OnChildrenReplaced(TreeItem parent) = 0;  // the fill gave parent a new subtree
  virtual void OnItemExpanded(TreeItem item) = 0;     // the model asks for item to be open
  virtual void OnToggleExpansion(TreeItem item) = 0;  // a click opens or closes item
  virtual void OnItemSelected(TreeItem item) = 0;     // focus the tree and select item
  virtual void OnCleared() = 0;                       // every node removed
};

// Images of the nodes, per mode: in the source tree 0 is the computer and 1 a disk; in the
// results tree 0 the computer and 1 a folder; in the imaging and found-file-systems trees 0 is a
// disk.
inline constexpr int kImageComputer = 0;
inline constexpr int kImageDisk = 1;
inline constexpr int kImageFolder = 1;
inline constexpr int kImageSingleDisk = 0;

// State images of the results tree's check boxes.
inline constexpr uint8_t kStateNone = 0;
inline constexpr uint8_t kStateUnchecked = 1;
inline constexpr uint8_t kStateChecked = 2;

class FolderTreeModel : private PartitionNodeSink {
 public:
  FolderTreeModel() = default;
  FolderTreeModel(const FolderTreeModel&) = delete;
  FolderTreeModel& operator=(const FolderTreeModel&) = delete;

  void SetObserver(FolderTreeObserver* observer) { m_Observer = observer; }
  void SetHooks(FolderTreeHooks* hooks) { m_Hooks = hooks ? hooks : &m_NoHooks; }

  // --- Nodes -------------------------------------------------------------------------------
  TreeItem InsertItem(TreeItem parent, const std::string& text, int image, bool sorted = false);
  void Clear();
  size_t ItemCount() const { return m_Nodes.size(); }
  bool IsValid(TreeItem item) const { return item != kNoItem && item <= m_Nodes.size(); }
  TreeItem Parent(TreeItem item) const { return Node(item).parent; }
  TreeItem FirstChild(TreeItem item) const { return Node(item).firstChild; }
  TreeItem NextSibling(TreeItem item) const { return Node(item).nextSibling; }
  TreeItem PrevSibling(TreeItem item) const { return Node(item).prevSibling; }
  bool HasChildren(TreeItem item) const { return Node(item).firstChild != kNoItem; }
  const std::string& Text(TreeItem item) const { return Node(item).text; }
  void SetText(TreeItem item, const std::string& text);
  int Image(TreeItem item) const { return Node(item).image; }
  uint8_t StateImage(TreeItem item) const { return Node(item).state; }
  bool IsBold(TreeItem item) const { return Node(item).bold; }
  void SetBold(TreeItem item, bool bold);
  bool IsExpanded(TreeItem item) const { return Node(item).expanded; }
  // The view reports what the user opened and closed; Expand also asks the view to open it.
  void SetExpanded(TreeItem item, bool expanded) { Node(item).expanded = expanded; }
  void Expand(TreeItem item);
  const FolderRecord* FolderOf(TreeItem item) const { return Node(item).folder; }

  // --- Roots of each mode ------------------------------------------------------------------
  // Clears the tree and adds the roots of mode: 1 "This PC" with "Physical Disks", "Logical
  // Drives" and (unless recoveryMode is 4 or 5) "Disk Image"; 2 "This PC" with check boxes;
  // 4 sourceName, with the chosen partition's text below it for a disk; 5 "File System".
  void InitRoots(int mode, int recoveryMode, const std::string& sourceName);
  int Mode() const { return m_Mode; }
  TreeItem ThisPcItem() const { return m_ThisPcItem; }
  TreeItem RootItem() const { return m_RootItem; }
  TreeItem LogicalDrivesItem() const { return m_LogicalDrivesItem; }
  TreeItem DiskImageGroupItem() const { return m_DiskImageGroupItem; }
  TreeItem DiskItem() const { return m_DiskItem; }
  TreeItem ImageItem() const { return m_ImageItem; }

  // Source tree: a disk below "Physical Disks" (only when flag is 1), and a disk image below
  // "Disk Image"; each becomes the node that partitions are added to.
  TreeItem AddDiskNode(const std::string& text, int flag);
  TreeItem AddImageNode(const std::string& text);
  TreeItem InsertFolderNode(TreeItem parent, const std::string& text) {
    return InsertItem(parent, text, kImageFolder, true);
  }
  // The partitions of disk into g_DiskPartitions, with a node each below the current disk (or
  // disk-image) node when addNodes is set. deviceSectors: the disk's length, 0 when unknown.
  int EnumDiskPartitions(int disk, uint32_t sector, bool addNodes, uint64_t deviceSectors = 0);

  // --- Results tree --------------------------------------------------------------------------
  // Adds below parent the folders of the chosen file system whose parent id is parentId, and
  // theirs, and so on; sets each record's treeItem. A folder that is its own parent, or whose id
  // is already on the path to it, gets a node but is not entered; a record never gets two nodes.
  void FillFolderTree(TreeItem parent, uint32_t parentId);
  // The two halves of the fill, for a page that builds a large tree on its tree-fill worker:
  // BuildFolderTree touches only the model and the records (no view is told, no page is called
  // but ReportFillProgress), so it may run on that worker while the UI thread leaves the model
  // alone; ShowFilledTree then tells the view, on the UI thread.
  void BuildFolderTree(TreeItem parent, uint32_t parentId);
  void ShowFilledTree(TreeItem parent);
  int FillCount() const { return m_FillCount; }

  // -1 without a check box, 0 unchecked, 1 checked.
  int GetCheckState(TreeItem item) const { return static_cast<int>(Node(item).state) - 1; }
  void SetItemChecked(TreeItem item);
  void SetItemUnchecked(TreeItem item);
  void CheckSubtree(TreeItem item);
  void UncheckSubtree(TreeItem item);
  void UpdateParentsAfterCheck(TreeItem item);
  void UpdateParentsAfterUncheck(TreeItem item);
  bool HasBoldChild(TreeItem item) const;
  bool AllChildrenChecked(TreeItem item) const;
  void OnFolderChecked(TreeItem item);
  void OnFolderUnchecked(TreeItem item);
  void CheckFolderRows(TreeItem item) { MarkFolderRows(item, true); }
  void UncheckFolderRows(TreeItem item) { MarkFolderRows(item, false); }
  // A click on item's check box, or Space on it: the item and its subtree change together, then
  // the parents follow.
  void ToggleCheck(TreeItem item);
  int MarksOnly() const { return m_MarksOnly; }
  void SetMarksOnly(int marksOnly) { m_MarksOnly = marksOnly; }

  // The results list shows item's folder; nothing when it already does.
  void ShowFolder(TreeItem item);
  TreeItem ShownItem() const { return m_ShownItem; }

  // The user renamed item to text: the folder record takes the name, an empty text puts the
  // current name back, and the list's row follows.
  void RenameItem(TreeItem item, const std::string& text);

  // The snapshot the size evaluation and the copy walk work on (selection mode of the saving
  // settings): the root, then every folder that passes the selection below it, depth first.
  FolderWalk TakeFolderWalk(int32_t selectionMode) const;

  // --- Paths and clicks ---------------------------------------------------------------------
  // The item's path below the root item, levels joined by "\"; empty for the root.
  std::string GetItemPath(TreeItem item) const;
  // What a click on item stores: the item and its path, without a leading "This PC\" and its
  // last character when the path starts with "This PC".
  void SetClickedItem(TreeItem item);
  TreeItem ClickedItem() const { return m_ClickedItem; }
  const std::string& ClickedPath() const { return m_ClickedPath; }
  // A left click on item after the hit test, in the order the tree has always taken it: dropped
  // while a worker runs; else the item and path are stored; on the check box the toggle and
  // nothing more; on the expand button the expansion toggles and nothing more. On the label: in
  // the source tree the source selection and the partition step, then the chosen node is
  // selected and the clicked one expanded; in the other trees the expansion toggles, then the
  // partition step, the found file system's panel, or the results list's folder, and the item
  // is selected. Selecting focuses the tree.
  enum class ClickPart { Label, StateIcon, Button };
  void Click(TreeItem item, ClickPart part);
  // Space on the selected item: the toggle in the results tree (true: the key is used up).
  bool SpaceKey();
  // Up or Down moved the selection to item (source tree: the page's navigation).
  void NavigateKey(TreeItem item);
  void SetSelectedItem(TreeItem item) { m_SelectedItem = item; }
  // Asks the view to focus the tree and select item.
  void Select(TreeItem item);
  // Source tree: nothing is chosen any more (the page dropped the choice).
  void ForgetChosenItem() { m_ChosenItem = kNoItem; }
  TreeItem SelectedItem() const { return m_SelectedItem; }

  // The folder id of the root item for the current file system: 0 for FAT, 5 for NTFS; false
  // for any other.
  static bool RootFolderId(uint32_t& id);

 private:
  struct TreeNode {
    std::string text;
    FolderRecord* folder = nullptr;
    TreeItem parent = kNoItem;
    TreeItem firstChild = kNoItem;
    TreeItem lastChild = kNoItem;
    TreeItem nextSibling = kNoItem;
    TreeItem prevSibling = kNoItem;
    int image = 0;
    uint8_t state = kStateNone;
    bool bold = false;
    bool expanded = false;
  };

  TreeNode& Node(TreeItem item) { return m_Nodes[item - 1]; }
  const TreeNode& Node(TreeItem item) const { return m_Nodes[item - 1]; }
  TreeItem NewNode(TreeItem parent, const std::string& text, int image);
  void LinkLast(TreeItem parent, TreeItem item);
  void LinkSorted(TreeItem parent, TreeItem item);
  void SetState(TreeItem item, uint8_t state, bool bold);
  // Every node below item, depth first, in child order.
  template <class F>
  void ForEachBelow(TreeItem item, F&& fn);
  void SourceClick(TreeItem item);
  void MarkFolder(TreeItem item, uint8_t selected, bool checked);
  void MarkFolderRows(TreeItem item, bool checked);
  uintptr_t AddPartitionNode(const std::string& text) override;
  void Notify(TreeItem item) {
    if (m_Observer) m_Observer->OnItemChanged(item);
  }

  std::vector<TreeNode> m_Nodes;
  FolderTreeObserver* m_Observer = nullptr;
  FolderTreeHooks m_NoHooks;
  FolderTreeHooks* m_Hooks = &m_NoHooks;
  int m_Mode = 0;
  int m_MarksOnly = 0;
  int m_FillCount = 0;
  TreeItem m_ThisPcItem = kNoItem;
  TreeItem m_RootItem = kNoItem;
  TreeItem m_LogicalDrivesItem = kNoItem;
  TreeItem m_DiskImageGroupItem = kNoItem;
  TreeItem m_DiskItem = kNoItem;
  TreeItem m_ImageItem = kNoItem;
  TreeItem m_ClickedItem = kNoItem;
  TreeItem m_ShownItem = kNoItem;
  TreeItem m_SelectedItem = kNoItem;
  TreeItem m_ChosenItem = kNoItem;  // source tree: the node the last click or arrow key chose
  std::string m_ClickedPath;
};
