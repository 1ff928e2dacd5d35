// The two result lists, in the order every reader relies on:
//   - the first record inserted stays first, whatever its key (the scans make it a placeholder
//     such as the folder "Lost");
//   - from the second record on, ascending parentId, equal keys in insertion order.
// Each list has a skip index: entry k is the record that was at position 10,000 x k when the
// index was last rebuilt (entry 0 is always the first record). The index is rebuilt after every
// 10,000th insertion and after any unlink or move, so it never points at a moved record.
//
// Insertion gives exactly the list order of the walk "start one index entry before the first
// entry whose key is >= K, then walk while the next key is <= K", but finds the place through a
// map from key to the last record of that key while the list is known to be sorted. A key changed
// in place (SetFolderParentInPlace) or a folder with id 0 appended out of order leaves the list
// unsorted; insertion then falls back to the walk itself until a rebuild finds the list sorted
// again.
//
// How to use them (records are read directly; builders are in engine/records/RecordBuilders.h):
//   append:      AddFileRecord({...}), AddFolderRecord({...}) (never link records by hand)
//   walk all:    for (auto* r = g_ScanState.folderList.head; r; r = r->next)
//   children:    ForEachChild(g_ScanState.fileList, folderId, [&](FileRecord& f) {...}); folder
//                readers filter by partition in the callback. By hand: FindFirstChild(list, id),
//                then NextChild(list, record, id) until it returns nullptr.
//   skip start:  list.SkipStart(key) is the readers' start record, if a walk needs its own rule.
//   by id:       FindFolderRecord(id, partition)
//   change key:  SetFolderParentInPlace(f, parent), UnlinkFolderRecord(f),
//                MoveFilesToParent(moves, parent); never assign parentId
//   free/reset:  FreeFolderList(), FreeFileList(), ResetScanState() (engine/records/ScanState.h); every
//                worker reading the list must have ended first.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/records/RecordArena.h"
#include "engine/records/ResultRecords.h"

inline constexpr uint32_t kSkipSpacing = 10000;

template <class R>
class KeyedList {
 public:
  R* head = nullptr;
  R* tail = nullptr;
  // g_FileSkipIndex / g_FolderSkipIndex and their thresholds (engine/records/ScanState.h names them).
  // The index grows by one entry per 10,000 records; it is never capped.
  std::vector<R*> skipIndex;
  uint32_t skipThreshold = kSkipSpacing;

  constexpr KeyedList() = default;
  KeyedList(const KeyedList&) = delete;
  KeyedList& operator=(const KeyedList&) = delete;

  // The start record of the readers' rule: the entry before the first index entry whose key is
  // >= key (entry 0 when that is entry 0), the last entry when none is; nullptr for an empty list.
  R* SkipStart(uint32_t key) const;

  // True while the fast structures describe the list (the list is sorted from its second record).
  bool IsOrdered() const { return m_Ordered; }

  // While the list is ordered: the first record after the head whose key is key, or nullptr when
  // there is none, found through the key groups; `known` is then true. On an unordered list
  // `known` is false and the caller walks from SkipStart.
  R* FirstOfKey(uint32_t key, bool& known) const {
    known = m_Ordered;
    if (!m_Ordered || !m_Groups) return nullptr;
    const auto it = m_Groups->find(key);
    return it != m_Groups->end() ? it->second.first : nullptr;
  }

  // Bytes held by the records and names of this list.
  size_t ArenaBytesUsed() const { return m_Arena.BytesUsed(); }
  size_t ArenaBytesReserved() const { return m_Arena.BytesReserved(); }

 protected:
  struct Group {
    R* first;
    R* last;
    uint32_t count;
  };
  using GroupMap = std::map<uint32_t, Group>;

  R* NewRecord() { return m_Arena.template New<R>(); }
  // Links r at the place of its key (as the walk would); r must not be on the list.
  void LinkByKey(R* r);
  // Links r after the last record whatever its key.
  void LinkAtEnd(R* r);
  // Removes r from the list and the key map (not from anything else); returns its predecessor.
  R* UnlinkRecord(R* r);
  R* Predecessor(R* r);
  // After an insertion that made the count `count`: the threshold rule.
  void RebuildIfDue(uint32_t count);
  void RebuildSkipIndex();
  void MarkUnordered();
  void FreeAll();
  // Folders number their records so that, within a key, a higher number means later in the
  // list; the merge uses it to tell which of two records comes first. Files need no number.
  void Stamp(R* r) {
    if constexpr (requires { r->orderStamp; }) r->orderStamp = m_NextStamp++;
  }

  RecordArena m_Arena;
  std::unique_ptr<GroupMap> m_Groups;
  bool m_Ordered = true;
  uint32_t m_NextStamp = 0;
};

class FileList : public KeyedList<FileRecord> {
 public:
  constexpr FileList() = default;

  // Inserts a filled record copy into key order; the record gets its sequence number from
  // `sequence`. Used by AddFileRecord.
  FileRecord* Insert(const FileRecord& values, uint32_t sequence, uint32_t countAfter);
  RecordArena& Arena() { return m_Arena; }
  void Free() { FreeAll(); }

  // Gives every file for which `moves` holds the key parentId in one pass (the lost-file stage):
  // the moved files keep their order and sequence numbers and follow the files of that key.
  // Returns how many were moved.
  size_t MoveToParent(const std::function<bool(const FileRecord&)>& moves, uint32_t parentId);
};

class FolderList : public KeyedList<FolderRecord> {
 public:
  constexpr FolderList() = default;

  enum class AddResult { Inserted, Merged, Dropped, NoMemory };

  // The whole of AddFolderRecord on this list: insert, merge into a stored deleted folder, or
  // drop. `values` carries copied names already. `countAfter` is the folder count once inserted.
  AddResult Add(const FolderRecord& values, uint32_t countAfter, FolderRecord** stored);

  // The first folder in list order with this id and partition, or nullptr.
  FolderRecord* FindByIdentity(uint32_t id, int16_t partition) const;

  // Changes a folder's key without moving it (the lost-folder stages). The list may then be out
  // of order; see the top of this file.
  void SetParentInPlace(FolderRecord& f, uint32_t parentId);

  // Takes f off the list and rebuilds the skip index. The record stays readable until the list
  // is freed (the lost-folder re-sort reads it to insert it again). The caller adjusts the count.
  void Unlink(FolderRecord& f);

  RecordArena& Arena() { return m_Arena; }
  void Free();

 private:
  static uint64_t IdentityKey(uint32_t id, int16_t partition) {
    return (uint64_t{id} << 16) | static_cast<uint16_t>(partition);
  }
  bool IsBefore(const FolderRecord* a, const FolderRecord* b) const;
  void AddIdentity(FolderRecord* f);
  void RemoveIdentity(FolderRecord* f);
  std::unique_ptr<std::unordered_map<uint64_t, FolderRecord*>> m_Identities;
};

// The readers' walk over the children of parentId: the first record when its own key is
// parentId, then the records of that key in the sorted part. The sorted part is entered through
// the key groups while the list is ordered, else by the walk from the skip index.
template <class R>
R* FirstInSortedPart(const KeyedList<R>& list, uint32_t parentId) {
  bool known = false;
  R* r = list.FirstOfKey(parentId, known);
  if (known) return r;
  r = list.SkipStart(parentId);
  if (r == list.head) r = r->next;
  while (r && r->parentId < parentId) r = r->next;
  return (r && r->parentId == parentId) ? r : nullptr;
}

template <class R>
R* FindFirstChild(const KeyedList<R>& list, uint32_t parentId) {
  if (!list.head) return nullptr;
  if (list.head->parentId == parentId) return list.head;
  return FirstInSortedPart(list, parentId);
}

template <class R>
R* NextChild(const KeyedList<R>& list, const R* current, uint32_t parentId) {
  // The first record sits outside the order: from it, enter the sorted part.
  if (current == list.head) return FirstInSortedPart(list, parentId);
  R* r = current->next;
  return (r && r->parentId == parentId) ? r : nullptr;
}

template <class R, class F>
void ForEachChild(const KeyedList<R>& list, uint32_t parentId, F&& fn) {
  for (R* r = FindFirstChild(list, parentId); r; r = NextChild(list, r, parentId)) fn(*r);
}
