#include "engine/records/ResultLists.h"

#include <algorithm>
#include <iterator>

template <class R>
R* KeyedList<R>::SkipStart(uint32_t key) const {
  if (skipIndex.empty()) return nullptr;
  if (skipIndex[0]->parentId >= key) return skipIndex[0];
  size_t i;
  if (m_Ordered) {
    // Entries after the first are in ascending key order while the list is sorted.
    auto it = std::partition_point(skipIndex.begin() + 1, skipIndex.end(),
                                   [key](const R* r) { return r->parentId < key; });
    i = static_cast<size_t>(it - skipIndex.begin());
  } else {
    i = 1;
    while (i < skipIndex.size() && skipIndex[i]->parentId < key) ++i;
  }
  return skipIndex[i - 1];
}

template <class R>
void KeyedList<R>::LinkByKey(R* r) {
  const uint32_t key = r->parentId;
  if (!head) {
    r->next = nullptr;
    head = tail = r;
    Stamp(r);
    return;
  }
  R* pred;
  if (m_Ordered) {
    if (!m_Groups) m_Groups = std::make_unique<GroupMap>();
    auto it = m_Groups->lower_bound(key);
    if (it != m_Groups->end() && it->first == key) {
      pred = it->second.last;
      it->second.last = r;
      ++it->second.count;
    } else {
      pred = it == m_Groups->begin() ? head : std::prev(it)->second.last;
      m_Groups->emplace_hint(it, key, Group{r, r, 1});
    }
  } else {
    // The walk itself: from the start record while the next key is <= key.
    pred = head->next ? SkipStart(key) : skipIndex.back();
    while (pred->next && pred->next->parentId <= key) pred = pred->next;
  }
  r->next = pred->next;
  pred->next = r;
  if (pred == tail) tail = r;
  Stamp(r);
}

template <class R>
void KeyedList<R>::LinkAtEnd(R* r) {
  if (!head) {
    LinkByKey(r);
    return;
  }
  if (m_Ordered) {
    if (tail == head || r->parentId >= tail->parentId) {
      // Still in order: the new record ends (or opens) the last key's group.
      if (!m_Groups) m_Groups = std::make_unique<GroupMap>();
      auto it = m_Groups->find(r->parentId);
      if (it != m_Groups->end())
        it->second.last = r, ++it->second.count;
      else
        m_Groups->emplace_hint(m_Groups->end(), r->parentId, Group{r, r, 1});
    } else {
      MarkUnordered();
    }
  }
  r->next = nullptr;
  tail->next = r;
  tail = r;
  Stamp(r);
}

template <class R>
R* KeyedList<R>::Predecessor(R* r) {
  if (r == head) return nullptr;
  R* p = head;
  if (m_Ordered && m_Groups) {
    auto it = m_Groups->find(r->parentId);
    if (it != m_Groups->end()) {
      if (it->second.first == r) return it == m_Groups->begin() ? head : std::prev(it)->second.last;
      p = it->second.first;
    }
  }
  while (p && p->next != r) p = p->next;
  return p;
}

template <class R>
R* KeyedList<R>::UnlinkRecord(R* r) {
  R* pred = Predecessor(r);
  if (!pred) {
    head = r->next;
    if (!head) tail = nullptr;
    // The old second record becomes the first and leaves the sorted part.
    if (m_Ordered && m_Groups && head) {
      auto it = m_Groups->find(head->parentId);
      if (--it->second.count == 0)
        m_Groups->erase(it);
      else
        it->second.first = head->next;
    }
  } else {
    pred->next = r->next;
    if (tail == r) tail = pred;
    if (m_Ordered && m_Groups) {
      auto it = m_Groups->find(r->parentId);
      if (--it->second.count == 0) {
        m_Groups->erase(it);
      } else {
        if (it->second.first == r) it->second.first = r->next;
        if (it->second.last == r) it->second.last = pred;
      }
    }
  }
  r->next = nullptr;
  return pred;
}

template <class R>
void KeyedList<R>::RebuildIfDue(uint32_t count) {
  if (count >= skipThreshold) {
    skipThreshold += kSkipSpacing;
    RebuildSkipIndex();
  }
}

template <class R>
void KeyedList<R>::RebuildSkipIndex() {
  skipIndex.clear();
  if (!head) return;
  skipIndex.push_back(head);
  if (m_Ordered) {
    // Reach positions 10,000, 20,000, ... through the key groups instead of walking every record.
    if (!m_Groups) return;
    size_t start = 1;
    size_t target = kSkipSpacing;
    for (auto& [key, g] : *m_Groups) {
      R* cursor = g.first;
      size_t pos = start;
      while (target < start + g.count) {
        while (pos < target) cursor = cursor->next, ++pos;
        skipIndex.push_back(cursor);
        target += kSkipSpacing;
      }
      start += g.count;
    }
    return;
  }
  // Unordered: walk, and take the fast structures back when the list has become sorted again.
  bool sorted = true;
  size_t pos = 0;
  uint32_t prevKey = 0;
  for (R* r = head; r; r = r->next, ++pos) {
    if (pos && pos % kSkipSpacing == 0) skipIndex.push_back(r);
    if (pos >= 2 && r->parentId < prevKey) sorted = false;
    prevKey = r->parentId;
  }
  if (!sorted) return;
  m_Ordered = true;
  m_Groups = std::make_unique<GroupMap>();
  m_NextStamp = 0;
  for (R* r = head; r; r = r->next) {
    Stamp(r);
    if (r == head) continue;
    auto it = m_Groups->find(r->parentId);
    if (it != m_Groups->end())
      it->second.last = r, ++it->second.count;
    else
      m_Groups->emplace_hint(m_Groups->end(), r->parentId, Group{r, r, 1});
  }
}

template <class R>
void KeyedList<R>::MarkUnordered() {
  m_Ordered = false;
  m_Groups.reset();
}

template <class R>
void KeyedList<R>::FreeAll() {
  m_Arena.Release();
  head = tail = nullptr;
  skipIndex.clear();
  skipIndex.shrink_to_fit();
  skipThreshold = kSkipSpacing;
  m_Groups.reset();
  m_Ordered = true;
  m_NextStamp = 0;
}

template class KeyedList<FileRecord>;
template class KeyedList<FolderRecord>;

// ---- files

FileRecord* FileList::Insert(const FileRecord& values, uint32_t sequence, uint32_t countAfter) {
  FileRecord* r = NewRecord();
  if (!r) return nullptr;
  *r = values;
  r->sequence = sequence;
  const bool first = head == nullptr;
  LinkByKey(r);
  if (first) {
    skipIndex.assign(1, r);
    skipThreshold = kSkipSpacing;
    return r;
  }
  RebuildIfDue(countAfter);
  return r;
}

size_t FileList::MoveToParent(const std::function<bool(const FileRecord&)>& moves,
                              uint32_t parentId) {
  if (!head) return 0;
  size_t moved = 0;
  // The first record stands outside the order: its key changes where it is.
  if (moves(*head)) {
    head->parentId = parentId;
    ++moved;
  }
  FileRecord* blockHead = nullptr;
  FileRecord* blockTail = nullptr;
  FileRecord* prev = head;
  for (FileRecord* r = head->next; r;) {
    FileRecord* next = r->next;
    if (moves(*r)) {
      prev->next = next;
      r->next = nullptr;
      r->parentId = parentId;
      (blockTail ? blockTail->next : blockHead) = r;
      blockTail = r;
      ++moved;
    } else {
      prev = r;
    }
    r = next;
  }
  tail = prev;
  if (blockHead) {
    // After the last record of a key <= parentId, so that the rest of the list stays sorted.
    FileRecord* at = head;
    while (at->next && at->next->parentId <= parentId) at = at->next;
    blockTail->next = at->next;
    at->next = blockHead;
    if (at == tail) tail = blockTail;
  }
  if (moved) {
    // The rebuild finds the list sorted again and takes its key groups back.
    MarkUnordered();
    RebuildSkipIndex();
  }
  return moved;
}

// ---- folders

bool FolderList::IsBefore(const FolderRecord* a, const FolderRecord* b) const {
  if (a == b || b == head) return false;
  if (a == head) return true;
  return a->parentId < b->parentId || (a->parentId == b->parentId && a->orderStamp < b->orderStamp);
}

void FolderList::AddIdentity(FolderRecord* f) {
  if (f->id == 0) return;
  if (!m_Identities) m_Identities = std::make_unique<std::unordered_map<uint64_t, FolderRecord*>>();
  auto [it, fresh] = m_Identities->try_emplace(IdentityKey(f->id, f->partition), f);
  if (!fresh) {
    f->sameIdentityNext = it->second;
    it->second = f;
  }
}

void FolderList::RemoveIdentity(FolderRecord* f) {
  if (f->id == 0 || !m_Identities) return;
  auto it = m_Identities->find(IdentityKey(f->id, f->partition));
  if (it == m_Identities->end()) return;
  if (it->second == f) {
    if (f->sameIdentityNext)
      it->second = f->sameIdentityNext;
    else
      m_Identities->erase(it);
  } else {
    for (FolderRecord* p = it->second; p->sameIdentityNext; p = p->sameIdentityNext) {
      if (p->sameIdentityNext == f) {
        p->sameIdentityNext = f->sameIdentityNext;
        break;
      }
    }
  }
  f->sameIdentityNext = nullptr;
}

FolderRecord* FolderList::FindByIdentity(uint32_t id, int16_t partition) const {
  if (id == 0 || !m_Identities || !m_Ordered) {
    for (FolderRecord* r = head; r; r = r->next)
      if (r->id == id && r->partition == partition) return r;
    return nullptr;
  }
  auto it = m_Identities->find(IdentityKey(id, partition));
  if (it == m_Identities->end()) return nullptr;
  FolderRecord* best = it->second;
  for (FolderRecord* c = best->sameIdentityNext; c; c = c->sameIdentityNext)
    if (IsBefore(c, best)) best = c;
  return best;
}

FolderList::AddResult FolderList::Add(const FolderRecord& values, uint32_t countAfter,
                                      FolderRecord** stored) {
  FolderRecord* match = nullptr;
  // The same folder may be stored anywhere in the list, also before the place of the new key (a
  // record of it under another parent): it is found by its identity, without a walk.
  if (head && values.id != 0 && m_Identities) {
    auto it = m_Identities->find(IdentityKey(values.id, values.partition));
    if (it != m_Identities->end()) {
      // The chain runs from the latest record to the earliest; the earliest in list order wins.
      for (FolderRecord* c = it->second; c; c = c->sameIdentityNext)
        if (!match || !m_Ordered || IsBefore(c, match)) match = c;
    }
  }

  if (match) {
    if (stored) *stored = match;
    if (!(match->deleted == 'y' && values.deleted != 'y')) return AddResult::Dropped;
    // A present folder replaces the deleted record of the same folder in place.
    const uint32_t oldKey = match->parentId;
    match->ansiName = values.ansiName;
    match->wideName = values.wideName;
    match->deleted = values.deleted;
    match->modified = values.modified;
    match->created = values.created;
    match->accessed = values.accessed;
    match->parentId = values.parentId;
    match->id = values.id;
    match->locator = values.locator;
    match->partition = values.partition;
    match->kind = 'D';
    match->selected = 'n';
    if (oldKey != match->parentId && match != head) {
      // Keep the list sorted: the record moves to the place of its new key.
      // The index may point at it: rebuild before the walk can use the index again.
      match->parentId = oldKey;
      UnlinkRecord(match);
      match->parentId = values.parentId;
      RebuildSkipIndex();
      LinkByKey(match);
      RebuildSkipIndex();
    }
    return AddResult::Merged;
  }

  FolderRecord* r = NewRecord();
  if (!r) return AddResult::NoMemory;
  *r = values;
  r->kind = 'D';
  r->selected = 'n';
  r->orderStamp = 0;
  r->sameIdentityNext = nullptr;
  const bool first = head == nullptr;
  if (values.id == 0 && !first)
    LinkAtEnd(r);
  else
    LinkByKey(r);
  AddIdentity(r);
  if (stored) *stored = r;
  if (first) {
    skipIndex.assign(1, r);
    skipThreshold = kSkipSpacing;
  } else {
    RebuildIfDue(countAfter);
  }
  return AddResult::Inserted;
}

void FolderList::SetParentInPlace(FolderRecord& f, uint32_t parentId) {
  if (f.parentId == parentId) return;
  if (&f != head && m_Ordered) MarkUnordered();
  f.parentId = parentId;
}

void FolderList::Unlink(FolderRecord& f) {
  RemoveIdentity(&f);
  UnlinkRecord(&f);
  RebuildSkipIndex();
}

void FolderList::Free() {
  FreeAll();
  m_Identities.reset();
}
