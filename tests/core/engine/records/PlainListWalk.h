// A direct, unoptimised model of the result lists: every insertion walks from the skip index's
// start record, exactly as the list rule is written, a folder's duplicate is looked for from the
// head, and the index holds at most 1,000 entries.
// The tests check the real lists against it on random inputs; the benchmark times it.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace plain {

struct Node {
  uint32_t key = 0;  // parentId
  uint32_t id = 0;
  int16_t partition = 0;
  uint8_t deleted = 'n';
  uint32_t tag = 0;  // caller's value, overwritten by a merge like any other field
  Node* next = nullptr;
};

class PlainList {
 public:
  static constexpr uint32_t kSpacing = 10000;
  static constexpr size_t kMaxEntries = 1000;

  Node* head = nullptr;
  std::vector<Node*> skip;
  uint32_t threshold = kSpacing;
  uint32_t count = 0;

  void InsertFile(uint32_t key, uint32_t tag) {
    Node* n = New();
    n->key = key;
    n->tag = tag;
    if (!head) {
      First(n);
      return;
    }
    Node* cur = Start(key);
    while (cur->next && cur->next->key <= key) cur = cur->next;
    n->next = cur->next;
    cur->next = n;
    ++count;
    RebuildIfDue();
  }

  // 0 inserted, 1 merged in place (possibly moved), 2 dropped.
  int AddFolder(uint32_t key, uint32_t id, int16_t partition, uint8_t deleted, uint32_t tag) {
    if (!head) {
      Node* n = New();
      *n = Node{key, id, partition, deleted, tag, nullptr};
      First(n);
      return 0;
    }
    if (id == 0) {
      Node* last = head;
      while (last->next) last = last->next;
      Node* n = New();
      *n = Node{key, id, partition, deleted, tag, nullptr};
      last->next = n;
      ++count;
      RebuildIfDue();
      return 0;
    }
    // The same folder is looked for in the whole list; the new one goes after the last record
    // of its key at or after the start record.
    Node* start = Start(key);
    Node* insertAfter = nullptr;
    for (Node* r = start; r && !insertAfter; r = r->next)
      if (!r->next || r->next->key > key) insertAfter = r;
    for (Node* r = head; r; r = r->next) {
      if (r->id == id && r->partition == partition) {
        if (!(r->deleted == 'y' && deleted != 'y')) return 2;
        const uint32_t oldKey = r->key;
        r->deleted = deleted;
        r->key = key;
        r->tag = tag;
        if (oldKey != key && r != head) {
          Unlink(r);
          Rebuild();
          Node* cur = Start(key);
          while (cur->next && cur->next->key <= key) cur = cur->next;
          r->next = cur->next;
          cur->next = r;
          Rebuild();
        }
        return 1;
      }
    }
    Node* n = New();
    *n = Node{key, id, partition, deleted, tag, nullptr};
    n->next = insertAfter->next;
    insertAfter->next = n;
    ++count;
    RebuildIfDue();
    return 0;
  }

  void SetKeyInPlace(Node* n, uint32_t key) { n->key = key; }

  void UnlinkAndCount(Node* n) {
    Unlink(n);
    --count;
    Rebuild();
  }

  std::vector<Node*> Nodes() const {
    std::vector<Node*> v;
    for (Node* r = head; r; r = r->next) v.push_back(r);
    return v;
  }

 private:
  Node* New() { return &m_Storage.emplace_back(); }

  void First(Node* n) {
    head = n;
    skip.assign(1, n);
    threshold = kSpacing;
    count = 1;
  }

  Node* Start(uint32_t key) const {
    if (!head->next) return skip.back();
    for (size_t i = 0; i < skip.size(); ++i)
      if (skip[i]->key >= key) return skip[i == 0 ? 0 : i - 1];
    return skip.back();
  }

  void RebuildIfDue() {
    if (count >= threshold && skip.size() < kMaxEntries) {
      threshold += kSpacing;
      Rebuild();
    }
  }

  void Rebuild() {
    skip.clear();
    size_t pos = 0;
    for (Node* r = head; r && skip.size() < kMaxEntries; r = r->next, ++pos)
      if (pos % kSpacing == 0) skip.push_back(r);
  }

  void Unlink(Node* n) {
    if (n == head) {
      head = n->next;
    } else {
      Node* p = head;
      while (p->next != n) p = p->next;
      p->next = n->next;
    }
    n->next = nullptr;
  }

  std::deque<Node> m_Storage;
};

}  // namespace plain
