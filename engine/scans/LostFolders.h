// The lost-folder stage every scan ends with: a folder whose parent was not found, or whose parent
// chain loops, is put under the folder "Lost" (id 0x0FFFFFFF) and moved to the end of the list;
// a file whose parent is no folder goes under "Lost" too, and a folder found without a name is
// named from its id.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/worker/ScanJob.h"

inline constexpr const char* kAssigningLostFoldersFormat = "Assigning Lost Folders : %d/%d";

// Walks the folders of file system `partition` in list order. Every folder whose parent is
// neither the root (`rootId`: 5 on NTFS, 0 on FAT), nor "Lost", nor a folder of the same
// partition gets the parent "Lost"; the detail line counts "Assigning Lost Folders : n/total"
// against folderCount and the bar follows. A folder whose parent chain closes a loop goes under
// "Lost" too, since a reader following it would never reach the top. The moved folders are then
// taken off and inserted again, which puts them at the end of the list.
// Returns Stopped when the user stopped it (folders visited so far are moved, the rest keep
// their parents; loops are broken in every case), Cancelled when cancelled, else Finished.
// `moved` receives the number of folders put under "Lost". The FAT scans show no detail line in
// this stage (`showDetail` false). Unless cancelled, the stage ends with NameNamelessFolders and
// MoveLostFiles, so nothing found is left where no reader of the tree reaches it.
ScanEnd MoveLostFolders(ScanJob& job, uint32_t rootId, int16_t partition, uint32_t& moved,
                        bool showDetail = true);

// Names every folder of `partition` that has no name "Dir<id>" (its MFT number or first cluster),
// as the FAT formatted scan names the folders it finds, so that two such folders can be told
// apart and each gets a folder of its own when saved.
void NameNamelessFolders(uint32_t rootId, int16_t partition);

// Gives every file whose parent is neither the root, nor "Lost", nor a found folder the parent
// "Lost" (a deleted folder whose record was reused or could not be read takes no file with it).
// "Lost" is made for `partition` when it is missing. Returns the number of files moved.
uint32_t MoveLostFiles(uint32_t rootId, int16_t partition);
