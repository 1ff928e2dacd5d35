#include "engine/scans/FatFormattedScan.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/scans/FatDirectoryWalk.h"
#include "engine/scans/FileSystemDump.h"
#include "engine/scans/LostFolders.h"
#include "engine/records/RecordBuilders.h"
#include "engine/worker/ScanBar.h"
#include "engine/records/ScanState.h"
#include "platform/ByteOrder.h"
#include "platform/TextCodec.h"
#include "prompts/UserPrompts.h"
#include "storage/fat/FatChain.h"
#include "storage/fat/FatDirEntry.h"
#include "storage/fat/FatLongName.h"
#include "storage/fat/FatVolume.h"
#include "storage/SectorIo.h"
#include "storage/SectorStream.h"

namespace {

// Clusters up to this size are searched by reading the data area whole in large chunks; the
// first sector of a larger cluster is read alone, as reading the rest would cost more than the
// calls it saves.
constexpr uint64_t kWholeReadClusterBytes = 16 * 1024;

// Highest cluster number + 1 each FAT width can name.
uint64_t FatClusterCap(int bits) {
  return bits == 32 ? 0x0FFFFFF7 : (bits == 16 ? 0xFFF7 : 0xFF7);
}

// The volume as the formatted scan sees it: the geometry places the clusters, and the clusters
// end where the scanned range ends. The FAT and the boot sector of a formatted or lost volume
// tell nothing about where its old folders lay, so they do not bound the clusters here.
FatVolume FormattedVolume(const ScanSource& source) {
  FatVolume v = DescribeFatVolume(source.fileSystem, source.geometry,
                                  FatSource{source.device, source.sectorBytes, source.endSector});
  if (v.bits == 0 || v.sectorsPerCluster == 0) return v;
  uint64_t limit = FatClusterCap(v.bits);
  if (const uint64_t rangeEnd = source.rangeEnd; rangeEnd > 0) {
    const int64_t end = static_cast<int64_t>(rangeEnd);
    const uint64_t before =
        end <= v.clusterBase ? 0 : static_cast<uint64_t>(end - v.clusterBase) / v.sectorsPerCluster;
    limit = std::min(limit, before);
  } else {
    limit = std::min<uint64_t>(limit, v.clusterLimit);
  }
  v.clusterLimit = static_cast<uint32_t>(limit);
  return v;
}

// The "." or ".." cluster of a directory entry: high word at 20, low word at 26.
uint32_t DotCluster(std::span<const std::byte> entry) {
  return (uint32_t{bo::LoadLe16(entry, 20)} << 16) | bo::LoadLe16(entry, 26);
}

// Gives a folder the name and deleted mark of the entry that names it. Only the kind of name the
// entry has is kept: a short name replaces the "Dir" name, a long name takes the UTF-16 slot.
void NameFolderFromEntry(FolderRecord& f, const FatEntry& e) {
  RecordArena& arena = g_ScanState.folderList.Arena();
  if (!e.shortName.empty()) {
    f.ansiName = arena.CopyName(e.shortName);
    f.wideName = {};
  } else {
    f.wideName = arena.CopyName(e.longName);
    f.ansiName = {};
  }
  f.deleted = e.deleted;
}

class FatFormattedScanner {
 public:
  FatFormattedScanner(ScanJob& job, const ScanSource& source, bool partitionMode)
      : m_Job(job),
        m_Ui(job.observer),
        m_Source(source),
        m_PartitionMode(partitionMode),
        m_Partition(partitionMode ? static_cast<int16_t>(g_ScanState.chosenFileSystem.load())
                                 : int16_t{0}),
        m_Volume(FormattedVolume(source)),
        m_Table(m_Volume, m_Volume.fat1Start),
        m_Reader(source.device, m_Volume, m_Table),
        m_Bar(job.observer) {
    // The FAT of a formatted or lost volume no longer holds its folders' chains.
    m_Reader.ContinuePastFreeChainEnd(true);
  }

  ScanEnd Run() {
    // In deleted-data recovery a Stop shows the results at once.
    const bool quickStop = g_FormattedMode.load() == 0 && !m_PartitionMode;
    if (!m_PartitionMode) {
      FreeFolderList();
      FreeFileList();
      g_ScanState.totalSize.store(0, std::memory_order_relaxed);
      NewFolder lost;
      lost.ansiName = "Lost";
      lost.parentId = 0;
      lost.id = kLostFolderId;
      AddFolderRecord(lost);
      if (m_Source.geometry.SectorsPerCluster == 0 || m_Volume.bits == 0) {
        Prompts().ViewMsgBox(kFatFormattedImpossibleNotice);
        return ScanEnd::Discard;
      }
      m_Ui.OnStepLinesVisible(true);
      if (!SearchFolders()) return ScanEnd::Cancelled;
      if (quickStop && m_Stopped) return LostFoldersThenEnd();
      m_Job.control.ClearStop();
      m_Ui.OnStepText(kFatSearchingLostFoldersStep);
      m_Bar.Reset();
      if (!Lost()) return ScanEnd::Cancelled;
    }
    if (m_PartitionMode) {
      // The dump put folders without a parent under "Lost"; a loop of parents it left would
      // keep a reader going round for ever.
      m_Job.control.ClearStop();
      if (AssignFatLostFolders(m_Job, m_Partition) == ScanEnd::Cancelled) return ScanEnd::Cancelled;
    }
    m_Job.control.ClearStop();
    m_Ui.OnStepLinesVisible(true);
    // From here on the value field counts bytes of the files found, no longer sectors.
    m_Ui.OnSizeLabel(kTotalSizeLabel);
    m_Ui.OnStepText(kFatInsertingRootStep);
    m_Bar.Reset();
    if (!InsertRoot()) return ScanEnd::Cancelled;
    if (quickStop && m_Stopped) return ScanEnd::Stopped;
    m_Job.control.ClearStop();
    m_Ui.OnStepText(kFatInsertingSubDirectoriesStep);
    m_Bar.Reset();
    if (!InsertSubDirectories()) return ScanEnd::Cancelled;
    return m_Stopped ? ScanEnd::Stopped : ScanEnd::Finished;
  }

 private:
  ScanEnd LostFoldersThenEnd() {
    m_Job.control.ClearStop();
    const ScanEnd end = AssignFatLostFolders(m_Job, 0);
    return end == ScanEnd::Cancelled ? end : ScanEnd::Stopped;
  }

  bool Lost() {
    const ScanEnd end = AssignFatLostFolders(m_Job, 0);
    if (end == ScanEnd::Stopped) m_Stopped = true;
    return end != ScanEnd::Cancelled;
  }

  // Step 1: the first sector of every cluster, from cluster 2 to the end of the range. A
  // directory cluster whose "." entry names the cluster it lies in becomes a folder; a copy of a
  // directory found elsewhere names another cluster and is passed over.
  bool SearchFolders() {
    m_Ui.OnStepText(kFatSearchingFoldersStep);
    const uint64_t rangeEnd = m_Source.rangeEnd;
    const uint64_t barEnd = rangeEnd ? rangeEnd : m_Volume.ClusterSector(m_Volume.clusterLimit - 1);
    const uint32_t spc = m_Volume.sectorsPerCluster;
    if (spc == 0) return true;
    // Clusters whose sector lies before the disk's start are passed over.
    uint64_t c = 2;
    if (m_Volume.clusterBase < 0)
      c = std::max<uint64_t>(c, (static_cast<uint64_t>(-m_Volume.clusterBase) + spc - 1) / spc);
    if (c >= m_Volume.clusterLimit) return true;

    std::vector<std::byte> single(m_Volume.sectorBytes);
    std::optional<SectorStream> stream;
    if (m_Volume.ClusterBytes() <= kWholeReadClusterBytes)
      stream.emplace(m_Source.device, static_cast<uint64_t>(m_Volume.ClusterSector(c)),
                     static_cast<uint64_t>(m_Volume.ClusterSector(m_Volume.clusterLimit)),
                     StreamChunkSectors(m_Volume.sectorBytes, spc));
    if (stream && !stream->HasBuffers()) stream.reset();
    std::optional<SectorStream::Chunk> chunk;
    uint32_t inChunk = 0;  // clusters of the chunk already looked at
    for (; c < m_Volume.clusterLimit; ++c) {
      const uint64_t at = static_cast<uint64_t>(m_Volume.ClusterSector(static_cast<uint32_t>(c)));
      std::span<const std::byte> sector;
      if (stream && (!chunk || inChunk == chunk->count / spc)) {
        chunk = stream->Next();
        inChunk = 0;
      }
      if (chunk && chunk->whole) {
        sector = chunk->bytes.subspan(size_t{inChunk} * spc * m_Volume.sectorBytes,
                                      m_Volume.sectorBytes);
      } else {
        // Only the cluster's first sector is read again: a bad sector elsewhere in it is never
        // asked about, as the search never needed it.
        std::fill(single.begin(), single.end(), std::byte{0});
        ReadSectors(m_Source.device, static_cast<int64_t>(at), 1, single);
        sector = single;
      }
      ++inChunk;
      LookAtCluster(sector, static_cast<uint32_t>(c));
      m_Bar.Set(at, barEnd);
      m_Job.ReportCounts(ScanCounts::ListsAtSector, m_LastName, at);
      if (!m_Job.control.Checkpoint()) return false;
      if (m_Job.control.StopRequested()) {
        m_Stopped = true;
        break;
      }
    }
    return true;
  }

  // A directory cluster whose "." entry names the cluster it lies in becomes a folder.
  void LookAtCluster(std::span<const std::byte> sector, uint32_t c) {
    if (!StartsWithDotEntries(sector) || DotCluster(sector) != c) return;
    const FatDirEntry dot(sector.first(kFatEntryBytes));
    std::string name = "Dir" + std::to_string(g_ScanState.folderCount.load(std::memory_order_relaxed));
    NewFolder f;
    f.ansiName = name;
    f.parentId = DotCluster(sector.subspan(kFatEntryBytes));
    f.id = c;
    f.modified = {dot.WriteDate(), dot.WriteTime()};
    f.created = {dot.CreationDate(), dot.CreationTime()};
    f.accessed = {dot.AccessDate(), 0};
    AddFolderRecord(f);
    m_LastName = FatShortNameToUtf16(name);
  }

  // Step 3: the root's entries name the folders that sit at the top and add its files.
  bool InsertRoot() {
    const FatWalk w = m_Reader.ReadRoot([this](const FatEntry& e) { return Take(e, 0); });
    if (w == FatWalk::Cancel) return false;
    if (w == FatWalk::Stop) m_Stopped = true;
    return true;
  }

  // Step 4: every folder's entries name its subfolders and add its files.
  bool InsertSubDirectories() {
    const uint64_t total = g_ScanState.folderCount.load(std::memory_order_relaxed);
    uint64_t done = 0;
    for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
      ++done;
      if (f->id == kLostFolderId || f->partition != m_Partition) continue;
      const uint32_t id = f->id;
      const FatWalk w = m_Reader.ReadFolder(id, f->deleted == 'y',
                                           [this, id](const FatEntry& e) { return Take(e, id); });
      if (w == FatWalk::Cancel) return false;
      m_Bar.Set(done, total);
      if (!m_Job.control.Checkpoint()) return false;
      if (w == FatWalk::Stop || m_Job.control.StopRequested()) {
        m_Stopped = true;
        break;
      }
    }
    return true;
  }

  FatWalk Take(const FatEntry& e, uint32_t parent) {
    const FatDirEntry& d = e.raw;
    if (e.IsDirectory()) {
      // The folder this entry names is the one found at its cluster under this parent; an entry
      // that points elsewhere (a reused cluster, a stale entry) names nothing.
      FolderRecord* f = FindFolderRecord(e.cluster, m_Partition);
      if (f && f->parentId == parent) NameFolderFromEntry(*f, e);
    } else {
      NewFile f;
      f.ansiName = e.shortName;
      f.wideName = e.longName;
      f.deleted = e.deleted;
      f.size = d.Size();
      f.parentId = parent;
      f.id = e.cluster;
      f.modified = {d.WriteDate(), d.WriteTime()};
      f.created = {d.CreationDate(), d.CreationTime()};
      f.accessed = {d.AccessDate(), 0};
      AddFileRecord(f);
      g_ScanState.totalSize.fetch_add(d.Size(), std::memory_order_relaxed);
    }
    m_Job.ReportCounts(ScanCounts::Lists, [&] { return e.DisplayName(); });
    if (!m_Job.control.Checkpoint()) return FatWalk::Cancel;
    if (m_Job.control.StopRequested()) return FatWalk::Stop;
    return FatWalk::GoOn;
  }

  ScanJob& m_Job;
  ScanObserver& m_Ui;
  const ScanSource& m_Source;
  bool m_PartitionMode;
  int16_t m_Partition;
  FatVolume m_Volume;
  FatTable m_Table;
  FatDirectoryReader m_Reader;
  ScanBar m_Bar;
  std::u16string m_LastName;
  bool m_Stopped = false;
};

}  // namespace

ScanEnd FatFormattedScanThread(ScanJob& job) {
  return FatFormattedScan(job, TakeScanSource());
}

ScanEnd FatFormattedScan(ScanJob& job, const ScanSource& source) {
  const bool partitionMode = g_PartitionMode.load() != 0;
  return FatFormattedScanner(job, source, partitionMode).Run();
}

ScanEnd AssignFatLostFolders(ScanJob& job, int16_t partition) {
  uint32_t moved = 0;
  return MoveLostFolders(job, 0, partition, moved, /*showDetail=*/false);
}
