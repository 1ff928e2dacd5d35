// The source page's tree as the page tests use it: a node found by its text, and a click on a
// node's label through the tree's own mouse handler.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "pages/source/wx/DeletedFilesRecovery.h"
#include "widgets/wx/FolderTreeCtrl.h"

namespace guitest {

// The node below parent (the top node "This PC" when parent is kNoItem) with that text.
inline TreeItem SourceNode(DeletedFilesRecovery& p, TreeItem parent, const std::string& text) {
  const FolderTreeModel& m = p.m_Tree->Model();
  for (TreeItem c = parent == kNoItem ? m.ThisPcItem() : m.FirstChild(parent); c != kNoItem;
       c = m.NextSibling(c))
    if (m.Text(c) == text) return c;
  return kNoItem;
}

inline void ClickSourceNode(DeletedFilesRecovery& p, TreeItem item) {
  ASSERT_NE(item, kNoItem);
  CFolderTreeCtrl* tree = p.m_Tree;
  const wxTreeItemId id = tree->ShowItem(item);
  tree->EnsureVisible(id);
  wxRect rect;
  ASSERT_TRUE(tree->GetBoundingRect(id, rect, true));
  wxMouseEvent down(wxEVT_LEFT_DOWN);
  down.SetPosition(wxPoint(rect.x + rect.width / 2, rect.y + rect.height / 2));
  down.SetEventObject(tree);
  tree->GetEventHandler()->ProcessEvent(down);
  tree->SelectItem(id);
}

}  // namespace guitest
