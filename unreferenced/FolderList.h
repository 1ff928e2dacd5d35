// The full paths of the checked items of a tree, each item's text followed by a backslash from
// the top-level item down ("C:\Data\"), keeping only the topmost checked item of each branch.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "unreferenced/CheckTreeView.h"

class CFolderList {
 public:
  CFolderList() = default;
  explicit CFolderList(const CheckTreeView* tree);
  virtual ~CFolderList();
  CFolderList(const CFolderList&) = delete;
  CFolderList& operator=(const CFolderList&) = delete;

  // Forgets the old paths and collects the checked ones of tree (none when it is null); 0.
  int Rebuild(const CheckTreeView* tree);
  void Clear();
  int GetCount() const { return m_Count; }
  // Paths run from the last one added to the first; an index outside the list gives "".
  std::u16string GetAt(int index) const;
  // True when a listed path begins the path (exact comparison).
  bool IsPathCovered(std::u16string_view path) const;

 private:
  struct Node {
    std::u16string path;
    std::unique_ptr<Node> next;
  };

  // Only a check box that is ticked counts; an item without one is not checked.
  bool IsItemChecked(CheckTreeView::Item item) const;
  static bool IsPathPrefix(std::u16string_view path, std::u16string_view listed);
  std::u16string GetItemPath(CheckTreeView::Item item) const;
  void CollectChecked(CheckTreeView::Item item);
  void FillFromTree();

  const CheckTreeView* m_Tree = nullptr;
  std::unique_ptr<Node> m_Head;
  int m_Count = 0;
};
