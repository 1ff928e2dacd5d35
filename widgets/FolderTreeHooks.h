// What the pages plug into the tree: the source page's selection, the found-file-systems page's
// panel and the results page's list and select workers. The tree calls these at the points its
// clicks, keys and check marks reach them; every default does nothing, so a page overrides only
// what it has. All calls come on the UI thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/FolderTreeItem.h"

class FolderTreeHooks {
 public:
  virtual ~FolderTreeHooks() = default;

  // True while a worker runs that a click must not disturb (preview, list fill, select all,
  // deselect all): the click is dropped.
  virtual bool ClicksBlocked() { return false; }

  // Source tree: a node was clicked (the clicked item and path are already stored), or Up/Down
  // moved to item.
  virtual void OnSourceItemClicked(TreeItem) {}
  virtual void OnKeyNavigate(TreeItem) {}
  // Any tree, after a click: the partition step of the source selection.
  virtual void OnPartitionStep(TreeItem) {}
  // Found-file-systems tree: the file system named text was clicked.
  virtual void ShowFileSystemInfo(const std::string&) {}

  // Results tree.
  virtual void ShowFolderContents(TreeItem, uint32_t /*folderId*/) {}
  virtual void SelectFolderData(TreeItem, uint32_t /*folderId*/) {}
  virtual void DeselectFolderData(TreeItem, uint32_t /*folderId*/) {}
  virtual void CheckListRowsOfFolder(TreeItem, uint32_t /*folderId*/) {}
  virtual void UncheckListRowsOfFolder(TreeItem, uint32_t /*folderId*/) {}
  virtual void SetListItemNameById(TreeItem, const std::string& /*name*/) {}
  virtual void ShowCheckProgress(std::string_view /*status*/) {}
  virtual void HideCheckProgress() {}
  virtual void ReportFillProgress(int /*percent*/) {}
  virtual void NoOpHook() {}
};
