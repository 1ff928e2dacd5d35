#include "engine/scans/FatDeletedScan.h"

#include <deque>
#include <unordered_set>

#include "engine/scans/FatDirectoryWalk.h"
#include "engine/scans/FatFormattedScan.h"
#include "engine/scans/ScanSource.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "prompts/UserPrompts.h"

namespace {

class FatDeletedScanner {
 public:
  FatDeletedScanner(ScanJob& job, const ScanSource& source)
      : m_Job(job),
        m_Volume(DescribeFatVolume(source.fileSystem, source.geometry,
                                   FatSource{source.device, source.sectorBytes, source.endSector})),
        m_Table(m_Volume, m_Volume.fat1Start),
        m_Reader(source.device, m_Volume, m_Table) {}

  ScanEnd Run() {
    if (m_Volume.bits == 0 || m_Volume.sectorsPerCluster == 0) return ScanEnd::Finished;
    const FatDirectoryReader::EntryFn root = [this](const FatEntry& e) { return Take(e, 0); };
    FatWalk w = m_Reader.ReadRoot(root);
    // Present folders are read before deleted ones: a deleted folder's cluster may since hold a
    // present folder, whose entries must not be marked deleted because the stale entry was met
    // first. Reading it later, the merged record says it is present.
    while (w != FatWalk::Stop && w != FatWalk::Cancel &&
           (!m_Present.empty() || !m_Deleted.empty())) {
      std::deque<uint32_t>& queue = m_Present.empty() ? m_Deleted : m_Present;
      const uint32_t id = queue.front();
      queue.pop_front();
      const FolderRecord* folder = FindFolderRecord(id, 0);
      const bool deleted = folder && folder->deleted == 'y';
      w = m_Reader.ReadFolder(id, deleted, [this, id](const FatEntry& e) { return Take(e, id); });
    }
    if (w == FatWalk::Cancel) return ScanEnd::Cancelled;
    if (w == FatWalk::Stop) return ScanEnd::Stopped;
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
      if (e.cluster != kLostFolderId && m_Queued.insert(e.cluster).second)
        (e.deleted == 'y' ? m_Deleted : m_Present).push_back(e.cluster);
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

    m_Job.ReportCounts(ScanCounts::Lists, [&] { return e.DisplayName(); });
    if (!m_Job.control.Checkpoint()) return FatWalk::Cancel;
    if (m_Job.control.StopRequested()) return FatWalk::Stop;
    return FatWalk::GoOn;
  }

  ScanJob& m_Job;
  FatVolume m_Volume;
  FatTable m_Table;
  FatDirectoryReader m_Reader;
  // Folders found and not yet read, in discovery order; every id is queued once.
  std::deque<uint32_t> m_Present;
  std::deque<uint32_t> m_Deleted;
  std::unordered_set<uint32_t> m_Queued;
};

// The formatted scan goes on from here on the same worker, as if it had been started for it.
ScanEnd HandOverToFormattedScan(ScanJob& job, const ScanSource& source) {
  job.observer.OnSwitchToFormattedScan();
  return FatFormattedScan(job, source);
}

}  // namespace

ScanEnd FatDeletedScanThread(ScanJob& job) {
  job.observer.OnBarAnimation(true);
  g_ScanState.indxCount = 0;
  g_ScanState.totalSize = 0;
  const ScanSource source = TakeScanSource();
  const ScanEnd end = FatDeletedScanner(job, source).Run();
  if (end != ScanEnd::Finished) return end;
  if (g_ScanState.folderCount.load() != 0 || g_ScanState.fileCount.load() != 0) return end;
  Prompts().ViewMsgBox(kFatFormattedFallbackNotice);
  job.observer.OnBarAnimation(false);
  return HandOverToFormattedScan(job, source);
}
