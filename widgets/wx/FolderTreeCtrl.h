// CFolderTreeCtrl: the tree control of every page, a view of FolderTreeModel (widgets/). The
// model holds all nodes; the control creates a window item only for nodes the user can see:
// a node with children gets one empty placeholder child until it is opened, so a results tree
// of hundreds of thousands of folders opens at once and each level is filled when expanded.
//
// Clicks, Space, Up/Down and label edits are turned into the model's steps; the pages plug in
// through FolderTreeHooks. UI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include <wx/imaglist.h>
#include <wx/treectrl.h>

#include "widgets/FolderTreeModel.h"

class CFolderTreeCtrl : public wxTreeCtrl, private FolderTreeObserver {
 public:
  CFolderTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize);
  ~CFolderTreeCtrl() override;

  FolderTreeModel& Model() { return m_Model; }
  const FolderTreeModel& Model() const { return m_Model; }
  void SetHooks(FolderTreeHooks* hooks) { m_Model.SetHooks(hooks); }

  // Rebuilds the icons and adds the roots of g_TreeMode (sourceName: the imaging tree's root).
  void InitRoots(const std::string& sourceName = {});
  TreeItem AddDiskNode(const std::string& text, int flag) {
    return m_Model.AddDiskNode(text, flag);
  }
  TreeItem InsertFolderNode(TreeItem parent, const std::string& text) {
    return m_Model.InsertFolderNode(parent, text);
  }
  int EnumDiskPartitions(int disk, uint32_t sector, bool addNodes, uint64_t deviceSectors = 0) {
    return m_Model.EnumDiskPartitions(disk, sector, addNodes, deviceSectors);
  }
  void FillFolderTree(TreeItem parent, uint32_t parentId) {
    m_Model.FillFolderTree(parent, parentId);
  }
  std::string GetItemPath(TreeItem item) const { return m_Model.GetItemPath(item); }

  // The window item of a model node, realizing its ancestors (and their siblings) on the way;
  // and the model node of a window item (kNoItem for a placeholder).
  wxTreeItemId ShowItem(TreeItem item);
  TreeItem ModelItem(const wxTreeItemId& id) const;
  // Number of window items made so far (placeholders included), for tests and benchmarks.
  size_t WindowItemCount() const { return GetCount(); }

 private:
  void OnItemInserted(TreeItem item) override;
  void OnItemChanged(TreeItem item) override;
  void OnChildrenReplaced(TreeItem parent) override;
  void OnItemExpanded(TreeItem item) override;
  void OnToggleExpansion(TreeItem item) override;
  void OnItemSelected(TreeItem item) override;
  void OnCleared() override;

  wxTreeItemId Realize(TreeItem item, const wxTreeItemId& parent, size_t position);
  void Populate(const wxTreeItemId& id);
  bool IsPlaceholder(const wxTreeItemId& id) const;
  void ShowState(const wxTreeItemId& id, TreeItem item);
  wxTreeItemId Find(TreeItem item) const;
  void BuildImages(int mode);

  void OnExpanding(wxTreeEvent& event);
  void OnExpandedOrCollapsed(wxTreeEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  void OnEndLabelEdit(wxTreeEvent& event);
  void OnSelChanged(wxTreeEvent& event);

  FolderTreeModel m_Model;
  std::unordered_map<TreeItem, wxTreeItemId> m_Shown;
  std::unique_ptr<wxImageList> m_Icons;
  std::unique_ptr<wxImageList> m_StateIcons;
  bool m_Populating = false;
  uint64_t m_ImageGeneration = 0;  // BuildImages calls; a later one drops an earlier one's steps
};
