// The worker of "Formatted Data Recovery" on FAT12/16/32, also the fall-back of the FAT deleted
// scan and the file stage of the second pass of a FAT partition search. It trusts neither the FAT
// nor the root: it looks at the first sector of every cluster for the "." and ".." entries that
// open a directory, makes one folder "Dir<n>" per directory cluster (under its ".." parent, or
// under "Lost" when that parent was not found), then reads the root and every folder found and
// names the folders from their parents' entries and makes the files. A folder whose chain ends on
// a free FAT entry is read on into the clusters that follow while they hold directory entries
// (FatDirectoryReader::ContinuePastFreeChainEnd).
//
// Outside partition mode it builds the folder list itself from the volume geometry and the end of
// the source's range, both from the copy it takes when it starts (engine/scans/ScanSource.h) or
// is handed by the scan it follows; in partition mode the folders come from the dump of the chosen
// file system and only its folders (partition == chosenFileSystem) are read.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/scans/ScanSource.h"
#include "engine/worker/ScanJob.h"

inline constexpr std::string_view kFatFormattedImpossibleNotice =
    "Recovery is not possible using this option. Choose other mode for data recovery.";
inline constexpr std::string_view kFatSearchingFoldersStep =
    "Step 1/5 :- Searching Folders signatures. Please Wait...";
inline constexpr std::string_view kFatSearchingLostFoldersStep =
    "Step 2/5 :- Searching Lost Folders. Please Wait...  ";
inline constexpr std::string_view kFatInsertingRootStep =
    "Step 3/5 :- Inserting Root Data. Please Wait...  ";
inline constexpr std::string_view kFatInsertingSubDirectoriesStep =
    "Step 4/5 :- Inserting Sub Directories Data. Please Wait...  ";

// Ends:
//   Finished  the lists are complete (the page shows them; the size field is "Total Size" from
//             the root step on, "Current Sector" while clusters are searched);
//   Stopped   the user stopped a step; the later steps still ran on what was found (in
//             deleted-data mode, where Stop shows the results at once, only the lost-folder step);
//   Discard   sectors per cluster is 0: the user was told, the caller frees the folder list;
//   Cancelled the user went back; the caller throws the lists away;
//   Failed    a scan log could not be read (its reader told the user).
ScanEnd FatFormattedScanThread(ScanJob& job);
// The same on a source taken before: the deleted-file scan and the partition search hand over
// their own copy.
ScanEnd FatFormattedScan(ScanJob& job, const ScanSource& source);

// The lost-folder stage of the FAT scans: every folder of `partition` whose parent is neither the
// root (0) nor a folder of that partition, or whose parent chain loops (a folder that is its own
// parent included), gets the parent "Lost" (0x0FFFFFFF) and moves to its new place at the end of
// the list, so the list stays sorted and every folder stays reachable. A stop ends the search for
// missing parents; loops are broken in every case. Returns Stopped, Cancelled or Finished.
ScanEnd AssignFatLostFolders(ScanJob& job, int16_t partition);
