// The search's walk over the two result lists: folders of the chosen file system (left out when
// the size box is checked), then files, each tested by results/SearchMatch.h. A record is listed
// only where the results tree shows it below the root: a folder with its own tree item, a file in
// a folder that has one (files directly in the root and files of unknown folders are left out).
// The walk reads the lists and the records' tree items, never the tree, so it may run on a worker
// while the UI thread works the tree; the page's lists must outlive it.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/records/ResultRecords.h"
#include "engine/worker/ScanJob.h"
#include "results/SearchMatch.h"
#include "storage/FileSystemKind.h"

struct SearchMatch {
  FolderRecord* folder = nullptr;  // exactly one of the two is set
  FileRecord* file = nullptr;
  uintptr_t treeItem = 0;  // the folder's own item, or the item of the file's folder
};

struct SearchScope {
  int16_t chosenFs = 0;  // g_ScanState.chosenFileSystem
  FileSystemKind fs = FileSystemKind::None;
  uintptr_t rootItem = 0;  // the results tree's root item
};

// The tree item of a file's folder for its check: the root item for a file of the root folder,
// else the item of its folder record; 0 when that folder has none or is not on the list.
uintptr_t FileFolderItem(const FileRecord& file, const SearchScope& scope);

// Calls found for every match in list order; passes control's checkpoint every few hundred
// records (it blocks while paused). Returns false when the walk was cancelled.
bool SearchRecords(const SearchCriteria& criteria, const SearchScope& scope, ScanControl& control,
                   const std::function<void(const SearchMatch&)>& found);
