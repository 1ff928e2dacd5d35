// The preview's extraction: one file of the result lists written into the preview folder by the
// same FAT and NTFS copy routines that saving uses, in their preview mode (nothing counted, no
// question asked, progress to the preview bar, stopped by the preview's Stop). A file of the same
// name from an earlier preview is replaced.
#pragma once

#include <optional>
#include <string>

#include "engine/records/ResultRecords.h"
#include "engine/worker/ScanJob.h"
#include "saving/extract/CopyObserver.h"
#include "saving/extract/TargetFiles.h"
#include "storage/FileSystemKind.h"

struct PreviewRequest {
  const FileRecord* file = nullptr;
  FileSystemKind fileSystem = FileSystemKind::Unknown;
  bool recordsAtLocator = false;  // formatted or partition recovery: NTFS records at their sector
  ScanControl* control = nullptr;
};

struct PreviewExtraction {
  std::string safeName;  // the file's name in the folder
  bool stopped = false;  // the preview's Stop ended it: the file is incomplete
};

// Nothing when the file system is neither FAT nor NTFS (nothing is written then).
std::optional<PreviewExtraction> ExtractForPreview(const PreviewRequest& request,
                                                   const TargetFolder& folder,
                                                   CopyObserver& observer);
