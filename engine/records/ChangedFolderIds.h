// g_ChangedFolderIds: the ids of the folders whose records the results tree marked checked or
// unchecked since the last select or deselect worker ran. The tree appends on the UI thread; the
// worker takes the whole list when it starts. A lock guards the hand-over.
#pragma once

#include <cstdint>
#include <vector>

void AppendChangedFolderId(uint32_t id);
// Every id appended so far, in order; the list is empty afterwards.
std::vector<uint32_t> TakeChangedFolderIds();
void FreeChangedFolderIds();
