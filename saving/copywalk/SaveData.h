// The copy: the checked folders of a FolderWalk written under the target folder, each file through
// the FAT or NTFS extraction, admitted by the saving settings (the same rule the size evaluation
// counted with), with the replace question for a name that exists already.
//
// Runs on the copy page's worker. It never touches a control: the page learns what happens
// through the CopyObserver and the copy counters (saving/extract/CopyCounters.h), and Pause, Skip
// and Stop reach it through the ScanControl and the copy flags.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/worker/ScanJob.h"
#include "saving/copywalk/FolderWalk.h"
#include "saving/extract/CopyObserver.h"
#include "storage/FileSystemKind.h"

inline constexpr std::string_view kSavingCompleted = "Saving completed successfully.";
inline constexpr std::string_view kSavingNotCompleted = "Saving not completed successfully.";

struct SaveDataRequest {
  const FolderWalk* walk = nullptr;
  std::string targetPath;  // the folder the user accepted (UTF-8)
  FileSystemKind fileSystem = FileSystemKind::None;
  // NTFS records found by the signature scans (formatted and partition recovery) are read at
  // their sector; those of the deleted-file scan by their number through the $MFT.
  bool recordsAtLocator = false;
  ScanControl* control = nullptr;
};

// What the copy did, beyond the counters.
struct SaveDataOutcome {
  uint32_t filesIncomplete = 0;  // admitted files not written whole (short, unreadable, failed, skipped)
  uint64_t zeroFilledSectors = 0;  // sectors read as zeros because they could not be read
  bool rootFailed = false;         // the target folder could not be created or opened
  bool stopped = false;            // Stop, an Abort answer or a cancelled worker ended it early
};

// Creates every missing folder of path, from its first component to its last. A file standing
// where a folder must be is removed first (never a folder, never through a link). True when
// path is a folder at the end.
bool CreateDirectoryPath(const std::string& path);

// Copies every admitted file of every folder of request.walk, in order. g_CopyStartTime is set at
// its start; g_CopiedBytes and g_CopiedFileCount grow as files are written.
SaveDataOutcome SaveDataThread(const SaveDataRequest& request, CopyObserver& observer);

// The end message: complete only when the bytes written (with the sizes of files the user chose
// to skip at an existing name) equal the evaluated total and nothing was cut short, left out or
// read as zeros.
std::string_view SaveEndText(uint64_t copiedBytes, uint64_t evaluatedBytes,
                             const SaveDataOutcome& outcome);

// What the copy page says at the end: its end text (complete, not complete, aborted), then, when
// some files were not written whole (cut short, unreadable, failed or skipped), how many, so a
// user knows which copies to distrust.
std::string WithIncompleteCount(std::string_view endText, const SaveDataOutcome& outcome);

// Seconds since 1970 when the current copy started.
extern std::atomic<int64_t> g_CopyStartTime;
