// A singly linked list of arena records that is only appended to and freed whole: the found
// files and directories, boot candidates, INDX blocks and partition records. The scans keep
// private lists of the same type on the stack; each list frees its own records.
#pragma once

#include "engine/RecordArena.h"

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

  // Frees every record; pointers into the list are invalid afterwards.
  void Free() {
    arena.Release();
    head = tail = nullptr;
  }

  // Walk: for (T* r = list.head; r; r = r->next)
};
