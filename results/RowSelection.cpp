#include "results/RowSelection.h"

#include <algorithm>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ResultLists.h"
#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"

namespace {
constexpr size_t kMaxAnsiNameBytes = 200;
}  // namespace

void MarkFilesOfFolders(const std::vector<uint32_t>& folderIds, bool selected,
                        const std::atomic<bool>& cancel,
                        void (*progress)(uint64_t, uint64_t, void*), void* context) {
  std::vector<uint32_t> ids = folderIds;
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  const uint64_t total = g_ScanState.fileCount.load();
  uint64_t visited = 0;
  const uint8_t mark = selected ? 'y' : 'n';
  for (FileRecord* f = g_ScanState.fileList.head; f; f = f->next) {
    if (cancel.load(std::memory_order_relaxed)) return;
    if (std::binary_search(ids.begin(), ids.end(), f->parentId)) f->selected = mark;
    if (progress && (++visited & 0x3FFF) == 0) progress(visited, total, context);
  }
  if (progress) progress(total, total, context);
}

void MarkEverything(int16_t chosenFs, bool selected, const std::atomic<bool>& cancel) {
  const uint8_t mark = selected ? 'y' : 'n';
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    if (cancel.load(std::memory_order_relaxed)) return;
    if (f->partition == chosenFs) f->selected = mark;
  }
  for (FileRecord* f = g_ScanState.fileList.head; f; f = f->next) {
    if (cancel.load(std::memory_order_relaxed)) return;
    f->selected = mark;
  }
}

bool FolderHoldsSelected(uint32_t folderId, int16_t chosenFs) {
  bool found = false;
  ForEachChild(g_ScanState.folderList, folderId, [&](FolderRecord& f) {
    if (f.partition == chosenFs && f.selected == 'y') found = true;
  });
  if (found) return true;
  ForEachChild(g_ScanState.fileList, folderId, [&](FileRecord& f) {
    if (f.selected == 'y') found = true;
  });
  return found;
}

std::string RenameRow(const ResultRow& row, const std::string& text) {
  const std::string current = RowName(row);
  if (text.empty() || text == current) return current;
  const std::u16string wide = Utf8ToUtf16(text);
  std::string ansi;
  const bool hasAnsi = row.folder ? row.folder->ansiName.IsSet() : row.file->ansiName.IsSet();
  if (hasAnsi) {
    ansi = Utf16ToCp437(wide);
    if (ansi.size() > kMaxAnsiNameBytes) ansi.resize(kMaxAnsiNameBytes);
  }
  if (row.folder)
    RenameFolderRecord(*row.folder, wide, ansi);
  else
    RenameFileRecord(*row.file, wide, ansi);
  return RowName(row);
}
