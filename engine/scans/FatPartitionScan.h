// The worker of "Partition Data Recovery" on FAT: a search of a sector range for the FAT file
// systems it holds, whether their partition table and boot sectors survive or not.
//
// First pass (g_PartitionPass 0, which it makes 1): every sector of g_SourceStartSector ..
// g_SourceEndSector is looked at once. FAT16 and FAT32 boot sectors become boot candidates and
// directory clusters (a "." and a ".." entry) become found directories. A candidate whose
// geometry places found directories exactly at their own clusters becomes a file system; found
// directories left over are paired, and two that agree on a cluster size and a cluster-0 sector
// make a file system without a boot sector, which takes every other directory that fits it.
// The result is the partition list and, per found directory, the file system it belongs to.
//
// Second pass (g_PartitionPass 1): the file system the user chose (chosenFileSystem, checked
// against the number found) is dumped into the folder list and the formatted scan names its
// folders and makes its files, on the same worker.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/worker/ScanJob.h"

inline constexpr std::string_view kFatSearchingBootSectorsStep =
    "Step 1/5 :- Searching Boot Sectors/Sub-Directories. Please Wait...";
inline constexpr std::string_view kFatAnalysingPhase1Step =
    "Step 2/5 :- Analysing File System(Phase 1). Please Wait...  ";
inline constexpr std::string_view kFatAnalysingPhase2Step =
    "Step 3/5 :- Analysing File System(Phase 2). Please Wait...  ";

// Ends: PassDone after the first pass (also when it was stopped: what it found is listed);
// after the second pass as FatFormattedScanThread ends, or Finished with a scan log loaded;
// Cancelled when the user went back; Failed when no search buffer could be had, or when the chosen
// file system is not one of those found.
ScanEnd FatPartitionScanThread(ScanJob& job);

// The first pass alone, on the source globals: the three steps above, from fresh counts and lists.
// Returns PassDone, Cancelled or Failed.
ScanEnd FatPartitionFirstPass(ScanJob& job);
