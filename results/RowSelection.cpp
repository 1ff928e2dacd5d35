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

bool MarkingJob::Writes(const FileRecord& f) const {
  return everything || std::binary_search(folderIds.begin(), folderIds.end(), f.parentId);
}

void RowMarking::Start(MarkingJob job, std::function<void()> ended) {
  Join();
  std::sort(job.folderIds.begin(), job.folderIds.end());
  job.folderIds.erase(std::unique(job.folderIds.begin(), job.folderIds.end()), job.folderIds.end());
  m_Job = std::move(job);
  m_Stop = false;
  m_Running = true;
  m_Thread = std::thread([this, ended = std::move(ended)] {
    if (m_Job.everything)
      MarkEverything(m_Job.chosenFs, m_Job.selected, m_Stop);
    else
      MarkFilesOfFolders(m_Job.folderIds, m_Job.selected, m_Stop);
    if (ended) ended();
  });
}

void RowMarking::Join() {
  if (m_Thread.joinable()) m_Thread.join();
  m_Running = false;
}

void RowMarking::Stop() {
  m_Stop = true;
  Join();
}

namespace {
template <class Record>
bool MarkOf(const Record& r, const MarkingJob* running) {
  return running && running->Writes(r) ? running->selected : r.selected == 'y';
}
}  // namespace

bool RowMarking::Shown(const ResultRow& row) const {
  return row.folder ? MarkOf(*row.folder, Job()) : MarkOf(*row.file, Job());
}

void RowMarking::MarkRows(std::vector<ResultRow>& rows, bool selected, bool wholeList,
                          const FolderRecord* folder) const {
  const uint8_t mark = selected ? 'y' : 'n';
  for (ResultRow& r : rows) {
    if (!wholeList && (!folder || r.folder != folder)) continue;
    if (Job() && m_Job.Writes(r)) continue;
    (r.folder ? r.folder->selected : r.file->selected) = mark;
  }
}

bool FolderHoldsSelected(uint32_t folderId, int16_t chosenFs, const MarkingJob* running) {
  bool found = false;
  ForEachChild(g_ScanState.folderList, folderId, [&](FolderRecord& f) {
    if (f.partition == chosenFs && MarkOf(f, running)) found = true;
  });
  if (found) return true;
  ForEachChild(g_ScanState.fileList, folderId, [&](FileRecord& f) {
    if (MarkOf(f, running)) found = true;
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
