// The results tree's checked folders as the size evaluation and the copy take them: a snapshot
// made on the UI thread from the tree (widgets/FolderTreeModel.h), so the workers that count and
// copy never touch the tree. The same snapshot and the same file test serve both, so what the
// size evaluation counts is what the copy writes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/records/ResultRecords.h"

// One folder whose files are taken, in the tree's depth-first order.
struct FolderWalkEntry {
  uint32_t folderId = 0;
  // Target folder below the chosen path: one safe UTF-8 name per tree level, empty for the root.
  std::vector<std::string> targetPath;
};

struct FolderWalk {
  int32_t selectionMode = 0;  // 0 checked records only, 2 unchecked only, anything else all
  std::vector<FolderWalkEntry> folders;
};

// The selection test on a record's or an item's mark: with mode 0 only checked, with 2 only
// unchecked, with any other mode everything passes.
bool PassesSelectionMode(bool checked, int32_t selectionMode);

struct SizeTotals {
  int32_t fileCount = 0;
  uint64_t byteTotal = 0;
};

// Decides whether a file that passed the selection test is taken (the saving settings' date,
// deleted and extension rules); an empty function takes every file.
using FileAdmission = std::function<bool(const FileRecord&)>;

// Adds the files of folder folderId that pass the selection test and admission to totals.
void CollectFolderFiles(uint32_t folderId, int32_t selectionMode, const FileAdmission& admit,
                        SizeTotals& totals);

// CollectFolderFiles over every folder of walk, in order. After each folder onFolder (when
// given) sees the totals so far and may return false to stop the walk early.
SizeTotals SizeWalk(const FolderWalk& walk, const FileAdmission& admit,
                    const std::function<bool(const SizeTotals&)>& onFolder = {});

// The total as the size evaluation shows it: "%.3f TB size" above 2^40 bytes, "%.3f GB size"
// above 2^30, else "%.3f MB size".
std::string SizeTotalText(uint64_t bytes);
