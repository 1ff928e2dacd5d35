// Turns the found records of one file system (the found directories and, on NTFS, the found
// files of a signature or partition scan) into the folder and file lists that the results page
// reads, and puts folders whose parent was not found under "Lost".
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/worker/ScanJob.h"

inline constexpr std::string_view kDumpNtfsStep =
    "Step 4.3/5 :- Dumping Files/Folders information for Selected File System. Please Wait...  ";
inline constexpr std::string_view kDumpFatStep =
    "Step 4/5 :- Dumping Folders information for Selected File System. Please Wait...  ";
inline constexpr std::string_view kDumpLostStep =
    "Step 5/5 :- Searching lost directories. Please Wait...  ";
inline constexpr const char* kDumpingFormat = "Dumping Files && Folders : %d/%d";
inline constexpr std::string_view kTotalSizeLabel = "Total Size                   ";

// RecoveryAnalysis::DumpFileSystemRecords for file system `fileSystem` (N), by g_FileSystemName:
//
// NTFS (any name but "FAT12", "FAT16", "FAT32"): the folder "Lost" (parent 5, partition N) when
// there are found directories; each found directory but the root (directoryId 5) as a folder with
// id := directoryId, locator := recordSector and partition := its assignedPartition; each found
// file with a parent as a file with id := recordNumber and locator := recordSector (no placeholder
// file: it would be a file "Lost" beside the folder "Lost"); then the lost-folder stage for
// partition N.
//
// FAT: the folder "Lost" (8-bit name, parent 0, partition N) and each found directory as the
// folder "Dir" + the folder count at its insertion; then the lost-folder stage (root 0). FAT files
// are made by the FAT formatted scan afterwards.
//
// In partition recovery the found lists stay, since the user may choose another file system
// afterwards: each dump then starts from empty folder and file lists, and takes only the found
// files that lie within file system N (its PartitionRecord's range, as directories are assigned),
// so the tree of one file system never shows another's files. In any other mode the found lists
// are consumed (freed at the end). Lists read from a scan log saved from the results page
// (g_LogLoaded still set) are kept: the log holds no found records to build them again from.
//
// Stop ends the directory step and the lost-folder walk early (the next step still runs); the
// file step clears it first. Returns Finished, Stopped when a stop ended a step, or Cancelled.
ScanEnd DumpFileSystemRecords(ScanJob& job, int32_t fileSystem);
