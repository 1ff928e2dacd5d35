// The source page's tree as the page tests use it: a node found by its text, and clicks and keys
// that reach it as a person's do, through the X server (the pointer moves onto the node's label
// or expander and the button goes down and up), so the tree's own hit test, focus and
// highlight decide what happens.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ToolkitTestUtil.h"
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

// The middle of the node's label, or of its expander (the box left of its icon), shown on screen.
inline wxPoint SourceNodePoint(CFolderTreeCtrl* tree, TreeItem item, bool expander) {
  const wxTreeItemId id = tree->ShowItem(item);
  if (!id.IsOk()) return wxDefaultPosition;
  tree->EnsureVisible(id);
  Pump(2);
  wxRect label;
  if (!tree->GetBoundingRect(id, label, true)) return wxDefaultPosition;
  const wxPoint middle(label.x + std::min(label.width / 2, 20), label.y + label.height / 2);
  if (!expander) return middle;
  // The expander sits left of the icon; walk left from the label until the hit test names it.
  for (int x = label.x - 1; x >= 0; --x) {
    int flags = 0;
    if (tree->HitTest(wxPoint(x, middle.y), flags) == id && (flags & wxTREE_HITTEST_ONITEMBUTTON))
      return wxPoint(x, middle.y);
  }
  return wxDefaultPosition;
}

inline void ClickSourceNode(DeletedFilesRecovery& p, TreeItem item) {
  ASSERT_NE(item, kNoItem);
  const wxPoint point = SourceNodePoint(p.m_Tree, item, false);
  ASSERT_NE(point, wxDefaultPosition);
  ClickAt(p.m_Tree, point);
}

inline void ClickSourceExpander(DeletedFilesRecovery& p, TreeItem item) {
  ASSERT_NE(item, kNoItem);
  const wxPoint point = SourceNodePoint(p.m_Tree, item, true);
  ASSERT_NE(point, wxDefaultPosition) << "no expander beside " << p.m_Tree->Model().Text(item);
  ClickAt(p.m_Tree, point);
}

// The text of the node the tree highlights.
inline std::string HighlightedSourceNode(DeletedFilesRecovery& p) {
  const wxTreeItemId id = p.m_Tree->GetSelection();
  return id.IsOk() ? p.m_Tree->GetItemText(id).utf8_string() : std::string();
}

}  // namespace guitest
