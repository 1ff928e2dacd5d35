#include "widgets/wx/FolderTreeCtrl.h"

#include <vector>

#include <wx/artprov.h>
#include <wx/dcmemory.h>
#include <wx/renderer.h>

#include "engine/records/ScanState.h"

namespace {

constexpr int kIconSize = 16;

// Which model node a window item shows; kNoItem marks the placeholder of an unopened node.
class NodeData : public wxTreeItemData {
 public:
  explicit NodeData(TreeItem item) : m_Item(item) {}
  TreeItem Item() const { return m_Item; }

 private:
  TreeItem m_Item;
};

enum class Icon { Computer, Disk, Folder, FolderOpen };

// A plain drawing for an icon the desktop theme lacks.
wxBitmap DrawnIcon(Icon icon) {
  wxBitmap bitmap(kIconSize, kIconSize, 32);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  dc.SetPen(wxPen(wxColour(60, 60, 60)));
  switch (icon) {
    case Icon::Computer:
      dc.SetBrush(wxBrush(wxColour(120, 170, 230)));
      dc.DrawRectangle(2, 2, 12, 9);
      dc.DrawRectangle(5, 12, 6, 2);
      break;
    case Icon::Disk:
      dc.SetBrush(wxBrush(wxColour(170, 170, 170)));
      dc.DrawRoundedRectangle(2, 5, 12, 6, 2);
      dc.SetBrush(wxBrush(wxColour(40, 180, 40)));
      dc.DrawRectangle(10, 7, 2, 2);
      break;
    case Icon::Folder:
    case Icon::FolderOpen:
      dc.SetBrush(wxBrush(wxColour(240, 200, 80)));
      dc.DrawRectangle(2, 4, 12, 10);
      dc.DrawRectangle(2, 2, 5, 3);
      break;
  }
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

wxBitmap IconBitmap(Icon icon) {
  static const wxArtID kArt[] = {"computer", wxART_HARDDISK, wxART_FOLDER, wxART_FOLDER_OPEN};
  wxBitmap art = wxArtProvider::GetBitmap(kArt[static_cast<int>(icon)], wxART_OTHER,
                                          wxSize(kIconSize, kIconSize));
  if (art.IsOk() && art.GetWidth() != kIconSize)
    art = wxBitmap(art.ConvertToImage().Rescale(kIconSize, kIconSize, wxIMAGE_QUALITY_HIGH));
  return art.IsOk() ? art : DrawnIcon(icon);
}

// The results tree's check boxes: state 0 unchecked, 1 checked, as the desktop draws them.
wxBitmap CheckBoxBitmap(wxWindow* window, bool checked) {
  wxBitmap bitmap(kIconSize, kIconSize, 32);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  wxRendererNative::Get().DrawCheckBox(window, dc, wxRect(1, 1, kIconSize - 2, kIconSize - 2),
                                       checked ? int{wxCONTROL_CHECKED} : 0);
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

// The checked box until the theme's is drawn: a box with a tick.
wxBitmap DrawnCheckBox() {
  wxBitmap bitmap(kIconSize, kIconSize, 32);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  dc.SetPen(wxPen(wxColour(60, 60, 60)));
  dc.SetBrush(*wxWHITE_BRUSH);
  dc.DrawRectangle(2, 2, kIconSize - 4, kIconSize - 4);
  dc.SetPen(wxPen(wxColour(30, 30, 30), 2));
  dc.DrawLine(4, 8, 7, 11);
  dc.DrawLine(7, 11, 12, 4);
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

}  // namespace

CFolderTreeCtrl::CFolderTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                 const wxSize& size)
    : wxTreeCtrl(parent, id, pos, size,
                 wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_EDIT_LABELS | wxTR_SINGLE |
                     wxBORDER_SUNKEN) {
  m_Model.SetObserver(this);
  Bind(wxEVT_TREE_ITEM_EXPANDING, &CFolderTreeCtrl::OnExpanding, this);
  Bind(wxEVT_TREE_ITEM_EXPANDED, &CFolderTreeCtrl::OnExpandedOrCollapsed, this);
  Bind(wxEVT_TREE_ITEM_COLLAPSED, &CFolderTreeCtrl::OnExpandedOrCollapsed, this);
  Bind(wxEVT_LEFT_DOWN, &CFolderTreeCtrl::OnLeftDown, this);
  Bind(wxEVT_KEY_DOWN, &CFolderTreeCtrl::OnKeyDown, this);
  Bind(wxEVT_TREE_END_LABEL_EDIT, &CFolderTreeCtrl::OnEndLabelEdit, this);
  Bind(wxEVT_TREE_SEL_CHANGED, &CFolderTreeCtrl::OnSelChanged, this);
}

CFolderTreeCtrl::~CFolderTreeCtrl() {
  m_Model.SetObserver(nullptr);
}

// The theme's icons and check mark take tens of milliseconds the first time a process loads
// them: the lists start with drawn stand-ins, and the theme's pictures replace them in later turns
// of the event loop (one turn each), so a page shows its tree at once.
void CFolderTreeCtrl::BuildImages(int mode) {
  std::vector<Icon> kinds;
  switch (mode) {
    case 1:
      kinds = {Icon::Computer, Icon::Disk};
      break;
    case 2:
      kinds = {Icon::Computer, Icon::Folder, Icon::FolderOpen};
      break;
    default:
      kinds = {Icon::Disk};
      break;
  }
  auto icons = std::make_unique<wxImageList>(kIconSize, kIconSize, true);
  for (Icon kind : kinds) icons->Add(DrawnIcon(kind));
  AssignImageList(icons.release());
  if (mode == 2) {
    auto states = std::make_unique<wxImageList>(kIconSize, kIconSize, true);
    states->Add(CheckBoxBitmap(this, false));  // the empty box draws without the theme's mark
    states->Add(DrawnCheckBox());
    AssignStateImageList(states.release());
  } else {
    SetStateImageList(nullptr);
  }
  const uint64_t generation = ++m_ImageGeneration;
  CallAfter([this, generation, kinds] {
    if (generation != m_ImageGeneration) return;  // the lists were built again since
    wxImageList* icons = GetImageList();
    for (size_t i = 0; i < kinds.size(); ++i)
      icons->Replace(static_cast<int>(i), IconBitmap(kinds[i]));
    Refresh();
    if (!GetStateImageList()) return;
    CallAfter([this, generation] {
      if (generation != m_ImageGeneration) return;
      GetStateImageList()->Replace(1, CheckBoxBitmap(this, true));
      Refresh();
    });
  });
}

void CFolderTreeCtrl::InitRoots(const std::string& sourceName) {
  const int mode = g_TreeMode.load();
  BuildImages(mode);
  m_Model.InitRoots(mode, g_ScanState.recoveryMode, sourceName);
}

// --- Window items of model nodes ---------------------------------------------------------------

TreeItem CFolderTreeCtrl::ModelItem(const wxTreeItemId& id) const {
  if (!id.IsOk()) return kNoItem;
  const auto* data = static_cast<const NodeData*>(GetItemData(id));
  return data ? data->Item() : kNoItem;
}

bool CFolderTreeCtrl::IsPlaceholder(const wxTreeItemId& id) const {
  return id.IsOk() && ModelItem(id) == kNoItem;
}

wxTreeItemId CFolderTreeCtrl::Find(TreeItem item) const {
  const auto it = m_Shown.find(item);
  return it != m_Shown.end() ? it->second : wxTreeItemId();
}

void CFolderTreeCtrl::ShowState(const wxTreeItemId& id, TreeItem item) {
  SetItemBold(id, m_Model.IsBold(item));
  if (GetStateImageList()) {
    const uint8_t state = m_Model.StateImage(item);
    SetItemState(id, state == kStateNone ? wxTREE_ITEMSTATE_NONE : state - 1);
  }
}

wxTreeItemId CFolderTreeCtrl::Realize(TreeItem item, const wxTreeItemId& parent, size_t position) {
  const wxString text = wxString::FromUTF8(m_Model.Text(item));
  const int image = m_Model.Image(item);
  const wxTreeItemId id = parent.IsOk()
                              ? InsertItem(parent, position, text, image, image, new NodeData(item))
                              : AddRoot(text, image, image, new NodeData(item));
  m_Shown[item] = id;
  ShowState(id, item);
  if (m_Model.HasChildren(item)) AppendItem(id, wxString(), -1, -1, new NodeData(kNoItem));
  return id;
}

void CFolderTreeCtrl::Populate(const wxTreeItemId& id) {
  wxTreeItemIdValue cookie;
  const wxTreeItemId first = GetFirstChild(id, cookie);
  if (!IsPlaceholder(first)) return;
  Freeze();
  Delete(first);
  size_t position = 0;
  for (TreeItem c = m_Model.FirstChild(ModelItem(id)); c; c = m_Model.NextSibling(c))
    Realize(c, id, position++);
  Thaw();
}

wxTreeItemId CFolderTreeCtrl::ShowItem(TreeItem item) {
  if (!m_Model.IsValid(item)) return {};
  wxTreeItemId id = Find(item);
  if (id.IsOk()) return id;
  const wxTreeItemId parent = ShowItem(m_Model.Parent(item));
  if (!parent.IsOk()) return {};
  Populate(parent);
  return Find(item);
}

// --- What the model tells ------------------------------------------------------------------------

void CFolderTreeCtrl::OnItemInserted(TreeItem item) {
  const TreeItem parent = m_Model.Parent(item);
  if (parent == kNoItem) {
    Realize(item, wxTreeItemId(), 0);
    return;
  }
  const wxTreeItemId pid = Find(parent);
  if (!pid.IsOk()) return;
  wxTreeItemIdValue cookie;
  const wxTreeItemId first = GetFirstChild(pid, cookie);
  if (IsPlaceholder(first)) return;
  if (!first.IsOk() && !m_Model.IsExpanded(parent)) {
    AppendItem(pid, wxString(), -1, -1, new NodeData(kNoItem));
    return;
  }
  size_t position = 0;
  for (TreeItem s = m_Model.PrevSibling(item); s; s = m_Model.PrevSibling(s)) ++position;
  Realize(item, pid, position);
}

void CFolderTreeCtrl::OnItemChanged(TreeItem item) {
  const wxTreeItemId id = Find(item);
  if (!id.IsOk()) return;
  const wxString text = wxString::FromUTF8(m_Model.Text(item));
  if (GetItemText(id) != text) SetItemText(id, text);
  ShowState(id, item);
}

void CFolderTreeCtrl::OnChildrenReplaced(TreeItem parent) {
  const wxTreeItemId pid = Find(parent);
  if (!pid.IsOk()) return;
  Freeze();
  // Forget the window items below parent before they go.
  std::vector<TreeItem> gone;
  for (const auto& [item, id] : m_Shown)
    if (item != parent && id.IsOk() && m_Model.IsValid(item)) {
      for (TreeItem a = m_Model.Parent(item); a; a = m_Model.Parent(a))
        if (a == parent) {
          gone.push_back(item);
          break;
        }
    }
  for (TreeItem item : gone) m_Shown.erase(item);
  DeleteChildren(pid);
  if (m_Model.HasChildren(parent)) AppendItem(pid, wxString(), -1, -1, new NodeData(kNoItem));
  Thaw();
}

void CFolderTreeCtrl::OnItemExpanded(TreeItem item) {
  const wxTreeItemId id = ShowItem(item);
  if (id.IsOk()) Expand(id);
}

void CFolderTreeCtrl::OnToggleExpansion(TreeItem item) {
  const wxTreeItemId id = ShowItem(item);
  if (id.IsOk() && ItemHasChildren(id)) Toggle(id);
}

void CFolderTreeCtrl::OnItemSelected(TreeItem item) {
  const wxTreeItemId id = ShowItem(item);
  if (!id.IsOk()) return;
  SetFocus();
  SelectItem(id);
}

void CFolderTreeCtrl::OnCleared() {
  m_Shown.clear();
  DeleteAllItems();
}

// --- Events ----------------------------------------------------------------------------------

void CFolderTreeCtrl::OnExpanding(wxTreeEvent& event) {
  Populate(event.GetItem());
  event.Skip();
}

void CFolderTreeCtrl::OnExpandedOrCollapsed(wxTreeEvent& event) {
  const TreeItem item = ModelItem(event.GetItem());
  if (item != kNoItem) m_Model.SetExpanded(item, event.GetEventType() == wxEVT_TREE_ITEM_EXPANDED);
  event.Skip();
}

void CFolderTreeCtrl::OnLeftDown(wxMouseEvent& event) {
  int flags = 0;
  const wxTreeItemId id = HitTest(event.GetPosition(), flags);
  const TreeItem item = ModelItem(id);
  if (item == kNoItem) return;
  FolderTreeModel::ClickPart part = FolderTreeModel::ClickPart::Label;
  if (flags & wxTREE_HITTEST_ONITEMSTATEICON)
    part = FolderTreeModel::ClickPart::StateIcon;
  else if (flags & wxTREE_HITTEST_ONITEMBUTTON)
    part = FolderTreeModel::ClickPart::Button;
  m_Model.Click(item, part);
}

void CFolderTreeCtrl::OnKeyDown(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_SPACE) {
    if (!m_Model.SpaceKey()) event.Skip();
    return;
  }
  if (key == WXK_UP || key == WXK_DOWN) {
    const wxTreeItemId selected = GetFocusedItem();
    if (selected.IsOk()) {
      const wxTreeItemId next =
          key == WXK_DOWN ? GetNextVisible(selected) : GetPrevVisible(selected);
      if (next.IsOk()) m_Model.NavigateKey(ModelItem(next));
    }
  }
  event.Skip();
}

void CFolderTreeCtrl::OnEndLabelEdit(wxTreeEvent& event) {
  if (event.IsEditCancelled()) return;
  // The model decides the text (an empty one brings the old name back) and shows it.
  event.Veto();
  m_Model.RenameItem(ModelItem(event.GetItem()), event.GetLabel().utf8_string());
}

void CFolderTreeCtrl::OnSelChanged(wxTreeEvent& event) {
  m_Model.SetSelectedItem(ModelItem(event.GetItem()));
  event.Skip();
}
