// What the checked-path list reads of a tree whose items carry check boxes: the structure, the
// texts and the check marks. The device and folder tree provides it; tests use a small fake.
#pragma once

#include <cstdint>
#include <string>

class CheckTreeView {
 public:
  using Item = std::uintptr_t;
  static constexpr Item kNoItem = 0;

  virtual ~CheckTreeView() = default;
  // The first child of item; with kNoItem, the first top-level item.
  virtual Item GetChildItem(Item item) const = 0;
  virtual Item GetNextSiblingItem(Item item) const = 0;
  // kNoItem for a top-level item.
  virtual Item GetParentItem(Item item) const = 0;
  virtual std::u16string GetItemText(Item item) const = 0;
  // The check-box state image less one: 1 checked, 0 unchecked, -1 no check box.
  virtual int GetCheckState(Item item) const = 0;
};
