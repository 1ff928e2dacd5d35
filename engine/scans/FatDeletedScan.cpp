#include "engine/scans/FatDeletedScan.h"

#include <deque>
#include <unordered_set>

#include "engine/scans/FatDirectoryWalk.h"
#include "engine/scans/FatFormattedScan.h"
#include "engine/records/RecordBuilders.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/records/ScanState.h"
#include "prompts/UserPrompts.h"

namespace {

class FatDeletedScanner {
 public:
  explicit FatDeletedScanner(ScanJob& job)
      : job_(job),
        volume_(DescribeFatVolume(g_ScanState.FileSystemName(), g_ScanState.geometry)),
        table_(volume_, volume_.fat1Start),
        reader_(volume_, table_) {}

  ScanEnd Run() {
    if (volume_.bits == 0 || volume_.sectorsPerCluster == 0) return ScanEnd::Finished;
    const FatDirectoryReader::EntryFn root = [this](const FatEntry& e) { return Take(e, 0); };
    FatWalk w = reader_.ReadRoot(root);
    // Present folders are read before deleted ones: a deleted folder's cluster may since hold a
    // present folder, whose entries must not be marked deleted because the stale entry was met
    // first. Reading it later, the merged record says it is present.
    while (w != FatWalk::kStop && w != FatWalk::kCancel &&
           (!present_.empty() || !deleted_.empty())) {
      std::deque<uint32_t>& queue = present_.empty() ? deleted_ : present_;
      const uint32_t id = queue.front();
      queue.pop_front();
      const FolderRecord* folder = FindFolderRecord(id, 0);
      const bool deleted = folder && folder->deleted == 'y';
      w = reader_.ReadFolder(id, deleted, [this, id](const FatEntry& e) { return Take(e, id); });
    }
    if (w == FatWalk::kCancel) return ScanEnd::Cancelled;
    if (w == FatWalk::kStop) return ScanEnd::Stopped;
    return ScanEnd::Finished;
  }

 private:
  FatWalk Take(const FatEntry& e, uint32_t parent) {
    const FatDirEntry& d = e.raw;
    const TimeHalves modified{d.WriteDate(), d.WriteTime()};
    const TimeHalves created{d.CreationDate(), d.CreationTime()};
    const TimeHalves accessed{d.AccessDate(), 0};
    if (e.IsDirectory()) {
      NewFolder f;
      f.ansiName = e.shortName;
      f.wideName = e.longName;
      f.deleted = e.deleted;
      f.parentId = parent;
      f.id = e.cluster;
      f.modified = modified;
      f.created = created;
      f.accessed = accessed;
      AddFolderRecord(f);
      if (e.cluster != kLostFolderId && queued_.insert(e.cluster).second)
        (e.deleted == 'y' ? deleted_ : present_).push_back(e.cluster);
    } else {
      NewFile f;
      f.ansiName = e.shortName;
      f.wideName = e.longName;
      f.deleted = e.deleted;
      f.size = d.Size();
      f.parentId = parent;
      f.id = e.cluster;
      f.modified = modified;
      f.created = created;
      f.accessed = accessed;
      AddFileRecord(f);
      g_ScanState.totalSize.fetch_add(d.Size(), std::memory_order_relaxed);
    }

    if (job_.throttle.Tick()) {
      ScanProgress p;
      p.sizeOrSector = g_ScanState.totalSize.load(std::memory_order_relaxed);
      p.folders = g_ScanState.folderCount.load(std::memory_order_relaxed);
      p.files = g_ScanState.fileCount.load(std::memory_order_relaxed);
      p.name = e.DisplayName();
      p.mode = 'n';
      job_.observer.OnProgress(p);
    }
    if (!job_.control.Checkpoint()) return FatWalk::kCancel;
    if (job_.control.StopRequested()) return FatWalk::kStop;
    return FatWalk::kGoOn;
  }

  ScanJob& job_;
  FatVolume volume_;
  FatTable table_;
  FatDirectoryReader reader_;
  // Folders found and not yet read, in discovery order; every id is queued once.
  std::deque<uint32_t> present_;
  std::deque<uint32_t> deleted_;
  std::unordered_set<uint32_t> queued_;
};

// The formatted scan goes on from here on the same worker, as if it had been started for it.
ScanEnd HandOverToFormattedScan(ScanJob& job) {
  job.observer.OnSwitchToFormattedScan();
  return FatFormattedScanThread(job);
}

}  // namespace

ScanEnd FatDeletedScanThread(ScanJob& job) {
  // A loaded scan log already holds the final lists: read them instead of the disk.
  if (g_LogLoaded.load()) return LoadScanLogRecords(job);
  job.observer.OnBarAnimation(true);
  g_ScanState.indxCount = 0;
  g_ScanState.totalSize = 0;
  const ScanEnd end = FatDeletedScanner(job).Run();
  if (end != ScanEnd::Finished) return end;
  if (g_ScanState.folderCount.load() != 0 || g_ScanState.fileCount.load() != 0) return end;
  Prompts().ViewMsgBox(kFatFormattedFallbackNotice);
  job.observer.OnBarAnimation(false);
  return HandOverToFormattedScan(job);
}
