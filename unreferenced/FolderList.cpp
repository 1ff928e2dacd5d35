#include "unreferenced/FolderList.h"

#include <vector>

CFolderList::CFolderList(const CheckTreeView* tree) {
  Rebuild(tree);
}

CFolderList::~CFolderList() {
  Clear();
}

int CFolderList::Rebuild(const CheckTreeView* tree) {
  Clear();
  m_Tree = tree;
  FillFromTree();
  return 0;
}

void CFolderList::Clear() {
  // Unlinked one node at a time: a long list freed by recursion could exhaust the stack.
  while (m_Head) m_Head = std::move(m_Head->next);
  m_Count = 0;
}

std::u16string CFolderList::GetAt(int index) const {
  if (index < 0 || index >= m_Count) return {};
  const Node* node = m_Head.get();
  for (int i = 0; i < index && node; ++i) node = node->next.get();
  return node ? node->path : std::u16string();
}

bool CFolderList::IsPathCovered(std::u16string_view path) const {
  for (const Node* node = m_Head.get(); node; node = node->next.get())
    if (IsPathPrefix(path, node->path)) return true;
  return false;
}

bool CFolderList::IsItemChecked(CheckTreeView::Item item) const {
  return m_Tree->GetCheckState(item) == 1;
}

bool CFolderList::IsPathPrefix(std::u16string_view path, std::u16string_view listed) {
  return path.starts_with(listed);
}

std::u16string CFolderList::GetItemPath(CheckTreeView::Item item) const {
  // Paths are not cut to a fixed buffer: two long paths cut to the same length could make one
  // folder seem to cover another.
  std::vector<std::u16string> texts;
  for (CheckTreeView::Item i = item; i != CheckTreeView::kNoItem; i = m_Tree->GetParentItem(i))
    texts.push_back(m_Tree->GetItemText(i));
  std::u16string path;
  for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
    path += *it;
    path += u'\\';
  }
  return path;
}

void CFolderList::CollectChecked(CheckTreeView::Item item) {
  // Depth first in tree order, with a stack of its own so a deep tree cannot exhaust the
  // thread's stack; a parent is always met before its children.
  std::vector<CheckTreeView::Item> pending{item};
  while (!pending.empty()) {
    const CheckTreeView::Item current = pending.back();
    pending.pop_back();
    if (IsItemChecked(current)) {
      std::u16string path = GetItemPath(current);
      if (!IsPathCovered(path)) {
        m_Head = std::make_unique<Node>(Node{std::move(path), std::move(m_Head)});
        ++m_Count;
      }
    }
    std::vector<CheckTreeView::Item> children;
    for (CheckTreeView::Item c = m_Tree->GetChildItem(current); c != CheckTreeView::kNoItem;
         c = m_Tree->GetNextSiblingItem(c)) {
      children.push_back(c);
    }
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
}

void CFolderList::FillFromTree() {
  if (!m_Tree) return;
  for (CheckTreeView::Item top = m_Tree->GetChildItem(CheckTreeView::kNoItem);
       top != CheckTreeView::kNoItem; top = m_Tree->GetNextSiblingItem(top)) {
    CollectChecked(top);
  }
}
