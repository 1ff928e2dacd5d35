#include "widgets/FolderTreeModel.h"

#include <algorithm>
#include <cctype>

#include "engine/records/ChangedFolderIds.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "saving/extract/TargetFiles.h"
#include "storage/SourceGlobals.h"

namespace {

// Folder names of 8-bit records are shown in at most 99 units, as the tree always cut them.
constexpr size_t kMaxAnsiNameUnits = 99;
// A renamed 8-bit name is stored in at most 200 bytes.
constexpr size_t kMaxAnsiNameBytes = 200;

std::string FolderDisplayName(const FolderRecord& f) {
  if (f.ansiName.IsSet()) {
    std::u16string wide = FatShortNameToUtf16(f.ansiName.View());
    if (wide.size() > kMaxAnsiNameUnits) wide.resize(kMaxAnsiNameUnits);
    return Utf16ToUtf8(wide);
  }
  return Utf16ToUtf8(f.wideName.View());
}

// The order of sorted children: by text, ignoring the case of ASCII letters.
bool TextBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

bool IsChosen(const FolderRecord* f) {
  return f && f->partition == g_ScanState.chosenFileSystem.load();
}

}  // namespace

bool FolderTreeModel::RootFolderId(uint32_t& id) {
  if (IsFatKind(g_FileSystemName)) {
    id = 0;
    return true;
  }
  if (g_FileSystemName == FileSystemKind::Ntfs) {
    id = kNtfsRootId;
    return true;
  }
  return false;
}

// --- Nodes -----------------------------------------------------------------------------------

TreeItem FolderTreeModel::NewNode(TreeItem parent, const std::string& text, int image) {
  TreeNode node;
  node.text = text;
  node.parent = parent;
  node.image = image;
  node.state = m_Mode == 2 ? kStateUnchecked : kStateNone;
  m_Nodes.push_back(std::move(node));
  return m_Nodes.size();
}

void FolderTreeModel::LinkLast(TreeItem parent, TreeItem item) {
  if (parent == kNoItem) return;
  TreeNode& p = Node(parent);
  Node(item).prevSibling = p.lastChild;
  if (p.lastChild)
    Node(p.lastChild).nextSibling = item;
  else
    p.firstChild = item;
  p.lastChild = item;
}

void FolderTreeModel::LinkSorted(TreeItem parent, TreeItem item) {
  TreeItem after = Node(parent).lastChild;
  while (after && TextBefore(Node(item).text, Node(after).text)) after = Node(after).prevSibling;
  TreeNode& n = Node(item);
  TreeNode& p = Node(parent);
  n.prevSibling = after;
  n.nextSibling = after ? Node(after).nextSibling : p.firstChild;
  if (after)
    Node(after).nextSibling = item;
  else
    p.firstChild = item;
  if (n.nextSibling)
    Node(n.nextSibling).prevSibling = item;
  else
    p.lastChild = item;
}

TreeItem FolderTreeModel::InsertItem(TreeItem parent, const std::string& text, int image,
                                     bool sorted) {
  if (parent != kNoItem && !IsValid(parent)) return kNoItem;
  const TreeItem item = NewNode(parent, text, image);
  if (parent != kNoItem) {
    if (sorted)
      LinkSorted(parent, item);
    else
      LinkLast(parent, item);
  }
  if (m_Observer) m_Observer->OnItemInserted(item);
  return item;
}

void FolderTreeModel::Clear() {
  m_Nodes.clear();
  m_ThisPcItem = m_RootItem = m_LogicalDrivesItem = m_DiskImageGroupItem = kNoItem;
  m_DiskItem = m_ImageItem = m_ClickedItem = m_ShownItem = m_SelectedItem = m_ChosenItem = kNoItem;
  m_ClickedPath.clear();
  m_FillCount = 0;
  if (m_Observer) m_Observer->OnCleared();
}

void FolderTreeModel::SetText(TreeItem item, const std::string& text) {
  Node(item).text = text;
  Notify(item);
}

void FolderTreeModel::SetBold(TreeItem item, bool bold) {
  if (Node(item).bold == bold) return;
  Node(item).bold = bold;
  Notify(item);
}

void FolderTreeModel::SetState(TreeItem item, uint8_t state, bool bold) {
  TreeNode& n = Node(item);
  if (n.state == state && n.bold == bold) return;
  n.state = state;
  n.bold = bold;
  Notify(item);
}

void FolderTreeModel::Expand(TreeItem item) {
  if (!IsValid(item)) return;
  Node(item).expanded = true;
  if (m_Observer) m_Observer->OnItemExpanded(item);
}

template <class F>
void FolderTreeModel::ForEachBelow(TreeItem item, F&& fn) {
  TreeItem c = Node(item).firstChild;
  while (c != kNoItem) {
    fn(c);
    if (Node(c).firstChild != kNoItem) {
      c = Node(c).firstChild;
      continue;
    }
    while (c != item && Node(c).nextSibling == kNoItem) c = Node(c).parent;
    if (c == item) return;
    c = Node(c).nextSibling;
  }
}

// --- Roots -----------------------------------------------------------------------------------

void FolderTreeModel::InitRoots(int mode, int recoveryMode, const std::string& sourceName) {
  Clear();
  m_Mode = mode;
  m_MarksOnly = 0;
  switch (mode) {
    case 1: {
      m_ThisPcItem = InsertItem(kNoItem, "This PC", kImageComputer);
      m_RootItem = InsertItem(m_ThisPcItem, "Physical Disks", kImageDisk);
      m_LogicalDrivesItem = InsertItem(m_ThisPcItem, "Logical Drives", kImageDisk);
      if (recoveryMode != 4 && recoveryMode != 5)
        m_DiskImageGroupItem = InsertItem(m_ThisPcItem, "Disk Image", kImageDisk);
      for (TreeItem group : {m_RootItem, m_LogicalDrivesItem, m_DiskImageGroupItem})
        if (group) SetBold(group, true);
      Expand(m_ThisPcItem);
      break;
    }
    case 2:
      m_RootItem = InsertItem(kNoItem, "This PC", kImageComputer);
      break;
    case 4:
      m_RootItem = InsertItem(kNoItem, sourceName, kImageSingleDisk);
      if (g_SourceDriveLetter == 0) InsertItem(m_RootItem, g_SourceNodeText, kImageSingleDisk);
      Expand(m_RootItem);
      break;
    case 5:
      m_RootItem = InsertItem(kNoItem, "File System", kImageSingleDisk);
      Expand(m_RootItem);
      break;
    default:
      break;
  }
}

TreeItem FolderTreeModel::AddDiskNode(const std::string& text, int flag) {
  if (flag == 1 && m_RootItem != kNoItem) m_DiskItem = InsertItem(m_RootItem, text, kImageDisk);
  return m_DiskItem;
}

TreeItem FolderTreeModel::AddImageNode(const std::string& text) {
  if (m_DiskImageGroupItem != kNoItem)
    m_ImageItem = InsertItem(m_DiskImageGroupItem, text, kImageDisk);
  return m_ImageItem;
}

uintptr_t FolderTreeModel::AddPartitionNode(const std::string& text) {
  const TreeItem parent = g_DiskImageSource ? m_ImageItem : m_DiskItem;
  return parent != kNoItem ? InsertItem(parent, text, kImageDisk) : kNoItem;
}

int FolderTreeModel::EnumDiskPartitions(int disk, uint32_t sector, bool addNodes,
                                        uint64_t deviceSectors) {
  return ::EnumDiskPartitions(disk, sector, addNodes, this, deviceSectors);
}

// --- Results tree ----------------------------------------------------------------------------

void FolderTreeModel::FillFolderTree(TreeItem parent, uint32_t parentId) {
  BuildFolderTree(parent, parentId);
  ShowFilledTree(parent);
}

void FolderTreeModel::BuildFolderTree(TreeItem parent, uint32_t parentId) {
  const uint32_t total = g_ScanState.folderCount.load();
  if (total == 0 || !IsValid(parent)) return;
  const int32_t chosen = g_ScanState.chosenFileSystem.load();
  m_Nodes.reserve(m_Nodes.size() + total);
  // A record gets one node per fill: treeItem 0 means "not in the tree yet".
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next)
    if (f->partition == chosen) f->treeItem = kNoItem;

  // Depth first without recursion. `path` holds the ids of the folders above the one being
  // filled that have children (a leaf never needs to be on it), `onPath` the same as a set.
  struct Pending {
    TreeItem item;
    uint32_t id;
    size_t depth;  // entries of `path` above this folder
  };
  std::vector<Pending> pending{{parent, parentId, 0}};
  std::vector<uint32_t> path;
  std::unordered_set<uint32_t> onPath;
  std::vector<TreeItem> children;
  int shownPercent = -1;
  while (!pending.empty()) {
    const Pending p = pending.back();
    pending.pop_back();
    while (path.size() > p.depth) {
      onPath.erase(path.back());
      path.pop_back();
    }

    children.clear();
    ForEachChild(g_ScanState.folderList, p.id, [&](FolderRecord& f) {
      if (f.partition != chosen || f.treeItem != kNoItem || f.id == f.parentId) return;
      const TreeItem item = NewNode(p.item, FolderDisplayName(f), kImageFolder);
      Node(item).folder = &f;
      f.treeItem = item;
      children.push_back(item);
    });
    if (children.empty()) continue;
    path.push_back(p.id);
    onPath.insert(p.id);
    std::stable_sort(children.begin(), children.end(),
                     [&](TreeItem a, TreeItem b) { return TextBefore(Node(a).text, Node(b).text); });
    for (TreeItem c : children) LinkLast(p.item, c);
    for (auto c = children.rbegin(); c != children.rend(); ++c) {
      const uint32_t id = Node(*c).folder->id;
      if (!onPath.count(id)) pending.push_back({*c, id, path.size()});
    }

    m_FillCount += static_cast<int>(children.size());
    uint64_t percent = uint64_t(m_FillCount) * 100 / total;
    if (percent > 99) percent = 100;
    if (static_cast<int>(percent) != shownPercent) {
      shownPercent = static_cast<int>(percent);
      m_Hooks->ReportFillProgress(shownPercent);
    }
  }
}

void FolderTreeModel::ShowFilledTree(TreeItem parent) {
  if (!IsValid(parent)) return;
  if (m_Observer) m_Observer->OnChildrenReplaced(parent);
  Expand(m_RootItem);
}

void FolderTreeModel::SetItemChecked(TreeItem item) {
  SetState(item, kStateChecked, true);
  if (m_Mode == 2 && m_MarksOnly == 0) OnFolderChecked(item);
}

void FolderTreeModel::SetItemUnchecked(TreeItem item) {
  SetState(item, kStateUnchecked, false);
  if (m_Mode == 2 && m_MarksOnly == 0) OnFolderUnchecked(item);
}

void FolderTreeModel::CheckSubtree(TreeItem item) {
  ForEachBelow(item, [this](TreeItem c) { SetItemChecked(c); });
}

void FolderTreeModel::UncheckSubtree(TreeItem item) {
  ForEachBelow(item, [this](TreeItem c) { SetItemUnchecked(c); });
}

bool FolderTreeModel::HasBoldChild(TreeItem item) const {
  for (TreeItem c = Node(item).firstChild; c; c = Node(c).nextSibling)
    if (Node(c).bold) return true;
  return false;
}

bool FolderTreeModel::AllChildrenChecked(TreeItem item) const {
  for (TreeItem c = Node(item).firstChild; c; c = Node(c).nextSibling)
    if (GetCheckState(c) == 0) return false;
  return true;
}

void FolderTreeModel::UpdateParentsAfterCheck(TreeItem item) {
  for (TreeItem a = Node(item).parent; a; a = Node(a).parent) {
    if (HasBoldChild(a))
      SetItemChecked(a);
    else
      SetBold(a, false);
  }
}

void FolderTreeModel::UpdateParentsAfterUncheck(TreeItem item) {
  for (TreeItem a = Node(item).parent; a; a = Node(a).parent) {
    if (AllChildrenChecked(a))
      SetItemChecked(a);
    else
      SetItemUnchecked(a);
  }
}

void FolderTreeModel::MarkFolder(TreeItem item, uint8_t selected, bool checked) {
  if (item == m_RootItem) {
    uint32_t id;
    if (!RootFolderId(id)) return;
    m_MarksOnly = 1;
    if (checked)
      m_Hooks->SelectFolderData(item, id);
    else
      m_Hooks->DeselectFolderData(item, id);
    return;
  }
  FolderRecord* f = Node(item).folder;
  if (!IsChosen(f)) return;
  f->selected = selected;
  AppendChangedFolderId(f->id);
}

void FolderTreeModel::OnFolderChecked(TreeItem item) {
  MarkFolder(item, 'y', true);
}

void FolderTreeModel::OnFolderUnchecked(TreeItem item) {
  MarkFolder(item, 'n', false);
}

void FolderTreeModel::MarkFolderRows(TreeItem item, bool checked) {
  uint32_t id;
  if (item == m_RootItem) {
    if (!RootFolderId(id)) return;
    // Only checking turns the record marks off for the root: the page marks every record itself.
    if (checked) m_MarksOnly = 1;
  } else {
    FolderRecord* f = Node(item).folder;
    if (!IsChosen(f)) return;
    f->selected = checked ? 'y' : 'n';
    id = f->id;
  }
  if (checked)
    m_Hooks->CheckListRowsOfFolder(item, id);
  else
    m_Hooks->UncheckListRowsOfFolder(item, id);
}

void FolderTreeModel::ToggleCheck(TreeItem item) {
  // Space reaches here without the click's test: a results tree still filling or marking on a
  // worker takes no toggle, which would write the marks that worker writes.
  if (!IsValid(item) || (m_Mode == 2 && m_Hooks->ClicksBlocked())) return;
  const bool check = GetCheckState(item) == 0;
  m_Hooks->ShowCheckProgress(check ? "Please Wait - Selecting Data"
                                   : "Please Wait - De-Selecting Data");
  m_MarksOnly = 0;
  if (check) {
    SetItemChecked(item);
    CheckSubtree(item);
  } else {
    SetItemUnchecked(item);
    UncheckSubtree(item);
  }
  m_Hooks->HideCheckProgress();
  if (m_Mode == 2) {
    if (item != m_RootItem) {
      if (check)
        m_Hooks->SelectFolderData(item, 0);
      else
        m_Hooks->DeselectFolderData(item, 0);
    }
    MarkFolderRows(item, check);
  }
  m_MarksOnly = m_Mode == 2 ? 1 : 0;
  UpdateParentsAfterUncheck(item);
  UpdateParentsAfterCheck(item);
}

void FolderTreeModel::ShowFolder(TreeItem item) {
  if (!IsValid(item) || item == m_ShownItem) return;
  uint32_t id = 0;
  bool found = false;
  if (item == m_RootItem) {
    found = RootFolderId(id);
  } else if (const FolderRecord* f = Node(item).folder; IsChosen(f)) {
    id = f->id;
    found = true;
  }
  if (found) {
    m_ShownItem = item;
    m_Hooks->ShowFolderContents(item, id);
  }
  Select(item);
  m_Hooks->NoOpHook();
}

void FolderTreeModel::RenameItem(TreeItem item, const std::string& text) {
  if (!IsValid(item)) return;
  FolderRecord* f = Node(item).folder;
  if (!f) return;
  const std::string current = FolderDisplayName(*f);
  std::string shown = text;
  if (text.empty()) {
    shown = current;
  } else if (text != current) {
    std::u16string wide = Utf8ToUtf16(text);
    std::string ansi = Utf16ToCp437(wide);
    if (ansi.size() > kMaxAnsiNameBytes) ansi.resize(kMaxAnsiNameBytes);
    RenameFolderRecord(*f, wide, ansi);
  }
  SetText(item, shown);
  m_Hooks->SetListItemNameById(item, shown);
}

FolderWalk FolderTreeModel::TakeFolderWalk(int32_t selectionMode) const {
  FolderWalk walk;
  walk.selectionMode = selectionMode;
  if (!IsValid(m_RootItem)) return walk;
  if (selectionMode == 0 && Node(m_RootItem).state == kStateUnchecked) return walk;
  uint32_t rootId;
  if (!RootFolderId(rootId)) return walk;
  walk.folders.push_back({rootId, {}});

  struct Pending {
    TreeItem item;
    std::vector<std::string> path;
  };
  std::vector<Pending> pending;
  auto pushChildren = [&](TreeItem parent, const std::vector<std::string>& path) {
    std::vector<TreeItem> kids;
    for (TreeItem c = Node(parent).firstChild; c; c = Node(c).nextSibling) kids.push_back(c);
    for (auto c = kids.rbegin(); c != kids.rend(); ++c) {
      std::vector<std::string> childPath = path;
      childPath.push_back(SafeFileName(std::string_view(Node(*c).text)));
      pending.push_back({*c, std::move(childPath)});
    }
  };
  pushChildren(m_RootItem, {});
  while (!pending.empty()) {
    Pending p = std::move(pending.back());
    pending.pop_back();
    const TreeNode& n = Node(p.item);
    const bool checked = n.state == kStateChecked;
    // The copy takes no files of a folder without an id of its own. The folder "Lost" holds the
    // files whose own folder was lost: they are copied like any other.
    if (PassesSelectionMode(checked, selectionMode) && IsChosen(n.folder) && n.folder->id != 0)
      walk.folders.push_back({n.folder->id, p.path});
    if (selectionMode == 0 && n.state == kStateUnchecked) continue;
    pushChildren(p.item, p.path);
  }
  return walk;
}

// --- Paths and clicks ------------------------------------------------------------------------

std::string FolderTreeModel::GetItemPath(TreeItem item) const {
  if (!IsValid(item) || item == m_RootItem) return {};
  std::string path = Node(item).text;
  for (TreeItem a = Node(item).parent; a && a != m_RootItem; a = Node(a).parent) {
    std::string level = Node(a).text;
    if (level.empty() || level.back() != '\\') level += '\\';
    path.insert(0, level);
  }
  return path;
}

void FolderTreeModel::SetClickedItem(TreeItem item) {
  m_ClickedItem = item;
  m_ClickedPath = GetItemPath(item);
  if (m_ClickedPath.starts_with("This PC")) {
    m_ClickedPath.erase(0, 8);
    if (!m_ClickedPath.empty()) m_ClickedPath.pop_back();
  }
}

void FolderTreeModel::Click(TreeItem item, ClickPart part) {
  if (m_Hooks->ClicksBlocked() || !IsValid(item)) return;
  SetClickedItem(item);
  if (part == ClickPart::StateIcon) {
    ToggleCheck(item);
    return;
  }
  // The expander opens or closes its item and chooses nothing: a click on the one of "Disk
  // Image" must not ask for a folder again.
  if (part == ClickPart::Button) {
    if (m_Observer) m_Observer->OnToggleExpansion(item);
    return;
  }
  if (m_Mode == 1) {
    SourceClick(item);
    return;
  }
  if (m_Observer) m_Observer->OnToggleExpansion(item);
  m_Hooks->OnPartitionStep(item);
  if (m_Mode == 5) {
    g_SourceNodeText = Node(item).text;
    Select(item);
    m_Hooks->ShowFileSystemInfo(Node(item).text);
  }
  if (m_Mode == 2) {
    ShowFolder(item);
    return;
  }
  Select(item);
}

void FolderTreeModel::SourceClick(TreeItem item) {
  const TreeItem selectedBefore = m_SelectedItem;
  const TreeItem imageBefore = m_ImageItem;
  m_Hooks->OnSourceItemClicked(item);
  m_Hooks->OnPartitionStep(item);
  // The highlight shows what Next will use: the clicked node, or for "Disk Image" the image it
  // added; a cancelled folder choice keeps the earlier choice and puts its highlight back (a
  // collapse may have moved it to a group), an image that could not be taken leaves "Physical
  // Disks" chosen.
  TreeItem chosen = item;
  if (item == m_DiskImageGroupItem) {
    if (m_ImageItem == imageBefore)
      chosen = IsValid(m_ChosenItem) ? m_ChosenItem : selectedBefore;
    else
      chosen = g_DiskImageSource ? m_ImageItem : m_RootItem;
  }
  m_ChosenItem = chosen;
  Select(chosen);
  // A click opens the clicked node and never closes it.
  Expand(item);
}

void FolderTreeModel::Select(TreeItem item) {
  if (!IsValid(item)) return;
  if (m_Observer) m_Observer->OnItemSelected(item);
  m_SelectedItem = item;
}

bool FolderTreeModel::SpaceKey() {
  if (m_Mode != 2) return false;
  if (IsValid(m_SelectedItem)) ToggleCheck(m_SelectedItem);
  return true;
}

void FolderTreeModel::NavigateKey(TreeItem item) {
  if (m_Mode != 1 || !IsValid(item)) return;
  m_Hooks->OnKeyNavigate(item);
  // The key chooses what it reaches, except "Disk Image", which only adds image files.
  if (item != m_DiskImageGroupItem) m_ChosenItem = item;
}
