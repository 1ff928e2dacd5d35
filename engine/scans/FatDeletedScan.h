// The worker of "Deleted Data Recovery" on a FAT12, FAT16 or FAT32 volume: reads the root
// directory and then every folder it finds, present or deleted, and turns each directory entry
// into a FolderRecord or FileRecord of the result lists.
//
// It works from the copy of the volume geometry, the file-system name (g_ScanState.fileSystem) and
// the source that it takes when it starts (engine/scans/ScanSource.h). Each folder is read once,
// in the order it was found (present folders before deleted ones), whatever cluster it lies in.
// Everything inside a deleted folder is marked deleted; a deleted folder's chain is cut at 26
// clusters. When nothing at all is found the user is told that the formatted scan follows, and it
// runs on the same worker, from the same copy (engine/scans/FatFormattedScan.h).
#pragma once

#include <string_view>

#include "engine/worker/ScanJob.h"

// The notice shown when the deleted-file scan found nothing.
inline constexpr std::string_view kFatFormattedFallbackNotice =
    "Switching to Formatted data recovery for Lost files && folders. This will take long time.";

ScanEnd FatDeletedScanThread(ScanJob& job);
