// The worker of "Deleted Data Recovery" on a FAT12, FAT16 or FAT32 volume: reads the root
// directory and then every folder it finds, present or deleted, and turns each directory entry
// into a FolderRecord or FileRecord of the result lists.
//
// It works from g_ScanState's geometry copy and file-system name, which the page sets before it
// starts the worker. Each folder is read once, in the order it was found (present folders before
// deleted ones), whatever cluster it lies in. Everything inside a deleted folder is marked deleted;
// a deleted folder's chain is cut at 26 clusters. When nothing at all is found the user is told
// that the formatted scan follows, and it runs on the same worker (engine/scans/FatFormattedScan.h).
#pragma once

#include <string_view>

#include "engine/worker/ScanJob.h"

// The notice shown when the deleted-file scan found nothing.
inline constexpr std::string_view kFatFormattedFallbackNotice =
    "Switching to Formatted data recovery for Lost files && folders. This will take long time.";

ScanEnd FatDeletedScanThread(ScanJob& job);
