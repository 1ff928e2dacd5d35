// Which worker runs for the chosen file system and recovery mode: the one table that the
// analysis page and the test drivers share.
#pragma once


#include "engine/worker/ScanJob.h"
#include "storage/FileSystemKind.h"

// A scan, log reader or imaging worker: runs on the calling (worker) thread until it ends.
using ScanThreadFn = ScanEnd (*)(ScanJob& job);

// The worker for file system `fileSystem` under the
// current mode flags (g_FormattedMode, g_PartitionMode, g_PartitionPass of engine/records/ScanState.h),
// or nullptr when none applies (the page then starts nothing).
ScanThreadFn SelectScanThread(FileSystemKind fileSystem);
