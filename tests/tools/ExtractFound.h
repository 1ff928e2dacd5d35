// scan-dump's --extract: writes every found file (or only the deleted ones) through the program's
// own extraction into a folder, under the folders the copy walk would create for it.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
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

// The target folders of the found folders, each created and opened once and kept open while files
// go into it, as the copy walk keeps a descriptor per folder: a file costs no walk of its path.
// Folders belong to the chosen file system (0 outside partition recovery), as the results tree
// shows them.
class TargetFolders {
 public:
  TargetFolders(const TargetFolder& root, uint32_t rootId) : m_Root(root), m_RootId(rootId) {}

  // The open folder for folder id `id`, or nullptr when its chain of parents does not reach the
  // root; a folder that could not be created comes back closed.
  const TargetFolder* Open(uint32_t id) {
    // A scan's files come folder by folder, so few folders are needed at once: the descriptors
    // are given back in a batch long before the process runs out of them.
    if (m_Open.size() >= kMaxOpen) m_Open.clear();
    const auto partition = static_cast<int16_t>(g_ScanState.chosenFileSystem.load());
    // Up the chain to the root, "Lost" or a folder already open.
    std::vector<const FolderRecord*> chain;
    const TargetFolder* at = &m_Root;
    for (uint32_t steps = 0; id != m_RootId; ++steps) {
      if (auto it = m_Open.find(id); it != m_Open.end()) {
        at = &it->second;
        break;
      }
      const FolderRecord* f = FindFolderRecord(id, partition);
      if (!f || steps > g_ScanState.folderCount.load() + 1) return nullptr;
      chain.push_back(f);
      if (f->id == kLostFolderId) break;
      id = f->parentId;
    }
    // Down again, opening each folder from its parent's descriptor. A chain deeper than the
    // cache holds goes on in two spare handles, the parent's and the child's.
    size_t spare = 0;
    for (auto f = chain.rbegin(); f != chain.rend(); ++f) {
      TargetFolder sub = at->Subfolder(SafeFileName(RecordName(**f)));
      if (!sub.IsOpen()) return &m_Closed;
      if (m_Open.size() < kMaxOpen) {
        at = &m_Open.insert_or_assign((*f)->id, std::move(sub)).first->second;
      } else {
        m_Deep[spare] = std::move(sub);
        at = &m_Deep[spare];
        spare ^= 1;
      }
    }
    return at;
  }

 private:
  static constexpr size_t kMaxOpen = 256;
  const TargetFolder& m_Root;
  uint32_t m_RootId;
  std::unordered_map<uint32_t, TargetFolder> m_Open;
  TargetFolder m_Deep[2];
  TargetFolder m_Closed;
};

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
  TargetFolders folders(root, ntfs ? kNtfsRootId : 0);
  // Folders first, as the copy walk creates them.
  for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    if (onlyDeleted && f->deleted != 'y') continue;
    if (f->partition != g_ScanState.chosenFileSystem.load()) continue;
    folders.Open(f->id);
  }
  int failures = 0;
  CopyObserver observer;
  SkipFailingFiles prompt;
  SetCopyErrorPrompt(&prompt);
  for (const FileRecord* r = g_ScanState.fileList.head; r; r = r->next) {
    if (onlyDeleted && r->deleted != 'y') continue;
    const std::u16string name = RecordName(*r);
    if (!onlyName.empty() && Utf16ToUtf8(name) != onlyName) continue;
    const TargetFolder* folder = folders.Open(r->parentId);
    if (!folder) {
      // A file no folder of the tree leads to would be lost without a word.
      ++failures;
      std::fprintf(stderr, "extract: no folder for %s\n", Utf16ToUtf8(name).c_str());
      continue;
    }
    const int result =
        ntfs ? ExtractNtfs(*r, *folder, name, observer) : ExtractFat(*r, *folder, name, observer);
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
