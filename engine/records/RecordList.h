// A singly linked list of arena records that is appended to and freed whole: the found files and
// directories, boot candidates, INDX blocks and partition records. The scans keep private lists
// of the same type on the stack; each list frees its own records.
#pragma once

#include "engine/records/RecordArena.h"

template <class T>
struct RecordList {
  T* head = nullptr;
  T* tail = nullptr;
  RecordArena arena;

  bool Empty() const { return head == nullptr; }

  // A new zeroed record linked after the last one, or nullptr after the out-of-memory notice
  // when a test stopped the exit.
  T* AppendNew() {
    T* r = arena.New<T>();
    if (!r) return nullptr;
    if (tail)
      tail->next = r;
    else
      head = r;
    tail = r;
    return r;
  }

  // Takes every record for which drop(record) is true off the list (its memory stays in the
  // arena until Free) and returns how many were taken off.
  template <class Drop>
  size_t RemoveIf(Drop drop) {
    size_t removed = 0;
    T* kept = nullptr;
    for (T* r = head; r;) {
      T* next = r->next;
      if (drop(*r)) {
        ++removed;
        if (kept)
          kept->next = next;
        else
          head = next;
      } else {
        kept = r;
      }
      r = next;
    }
    tail = kept;
    return removed;
  }

  // Frees every record; pointers into the list are invalid afterwards.
  void Free() {
    arena.Release();
    head = tail = nullptr;
  }

  // Walk: for (T* r = list.head; r; r = r->next)
};
