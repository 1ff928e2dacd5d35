// The handle of a node of the tree model: what FolderRecord::treeItem and the partition entries'
// treeItem hold. 0 is no node.
#pragma once

#include <cstdint>

using TreeItem = uintptr_t;
inline constexpr TreeItem kNoItem = 0;
