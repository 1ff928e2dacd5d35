// What checking a row or a folder does to the records, and renaming a row: the rules of the
// results page that need no window. The select and deselect workers run MarkFilesOfFolders and
// MarkEverything; the page calls the rest on the UI thread while no worker writes the marks.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "results/ResultRows.h"

// Sets the selected mark of every file whose parent is one of folderIds (the folders the tree
// marked); stops early once cancel is set. progress (when given) sees files visited and the total.
void MarkFilesOfFolders(const std::vector<uint32_t>& folderIds, bool selected,
                        const std::atomic<bool>& cancel,
                        void (*progress)(uint64_t visited, uint64_t total, void* context) = nullptr,
                        void* context = nullptr);

// Marks every folder of file system chosenFs and every file (a check of the tree's root); stops
// early once cancel is set.
void MarkEverything(int16_t chosenFs, bool selected, const std::atomic<bool>& cancel);

// Whether folder folderId (of file system chosenFs) holds a checked subfolder or file directly.
bool FolderHoldsSelected(uint32_t folderId, int16_t chosenFs);

// A row's new name: an empty text puts the current name back (nothing changes); another text is
// stored in the record (an 8-bit name in the FAT code page, at most 200 bytes). Returns the name
// the row shows afterwards.
std::string RenameRow(const ResultRow& row, const std::string& text);
