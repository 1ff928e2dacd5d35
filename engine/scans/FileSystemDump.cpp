#include "engine/scans/FileSystemDump.h"

#include <cstdio>
#include <string>

#include "engine/scans/LostFolders.h"
#include "engine/records/RecordBuilders.h"
#include "engine/worker/ScanBar.h"
#include "engine/records/ScanState.h"
#include "storage/SourceGlobals.h"

namespace {

// The folder a found directory becomes, without its name (the two branches name it differently).
NewFolder FolderFromFound(const FoundDirectoryRecord& d) {
  NewFolder f;
  f.deleted = d.deleted;
  f.parentId = d.parentId;
  f.id = d.directoryId;
  f.locator = d.recordSector;
  f.modified = d.modified;
  f.created = d.created;
  f.accessed = d.accessed;
  f.partition = static_cast<int16_t>(d.assignedPartition & 0xFFFF);
  return f;
}

constexpr uint32_t kFatRootId = 0;

// Progress of the dump: the counts of the lists it builds, in size mode.
class DumpProgress {
 public:
  explicit DumpProgress(ScanJob& job)
      : m_Job(job),
        m_Bar(job.observer),
        m_Total(uint64_t{g_ScanState.foundDirCount.load()} + g_ScanState.foundFileCount.load()) {}

  void Item(std::u16string_view name) {
    ++m_K;
    m_Job.ReportCounts(ScanCounts::Lists, name);
    if (m_Bar.Changed(m_K, m_Total) || m_K == m_Total) {
      char text[80];
      std::snprintf(text, sizeof text, kDumpingFormat, static_cast<int>(m_K),
                    static_cast<int>(m_Total));
      m_Job.observer.OnDetailText(text);
    }
    m_Bar.Set(m_K, m_Total);
  }

 private:
  ScanJob& m_Job;
  ScanBar m_Bar;
  uint64_t m_Total;
  uint64_t m_K = 0;
};

// The first folder's partition becomes N when no "Lost" is inserted, as the lists were left.
void RelabelFirstFolder(int16_t partition) {
  if (FolderRecord* f = g_ScanState.folderList.head) f->partition = partition;
}

// The range of found file system N: after its boot sector, up to its end (one past its last
// sector); false when the partition list does not hold N.
bool FileSystemRange(int32_t n, uint64_t& start, uint64_t& end) {
  int32_t i = 1;
  for (const PartitionRecord* r = g_ScanState.partitionList.head; r; r = r->next, ++i) {
    if (i == n) {
      start = r->startSector;
      end = r->endSector;
      return true;
    }
  }
  return false;
}

// Ends one step on Stop or Cancel; a stop is remembered for the result.
struct StepState {
  bool stopped = false;
  bool cancelled = false;
  bool Leave(ScanJob& job) {
    if (!job.control.Checkpoint()) {
      cancelled = true;
      return true;
    }
    if (job.control.StopRequested()) {
      stopped = true;
      return true;
    }
    return false;
  }
};

ScanEnd LostFolderStage(ScanJob& job, uint32_t rootId, int16_t partition, StepState& state) {
  job.observer.OnStepText(kDumpLostStep);
  uint32_t moved = 0;
  const ScanEnd end = MoveLostFolders(job, rootId, partition, moved);
  if (end == ScanEnd::Cancelled) return end;
  if (end == ScanEnd::Stopped) state.stopped = true;
  return state.stopped ? ScanEnd::Stopped : ScanEnd::Finished;
}

ScanEnd DumpNtfs(ScanJob& job, int16_t n, bool filterFiles, uint64_t rangeStart,
                 uint64_t rangeEnd) {
  ScanObserver& ui = job.observer;
  ui.OnStepText(kDumpNtfsStep);
  StepState state;
  DumpProgress progress(job);

  if (g_ScanState.foundDirList.head) {
    NewFolder lost;
    lost.wideName = u"Lost";
    lost.parentId = kNtfsRootId;
    lost.id = kLostFolderId;
    lost.partition = n;
    AddFolderRecord(lost);
  } else {
    RelabelFirstFolder(n);
  }
  for (const FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next) {
    if (state.Leave(job)) break;
    if (d->directoryId == kNtfsRootId) continue;
    NewFolder f = FolderFromFound(*d);
    f.wideName = d->wideName.View();
    AddFolderRecord(f);
    progress.Item(f.wideName);
  }
  if (state.cancelled) return ScanEnd::Cancelled;

  job.control.ClearStop();
  // No placeholder file heads the file list: the readers already take the first record on its
  // own, and a file "Lost" in the root would stand beside the folder "Lost", which no copy can
  // make both of.
  // Formatted recovery reads the found files this once: the file list grows into their memory.
  // Partition recovery keeps them for the next choice of a file system.
  const bool lend = g_PartitionMode.load() == 0;
  for (const FoundFileRecord* r = g_ScanState.foundFileList.head; r; r = r->next) {
    if (lend) LendFoundFileMemoryBefore(*r);
    if (state.Leave(job)) break;
    if (r->parentId == 0) continue;
    if (filterFiles && (r->recordSector <= rangeStart || r->recordSector >= rangeEnd)) continue;
    NewFile f;
    f.wideName = r->wideName.View();
    f.deleted = r->deleted;
    f.size = r->size;
    f.parentId = r->parentId;
    f.id = r->recordNumber;
    f.locator = r->recordSector;
    f.modified = r->modified;
    f.created = r->created;
    f.accessed = r->accessed;
    AddFileRecord(f);
    g_ScanState.totalSize.fetch_add(r->size, std::memory_order_relaxed);
    progress.Item(f.wideName);
  }
  if (lend) g_ScanState.foundFileList.Free();
  if (state.cancelled) return ScanEnd::Cancelled;
  return LostFolderStage(job, kNtfsRootId, n, state);
}

ScanEnd DumpFat(ScanJob& job, int16_t n) {
  ScanObserver& ui = job.observer;
  ui.OnStepText(kDumpFatStep);
  StepState state;
  DumpProgress progress(job);

  if (g_ScanState.foundDirList.head) {
    NewFolder lost;
    lost.ansiName = "Lost";
    lost.wideName = u"Lost";
    lost.parentId = kFatRootId;
    lost.id = kLostFolderId;
    lost.partition = n;
    AddFolderRecord(lost);
  } else {
    RelabelFirstFolder(n);
  }
  std::string ansi;
  std::u16string wide;
  for (const FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next) {
    if (state.Leave(job)) break;
    ansi = "Dir" + std::to_string(g_ScanState.folderCount.load());
    wide.assign(ansi.begin(), ansi.end());
    NewFolder f = FolderFromFound(*d);
    f.ansiName = ansi;
    f.wideName = wide;
    AddFolderRecord(f);
    progress.Item(wide);
  }
  if (state.cancelled) return ScanEnd::Cancelled;
  return LostFolderStage(job, kFatRootId, n, state);
}

}  // namespace

ScanEnd DumpFileSystemRecords(ScanJob& job, int32_t fileSystem) {
  ScanObserver& ui = job.observer;
  ui.OnSizeLabel(kTotalSizeLabel);
  ui.OnStepLinesVisible(true);
  const auto n = static_cast<int16_t>(fileSystem);
  const bool partition = g_PartitionMode.load() != 0;

  uint64_t rangeStart = 0, rangeEnd = 0;
  bool filterFiles = false;
  // A log saved from the results page holds the final lists and no found records: they stay as
  // the log loaded them (only the first folder takes the number N).
  const bool loadedLists = g_LogLoaded.load() != 0;
  if (partition && !loadedLists) {
    // Each choice of a file system builds its own lists from the found records, which stay.
    FreeFolderList();
    FreeFileList();
    g_ScanState.totalSize = 0;
    filterFiles = FileSystemRange(fileSystem, rangeStart, rangeEnd);
  }

  const ScanEnd end = IsFatKind(g_FileSystemName)
                          ? DumpFat(job, n)
                          : DumpNtfs(job, n, filterFiles, rangeStart, rangeEnd);
  if (!partition && end != ScanEnd::Cancelled) FreeFoundLists();
  return end;
}
