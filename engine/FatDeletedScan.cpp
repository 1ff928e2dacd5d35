#include "engine/FatDeletedScan.h"

#include <algorithm>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/RecordBuilders.h"
#include "engine/ScanLogReader.h"
#include "engine/ScanState.h"
#include "platform/TextCodec.h"
#include "platform/UserPrompts.h"
#include "storage/FatChain.h"
#include "storage/FatDirEntry.h"
#include "storage/FatLongName.h"
#include "storage/FatVolume.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {

// Long names reach back at most 20 entries, so this much of the directory read before the
// current block is kept for names that begin in it.
constexpr size_t kLookbackBytes = 20 * kFatEntryBytes;
// The fixed root of FAT12/16 is read in pieces of this many sectors.
constexpr uint32_t kRootReadSectors = 64;

enum class Walk { kGoOn, kEndDirectory, kEndSector, kStop, kCancel };

class FatDeletedScanner {
 public:
  explicit FatDeletedScanner(ScanJob& job)
      : job_(job),
        volume_(DescribeFatVolume(g_ScanState.FileSystemName(), g_ScanState.geometry)),
        table_(volume_, volume_.fat1Start) {}

  ScanEnd Run() {
    if (volume_.bits == 0 || volume_.sectorsPerCluster == 0) return ScanEnd::Finished;
    Walk w = volume_.bits == 32 ? ReadFat32Root() : ReadFixedRoot();
    // Present folders are read before deleted ones: a deleted folder's cluster may since hold a
    // present folder, whose entries must not be marked deleted because the stale entry was met
    // first. Reading it later, the merged record says it is present.
    while (w != Walk::kStop && w != Walk::kCancel && (!present_.empty() || !deleted_.empty())) {
      std::deque<uint32_t>& queue = present_.empty() ? deleted_ : present_;
      const uint32_t id = queue.front();
      queue.pop_front();
      w = ReadFolder(id);
    }
    if (w == Walk::kCancel) return ScanEnd::Cancelled;
    if (w == Walk::kStop) return ScanEnd::Stopped;
    return ScanEnd::Finished;
  }

 private:
  // FAT32: the root's own chain, sector by sector; an end mark ends only its sector.
  Walk ReadFat32Root() {
    if (!volume_.IsDataCluster(volume_.rootCluster)) return Walk::kGoOn;
    ClusterList chain;
    FollowFatChain(table_, chain, volume_.rootCluster, 0);
    return ReadClusters(chain, 0, false, /*rootRules=*/true);
  }

  // FAT12/16: the fixed root-directory sectors.
  Walk ReadFixedRoot() {
    lookback_.clear();
    const uint32_t bps = volume_.sectorBytes;
    for (uint32_t done = 0; done < volume_.rootSectors;) {
      const uint32_t n = std::min(kRootReadSectors, volume_.rootSectors - done);
      const int64_t first = static_cast<int64_t>(volume_.rootStart + done);
      Read(first, n);
      for (uint32_t s = 0; s < n; ++s) {
        const Walk w = ReadEntries(s * size_t{bps}, (s + 1) * size_t{bps}, 0, false);
        if (w == Walk::kStop || w == Walk::kCancel) return w;
      }
      KeepLookback(n * size_t{bps});
      done += n;
    }
    return Walk::kGoOn;
  }

  Walk ReadFolder(uint32_t id) {
    const FolderRecord* folder = FindFolderRecord(id, 0);
    const bool deleted = folder && folder->deleted == 'y';
    if (!volume_.IsDataCluster(id)) return Walk::kGoOn;
    // A cluster that no longer starts with "." and ".." holds something else now.
    Read(volume_.ClusterSector(id), 1);
    if (!StartsWithDotEntries(buffer_)) return Walk::kGoOn;
    ClusterList chain;
    FollowFatChain(table_, chain, id, deleted ? kDeletedFolderCap : 0);
    const Walk w = ReadClusters(chain, id, deleted, /*rootRules=*/false);
    return w == Walk::kEndDirectory ? Walk::kGoOn : w;
  }

  Walk ReadClusters(const ClusterList& chain, uint32_t parent, bool parentDeleted, bool rootRules) {
    lookback_.clear();
    const uint32_t spc = volume_.sectorsPerCluster;
    const size_t bps = volume_.sectorBytes;
    for (const ClusterNode* n = chain.head(); n; n = n->next) {
      if (!volume_.IsDataCluster(n->cluster)) break;
      const int64_t first = volume_.ClusterSector(n->cluster);
      Read(first, spc);
      if (rootRules) {
        for (uint32_t s = 0; s < spc; ++s) {
          const Walk w = ReadEntries(s * bps, (s + 1) * bps, parent, parentDeleted);
          if (w == Walk::kStop || w == Walk::kCancel) return w;
        }
      } else {
        const Walk w = ReadEntries(0, spc * bps, parent, parentDeleted);
        if (w != Walk::kGoOn) return w;
      }
      KeepLookback(spc * bps);
    }
    return Walk::kGoOn;
  }

  // Reads count sectors from first into the front of the buffer, zeroed first.
  void Read(int64_t first, uint32_t count) {
    const size_t bytes = size_t{count} * volume_.sectorBytes;
    if (buffer_.size() < bytes) buffer_.resize(bytes);
    std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(bytes), std::byte{0});
    ReadSectors(CurrentDevicePath(), first, count, std::span(buffer_).first(bytes));
  }

  // Keeps the end of the block just walked for long names that start before the next block.
  void KeepLookback(size_t blockBytes) {
    const size_t keep = std::min(kLookbackBytes, blockBytes);
    lookback_.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(blockBytes - keep),
                     buffer_.begin() + static_cast<std::ptrdiff_t>(blockBytes));
  }

  // The entries in buffer_[from, to); the bytes before `from` are the entries in front. An end
  // mark ends the sector in the root (kEndSector) and the whole folder elsewhere.
  Walk ReadEntries(size_t from, size_t to, uint32_t parent, bool parentDeleted) {
    const std::span<const std::byte> block = std::span(buffer_).first(to);
    for (size_t at = from; at + kFatEntryBytes <= to; at += kFatEntryBytes) {
      const FatDirEntry e(block.subspan(at, kFatEntryBytes));
      if (e.IsEndMark()) return parent == 0 ? Walk::kEndSector : Walk::kEndDirectory;
      if (e.IsDotEntry() || e.IsLongName()) continue;
      const Walk w = TakeEntry(e, block, at, parent, parentDeleted);
      if (w != Walk::kGoOn) return w;
    }
    return Walk::kGoOn;
  }

  Walk TakeEntry(const FatDirEntry& e, std::span<const std::byte> block, size_t at, uint32_t parent,
                 bool parentDeleted) {
    const uint32_t cluster = e.Cluster(volume_.bits);
    if (cluster == 0) return Walk::kGoOn;
    const std::string shortName = e.ShortName();
    if (!IsValidFileName(shortName)) return Walk::kGoOn;
    const uint8_t deleted = (e.IsDeleted() || parentDeleted) ? 'y' : 'n';

    bool lookbackGiven = false;
    PreviousDirectoryBlock previous = [&](std::span<const std::byte>& before) {
      if (lookbackGiven || lookback_.empty()) return false;
      lookbackGiven = true;
      before = lookback_;
      return true;
    };
    longName_.clear();
    const bool hasLong = AssembleFatLongName(block, at, previous, longName_) == 0;
    if (hasLong && !IsValidFileName(longName_)) return Walk::kGoOn;

    const TimeHalves modified{e.WriteDate(), e.WriteTime()};
    const TimeHalves created{e.CreationDate(), e.CreationTime()};
    const TimeHalves accessed{e.AccessDate(), 0};
    const std::string_view ansi = hasLong ? std::string_view{} : std::string_view{shortName};
    const std::u16string_view wide = hasLong ? std::u16string_view{longName_} : u"";
    if (e.IsDirectory()) {
      NewFolder f;
      f.ansiName = ansi;
      f.wideName = wide;
      f.deleted = deleted;
      f.parentId = parent;
      f.id = cluster;
      f.modified = modified;
      f.created = created;
      f.accessed = accessed;
      AddFolderRecord(f);
      if (cluster != kLostFolderId && queued_.insert(cluster).second)
        (deleted == 'y' ? deleted_ : present_).push_back(cluster);
    } else {
      NewFile f;
      f.ansiName = ansi;
      f.wideName = wide;
      f.deleted = deleted;
      f.size = e.Size();
      f.parentId = parent;
      f.id = cluster;
      f.modified = modified;
      f.created = created;
      f.accessed = accessed;
      AddFileRecord(f);
      g_ScanState.totalSize.fetch_add(e.Size(), std::memory_order_relaxed);
    }

    if (job_.throttle.Tick()) {
      ScanProgress p;
      p.sizeOrSector = g_ScanState.totalSize.load(std::memory_order_relaxed);
      p.folders = g_ScanState.folderCount.load(std::memory_order_relaxed);
      p.files = g_ScanState.fileCount.load(std::memory_order_relaxed);
      p.name = hasLong ? longName_ : FatShortNameToUtf16(shortName);
      p.mode = 'n';
      job_.observer.OnProgress(p);
    }
    if (!job_.control.Checkpoint()) return Walk::kCancel;
    if (job_.control.StopRequested()) return Walk::kStop;
    return Walk::kGoOn;
  }

  ScanJob& job_;
  FatVolume volume_;
  FatTable table_;
  std::vector<std::byte> buffer_;
  std::vector<std::byte> lookback_;
  std::u16string longName_;
  // Folders found and not yet read, in discovery order; every id is queued once.
  std::deque<uint32_t> present_;
  std::deque<uint32_t> deleted_;
  std::unordered_set<uint32_t> queued_;
};

// Where the formatted scan takes over once it exists; until then the scan ends after the notice.
ScanEnd HandOverToFormattedScan(ScanJob& job) {
  job.observer.OnSwitchToFormattedScan();
  return ScanEnd::Finished;
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
