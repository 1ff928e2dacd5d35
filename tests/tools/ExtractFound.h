// scan-dump's --extract: writes every found file (or only the deleted ones) through the program's
// own extraction into a folder, under the folders the copy walk would create for it.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "prompts/CopyErrorPrompt.h"
#include "saving/extract/FatFileCopy.h"
#include "saving/extract/NtfsFileCopy.h"
#include "saving/extract/TargetFiles.h"

namespace extract_found {

template <class R>
std::u16string RecordName(const R& r) {
  if (r.ansiName.IsSet()) return FatShortNameToUtf16(std::string(r.ansiName.View()));
  return std::u16string(r.wideName.View());
}

// The names of the folders from the root down to parentId, or nothing when the chain of parents
// does not reach the root. Folders belong to the chosen file system (0 outside partition
// recovery), as the results tree shows them.
inline bool FolderNames(uint32_t parentId, uint32_t rootId, std::vector<std::u16string>& out) {
  out.clear();
  const auto partition = static_cast<int16_t>(g_ScanState.chosenFileSystem.load());
  uint32_t id = parentId;
  for (uint32_t steps = 0; id != rootId; ++steps) {
    const FolderRecord* f = FindFolderRecord(id, partition);
    if (!f || steps > g_ScanState.folderCount.load() + 1) return false;
    out.insert(out.begin(), RecordName(*f));
    if (f->id == kLostFolderId) break;
    id = f->parentId;
  }
  return true;
}

inline TargetFolder OpenPath(const TargetFolder& root, const std::vector<std::u16string>& names) {
  TargetFolder at = root.Duplicate();
  for (const auto& n : names) {
    at = at.Subfolder(SafeFileName(n));
    if (!at.IsOpen()) break;
  }
  return at;
}

// The copy-error question answered Skip, as a user who wants every other file would: each failing
// file is named on stderr and the extraction goes on.
struct SkipFailingFiles final : CopyErrorPrompt {
  CopyErrorAnswer AskCopyError() override {
    std::fputs("copy error: skip\n", stderr);
    return CopyErrorAnswer::Skip;
  }
};

// 0 when the file was written whole, else the extraction's result code.
inline int ExtractFat(const FileRecord& r, const TargetFolder& folder, std::u16string_view name,
                      CopyObserver& observer) {
  FatCopyRequest request;
  request.folder = &folder;
  request.name = name;
  request.size = static_cast<uint32_t>(r.size);
  request.firstCluster = r.id;
  request.deleted = r.deleted == 'y';
  request.dosDate = static_cast<uint16_t>(r.modified.first);
  request.dosTime = static_cast<uint16_t>(r.modified.second);
  return static_cast<int>(CopyFatFile(request, observer));
}

// As the copy walk does: a record of the signature scan (formatted or partition recovery) is
// read at its sector, one of the deleted-file scan by its number through the $MFT map.
inline int ExtractNtfs(const FileRecord& r, const TargetFolder& folder, std::u16string_view name,
                       CopyObserver& observer) {
  NtfsCopyRequest request;
  request.folder = &folder;
  request.name = name;
  request.size = r.size;
  request.recordNumber = r.id;
  if (g_FormattedMode.load() || g_PartitionMode.load()) request.recordSector = r.locator;
  request.deleted = r.deleted == 'y';
  request.modified = r.modified.AsFileTime();
  return static_cast<int>(CopyNtfsFile(request, observer));
}

// Returns the number of files that could not be written completely.
inline int Extract(const std::string& dir, std::string_view fs, bool onlyDeleted,
                   const std::string& onlyName = {}) {
  const bool fat = fs == "FAT12" || fs == "FAT16" || fs == "FAT32";
  const bool ntfs = fs == "NTFS";
  if (!fat && !ntfs) {
    std::fprintf(stderr, "scan-dump: --extract is not available for %.*s yet\n",
                 static_cast<int>(fs.size()), fs.data());
    return 1;
  }
  ::mkdir(dir.c_str(), 0755);  // an existing folder is fine
  const TargetFolder root = TargetFolder::Open(dir);
  if (!root.IsOpen()) {
    std::fprintf(stderr, "scan-dump: cannot open %s\n", dir.c_str());
    return 1;
  }
  const uint32_t rootId = ntfs ? kNtfsRootId : 0;
  std::vector<std::u16string> names;
  // Folders first, as the copy walk creates them.
  for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    if (onlyDeleted && f->deleted != 'y') continue;
    if (f->partition != g_ScanState.chosenFileSystem.load()) continue;
    if (!FolderNames(f->parentId, rootId, names)) continue;
    names.push_back(RecordName(*f));
    OpenPath(root, names);
  }
  int failures = 0;
  CopyObserver observer;
  SkipFailingFiles prompt;
  SetCopyErrorPrompt(&prompt);
  for (const FileRecord* r = g_ScanState.fileList.head; r; r = r->next) {
    if (onlyDeleted && r->deleted != 'y') continue;
    const std::u16string name = RecordName(*r);
    if (!onlyName.empty() && Utf16ToUtf8(name) != onlyName) continue;
    if (!FolderNames(r->parentId, rootId, names)) continue;
    const TargetFolder folder = OpenPath(root, names);
    const int result =
        ntfs ? ExtractNtfs(*r, folder, name, observer) : ExtractFat(*r, folder, name, observer);
    if (result != 0) {
      ++failures;
      std::fprintf(stderr, "extract: result %d for %s\n", static_cast<int>(result),
                   Utf16ToUtf8(name).c_str());
    }
  }
  SetCopyErrorPrompt(nullptr);
  return failures;
}

}  // namespace extract_found
