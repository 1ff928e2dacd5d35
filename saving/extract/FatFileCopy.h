// Writes one FAT12/16/32 file of the result lists to a target folder: its clusters from the file
// allocation table when a copy of the table gives a chain of exactly the file's cluster count,
// otherwise the consecutive clusters from the first (right for an unfragmented deleted file),
// cut to the file's size, with its modification time.
//
// What it reads from is taken once, when the copy of the file starts: the source
// g_DevicePaths[g_CurrentDevice] and the volume described from g_VolumeGeometry and
// g_ScanState.fileSystem. The target side (creation, writes, counting, progress, the preview's
// Stop, how the file is left) is saving/extract/ExtractSink.h. The copy flags
// (prompts/CopyGlobals.h) are polled before every read: g_CopySkipOnce leaves this file,
// g_CopyAbort the whole copy; either way the part written stays, without the entry's time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "engine/worker/ScanJob.h"
#include "saving/extract/CopyObserver.h"
#include "saving/extract/TargetFiles.h"
#include "storage/fat/FatChain.h"
#include "storage/fat/FatVolume.h"

// Which table copy gives the chain: 0 the first, then the second when the first does not give
// the right length; 1 the first only; 2 the second only. The saving settings change it.
extern std::atomic<int32_t> g_FatCopySelector;
void ResetFatCopySelector();

struct FatCopyRequest {
  const TargetFolder* folder = nullptr;  // where the file is created
  std::u16string_view targetText;        // the target folder as the copy page shows it
  std::u16string_view name;              // the record's name; made safe for the target
  uint32_t size = 0;
  uint32_t firstCluster = 0;
  bool saving = true;  // the copy walk (admission, counting, progress); false for a preview
  bool deleted = false;
  uint16_t dosTime = 0;  // modification time and date as the directory entry holds them
  uint16_t dosDate = 0;
  ScanControl* control = nullptr;  // the worker's pause gate and stop, checked at every read
  ExistingName whenTaken = ExistingName::Rename;  // a target name taken already (the replace rule)
};

enum class FatCopyResult {
  Written,       // the whole file, with its time
  Short,         // the clusters ran out before the size: written as far as they go
  Refused,       // the admission step left it, or its name was taken and the rule said skip
  NotCopied,     // its first cluster does not lie in the data area: nothing written or counted
  CreateFailed,  // the target could not be created (the copy-error question was asked)
  WriteFailed,   // a write, time change or close failed (asked as well)
  Skipped,       // g_CopySkipOnce during the copy: partial file kept
  Aborted,       // g_CopyAbort during the copy: partial file kept
  PreviewStopped,
};

// Copies one file. Saving: admitted files add 1 to g_CopiedFileCount and g_CopiedBytes grows by
// the bytes that really reached the target (a file whose close or time change failed takes its
// bytes back); a failure asks the copy-error question. A preview counts nothing and asks nothing.
FatCopyResult CopyFatFile(const FatCopyRequest& request, CopyObserver& observer);

// Appends the chain of firstCluster from the table copy at tableStart, stopping once it holds
// more than expectedCount clusters.
void GetFileClusterChain(ClusterList& list, const FatVolume& volume, uint32_t firstCluster,
                         uint64_t tableStart, uint64_t expectedCount);
