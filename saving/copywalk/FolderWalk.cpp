#include "saving/copywalk/FolderWalk.h"

#include <cstdio>

#include "engine/records/ScanState.h"

bool PassesSelectionMode(bool checked, int32_t selectionMode) {
  if (selectionMode == 0) return checked;
  if (selectionMode == 2) return !checked;
  return true;
}

void CollectFolderFiles(uint32_t folderId, int32_t selectionMode, const FileAdmission& admit,
                        SizeTotals& totals) {
  ForEachChild(g_ScanState.fileList, folderId, [&](const FileRecord& f) {
    if (!PassesSelectionMode(f.selected == 'y', selectionMode)) return;
    if (admit && !admit(f)) return;
    ++totals.fileCount;
    totals.byteTotal += f.size;
  });
}

SizeTotals SizeWalk(const FolderWalk& walk, const FileAdmission& admit,
                    const std::function<bool(const SizeTotals&)>& onFolder) {
  SizeTotals totals;
  for (const FolderWalkEntry& folder : walk.folders) {
    CollectFolderFiles(folder.folderId, walk.selectionMode, admit, totals);
    if (onFolder && !onFolder(totals)) break;
  }
  return totals;
}

std::string SizeTotalText(uint64_t bytes) {
  constexpr double kMiB = 1024.0 * 1024.0;
  constexpr uint64_t kGiB = uint64_t{1} << 30;
  constexpr uint64_t kTiB = uint64_t{1} << 40;
  char text[64];
  const auto b = static_cast<double>(bytes);
  if (bytes > kTiB)
    std::snprintf(text, sizeof text, "%.3f TB size", b / static_cast<double>(kTiB));
  else if (bytes > kGiB)
    std::snprintf(text, sizeof text, "%.3f GB size", b / static_cast<double>(kGiB));
  else
    std::snprintf(text, sizeof text, "%.3f MB size", b / kMiB);
  return text;
}
