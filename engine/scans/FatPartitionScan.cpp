#include "engine/scans/FatPartitionScan.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/scans/FatFormattedScan.h"
#include "engine/scans/FileSystemDump.h"
#include "engine/scans/NtfsSignatureScan.h"
#include "engine/scans/ScanSource.h"
#include "engine/records/RecordBuilders.h"
#include "engine/worker/ScanBar.h"
#include "engine/records/ScanState.h"
#include "platform/ByteOrder.h"
#include "storage/FatBootSector.h"
#include "storage/fat/FatDirEntry.h"
#include "storage/SectorIo.h"
#include "storage/SectorStream.h"
#include "storage/SourceGlobals.h"

namespace {

// Sectors of the search between two looks at the bar and the flags, in 512-byte units.
constexpr uint32_t kSearchSectors = 520;
// The sector read path's run on a device.
constexpr uint32_t kReadRunSectors = 40;
// The cluster sizes, in sectors, a FAT file system can have.
constexpr uint32_t kClusterSizes[] = {1, 2, 4, 8, 16, 32, 64, 128};
// Directory ids above this cannot be FAT16 clusters.
constexpr uint32_t kFat16IdLimit = 65536;
// How many directory pairs are tried between two looks at the stop and cancel flags.
constexpr uint32_t kPairsPerCheck = 4096;

uint32_t DotCluster(const std::byte* entry) {
  const std::span<const std::byte> e(entry, 32);
  return (uint32_t{bo::LoadLe16(e, 20)} << 16) | bo::LoadLe16(e, 26);
}

// The values of a FAT16 or FAT32 boot sector at t as a candidate, or false when they do not
// describe a volume that can hold clusters (a cluster size of 0 or not a power of two, or a
// cluster 0 that would lie before the disk's first sector).
bool ReadBootSector(std::span<const std::byte> s, uint64_t t, bool fat32, uint32_t sectorBytes,
                    FatBootCandidate& c) {
  const FatBootSector boot = ReadFatBootSector(s);
  const uint32_t spc = boot.sectorsPerCluster;
  const int64_t reserved = boot.reservedSectors;
  if (!IsBootClusterSize(spc)) return false;
  const int64_t T = static_cast<int64_t>(t);
  int64_t fatSize, rootDirSectors, rootStart, clusterBase;
  uint64_t total;
  if (fat32) {
    fatSize = boot.fatSize32;
    rootDirSectors = 0;
    rootStart = boot.rootCluster;
    clusterBase = T + reserved + 2 * fatSize - 2 * int64_t{spc};
    total = boot.totalSectors32;
  } else {
    fatSize = boot.fatSize16;
    // Whole sectors of the root directory, rounded down as the search always took them.
    rootDirSectors = int64_t{boot.RootDirectoryBytes()} / sectorBytes;
    rootStart = T + reserved + 2 * fatSize;
    clusterBase = T + rootDirSectors + reserved + 2 * fatSize - 2 * int64_t{spc};
    total = boot.TotalSectors();
  }
  const int64_t end = T + static_cast<int64_t>(total);
  const int64_t fat1 = T + reserved, fat2 = T + reserved + fatSize;
  for (int64_t v : {T, rootStart, clusterBase, end, fat1, fat2})
    if (v < 0) return false;
  c.bootSector = static_cast<uint64_t>(T);
  c.fatSize = static_cast<uint32_t>(fatSize);
  c.sectorsPerCluster = spc;
  c.rootDirSectors = static_cast<uint32_t>(rootDirSectors);
  c.reservedSectors = static_cast<uint32_t>(reserved);
  c.rootStart = static_cast<uint64_t>(rootStart);
  c.clusterBase = static_cast<uint64_t>(clusterBase);
  c.fat1Start = static_cast<uint64_t>(fat1);
  c.fat2Start = static_cast<uint64_t>(fat2);
  c.endSector = static_cast<uint64_t>(end);
  return true;
}

class FatPartitionSearch {
 public:
  FatPartitionSearch(ScanJob& job, const ScanSource& source)
      : m_Job(job), m_Source(source), m_Ui(job.observer), m_Bar(job.observer) {}

  ScanEnd Run() {
    g_ScanState.indxCount = 0;
    FreeFoundLists();
    FreePartitionList();
    g_ScanState.candidateCount = 0;
    m_Job.control.ClearStop();
    m_Ui.OnStepLinesVisible(true);

    const ScanEnd searched = SearchSectors();
    if (searched != ScanEnd::PassDone) return searched;
    m_Job.control.ClearStop();
    if (!MatchBootSectors()) return ScanEnd::Cancelled;
    m_Job.control.ClearStop();
    if (!PairDirectories()) return ScanEnd::Cancelled;
    return ScanEnd::PassDone;
  }

 private:
  // Step 1: every sector of the range, read C at a time.
  ScanEnd SearchSectors() {
    m_Ui.OnStepText(kFatSearchingBootSectorsStep);
    const uint64_t bytesPerSector = m_Source.sectorBytes;
    if (bytesPerSector < 512) return ScanEnd::Failed;
    const uint32_t b = static_cast<uint32_t>(bytesPerSector);
    const uint32_t chunk =
        b > 512 ? std::max<uint32_t>(1, kSearchSectors / (b / 512)) : kSearchSectors;
    // The range ends one past its last sector, cut at the source's size: sectors past it would
    // only be read as zeros.
    const uint64_t last = m_Source.rangeEnd;
    if (m_Source.startSector < 0 || static_cast<uint64_t>(m_Source.startSector) >= last)
      return ScanEnd::PassDone;
    const uint64_t first = static_cast<uint64_t>(m_Source.startSector);
    const std::string_view device = m_Source.device;
    // Read ahead in large chunks of whole 40-sector runs from the range's start, so that a chunk
    // read again meets a bad sector in the same runs as ever; the bar and the flags are still
    // looked at every `chunk` sectors.
    std::optional<SectorStream> stream;
    stream.emplace(device, first, last, StreamChunkSectors(b, kReadRunSectors));
    if (!stream->HasBuffers()) stream.emplace(device, first, last, kReadRunSectors);
    if (!stream->HasBuffers()) return ScanEnd::Failed;

    while (const auto read = stream->Next()) {
      if (!read->whole) ReadSectors(device, static_cast<int64_t>(read->first), read->count, read->bytes);
      for (uint32_t i = 0; i < read->count; ++i) {
        const uint64_t t = read->first + i;
        LookAtSector(read->bytes.subspan(size_t{i} * b, 512), t, b);
        m_Job.ReportCounts(ScanCounts::FoundAtSector, u"", t);
        if ((t + 1 - first) % chunk != 0 && t + 1 != last) continue;
        m_Bar.Set(t + 1, last);
        if (!m_Job.control.Checkpoint()) return ScanEnd::Cancelled;
        if (m_Job.control.StopRequested()) return ScanEnd::PassDone;
      }
    }
    return ScanEnd::PassDone;
  }

  void LookAtSector(std::span<const std::byte> s, uint64_t t, uint32_t b) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    // A FAT12 boot sector is laid out as a FAT16 one; without it, a FAT12 volume with an intact
    // boot sector would only be guessed from its directories, without start or end.
    FileSystemKind kind = FileSystemKind::None;
    if (HasBootSignature(s)) {
      kind = FatKindByDigits(s);
      if (kind == FileSystemKind::None && FatKindByLabel(s) == FileSystemKind::Fat12)
        kind = FileSystemKind::Fat12;
    }
    if (kind == FileSystemKind::Fat32) {
      AddCandidate(s, t, true, b, u"FAT32");
    } else if (kind == FileSystemKind::Fat16) {
      AddCandidate(s, t, false, b, u"FAT16");
    } else if (kind == FileSystemKind::Fat12) {
      AddCandidate(s, t, false, b, u"FAT12");
    } else if (p[0] == '.' && p[1] == ' ' && p[32] == '.' && p[33] == '.' && p[34] == ' ') {
      const FatDirEntry dot(s.first(32));
      NewFoundDirectory d;
      d.deleted = 'n';
      d.parentId = DotCluster(s.data() + 32);
      d.directoryId = DotCluster(s.data());
      d.recordSector = t;
      d.modified = {dot.WriteDate(), dot.WriteTime()};
      d.created = {dot.CreationDate(), dot.CreationTime()};
      d.accessed = {dot.AccessDate(), 0};
      AddFoundDirectoryRecordCounted(g_ScanState.foundDirList, d);
    }
  }

  void AddCandidate(std::span<const std::byte> s, uint64_t t, bool fat32, uint32_t b,
                    std::u16string_view type) {
    FatBootCandidate c;
    if (!ReadBootSector(s, t, fat32, b, c)) return;
    AddFatBootCandidate(m_Candidates, c, type);
  }

  // Step 2: a boot candidate is a file system when a found directory lies exactly where its
  // geometry puts the directory's own cluster; every such directory belongs to it.
  bool MatchBootSectors() {
    m_Ui.OnStepText(kFatAnalysingPhase1Step);
    m_Bar.Reset();
    const uint64_t total =
        uint64_t{g_ScanState.candidateCount.load()} * g_ScanState.foundDirCount.load();
    uint64_t done = 0;
    for (const FatBootCandidate* c = m_Candidates.head; c; c = c->next) {
      bool matched = false;
      for (FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next) {
        ++done;
        if (d->assignedPartition == 0 && d->recordSector >= c->clusterBase &&
            d->recordSector < c->endSector &&
            uint64_t{c->clusterBase} + uint64_t{d->directoryId} * c->sectorsPerCluster ==
                d->recordSector) {
          if (!matched) {
            matched = true;
            AddBootPartition(*c);
          }
          d->assignedPartition = g_ScanState.partitionCount.load();
        }
        if (done % kPairsPerCheck == 0) {
          m_Bar.Set(done, total);
          if (!m_Job.control.Checkpoint()) return false;
          if (m_Job.control.StopRequested()) return true;
        }
      }
      m_Bar.Set(done, total);
      if (!m_Job.control.Checkpoint()) return false;
      if (m_Job.control.StopRequested()) return true;
    }
    return true;
  }

  void AddBootPartition(const FatBootCandidate& c) {
    g_ScanState.partitionCount.store(g_ScanState.partitionCount.load() + 1);
    PartitionRecord r;
    r.startSector = c.bootSector;
    r.endSector = c.endSector;
    r.clusterSize = c.sectorsPerCluster;
    r.fatSize = c.fatSize;
    r.rootDirSectors = c.rootDirSectors;
    r.rootStart = c.rootStart;
    r.reservedSectors = c.reservedSectors;
    r.clusterBase = c.clusterBase;
    r.fat1Start = c.fat1Start;
    r.fat2Start = c.fat2Start;
    size_t n = 0;
    while (n < c.typeText.size() && c.typeText[n]) ++n;
    AddPartitionRecord(g_ScanState.partitionList, r, std::u16string_view(c.typeText.data(), n));
  }

  // Step 3: file systems whose boot sector is gone. Two unassigned directories U (id G at sector
  // V) and T (id H at sector W, later in the list) belong to one file system of c sectors per
  // cluster and cluster-0 sector K when W - c x H = V - c x G = K > 0 for a cluster size c. The
  // directories are indexed by (c, K) for every cluster size, so the T of each U is found
  // without trying every later directory.
  bool PairDirectories() {
    m_Ui.OnStepText(kFatAnalysingPhase2Step);
    m_Bar.Reset();
    std::vector<FoundDirectoryRecord*> dirs;
    dirs.reserve(g_ScanState.foundDirCount.load());
    for (FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next) dirs.push_back(d);
    const uint64_t count = dirs.size();

    // (c index, K) -> positions, ascending.
    std::unordered_map<uint64_t, std::vector<uint32_t>> index;
    auto key = [](size_t ci, uint64_t k) { return (k << 3) | ci; };
    for (uint32_t p = 0; p < dirs.size(); ++p) {
      const FoundDirectoryRecord* d = dirs[p];
      if (d->assignedPartition != 0) continue;
      for (size_t ci = 0; ci < std::size(kClusterSizes); ++ci) {
        const uint64_t cG = uint64_t{kClusterSizes[ci]} * d->directoryId;
        if (cG < d->recordSector) index[key(ci, d->recordSector - cG)].push_back(p);
      }
      if (p % kPairsPerCheck == 0 && !m_Job.control.Checkpoint()) return false;
    }

    const std::string_view fsText = FileSystemKindText(g_FileSystemName);
    const std::u16string fsName(fsText.begin(), fsText.end());
    uint64_t i = 0;
    uint32_t checks = 0;
    while (i != count) {
      // FirstUnassignedDirectory(i): positions before i are all assigned by now.
      uint64_t n = i;
      while (n < count && dirs[n]->assignedPartition != 0) ++n;
      if (n >= count) break;
      FoundDirectoryRecord* u = dirs[n];
      const uint64_t G = u->directoryId, V = u->recordSector;

      // The first later unassigned T that pairs with U, over every cluster size.
      uint64_t bestPos = UINT64_MAX;
      size_t bestCi = 0;
      for (size_t ci = 0; ci < std::size(kClusterSizes); ++ci) {
        const uint64_t c = kClusterSizes[ci];
        if (c * G >= V) continue;
        auto it = index.find(key(ci, V - c * G));
        if (it == index.end()) continue;
        const std::vector<uint32_t>& list = it->second;
        for (auto p = std::upper_bound(list.begin(), list.end(), static_cast<uint32_t>(n));
             p != list.end() && *p < bestPos; ++p) {
          if (++checks % kPairsPerCheck == 0 && !m_Job.control.Checkpoint()) return false;
          const FoundDirectoryRecord* t = dirs[*p];
          if (t->assignedPartition != 0) continue;
          const uint64_t H = t->directoryId, W = t->recordSector;
          if (G < H && V < W && H < W && H < V && (W - V) % (H - G) == 0 &&
              (W - V) / (H - G) == c) {
            bestPos = *p;
            bestCi = ci;
            break;
          }
        }
      }

      if (bestPos == UINT64_MAX) {
        u->assignedPartition = 0xFFFFFFFF;
      } else {
        const uint64_t c = kClusterSizes[bestCi];
        const uint64_t K = V - c * G;
        const uint32_t number = g_ScanState.partitionCount.load() + 1;
        g_ScanState.partitionCount.store(number);
        PartitionRecord r;
        r.clusterSize = static_cast<uint32_t>(c);
        r.clusterBase = K;
        PartitionRecord* added = AddPartitionRecord(g_ScanState.partitionList, r, fsName);
        FoundDirectoryRecord* t = dirs[bestPos];
        uint32_t largest = std::max(u->directoryId, t->directoryId);
        u->assignedPartition = number;
        t->assignedPartition = number;
        for (uint32_t p : index[key(bestCi, K)]) {
          FoundDirectoryRecord* e = dirs[p];
          if (e->assignedPartition != 0) continue;
          e->assignedPartition = number;
          largest = std::max(largest, e->directoryId);
        }
        if (added && g_FileSystemName != FileSystemKind::Fat32 && largest > kFat16IdLimit)
          CopyShortText(added->name, u"FAT32");
      }
      i = n + 1;
      m_Bar.Set(i, count);
      if (!m_Job.control.Checkpoint()) return false;
      if (m_Job.control.StopRequested()) break;
    }
    return true;
  }

  ScanJob& m_Job;
  const ScanSource& m_Source;
  ScanObserver& m_Ui;
  ScanBar m_Bar;
  RecordList<FatBootCandidate> m_Candidates;
};

}  // namespace

ScanEnd FatPartitionFirstPass(ScanJob& job) {
  return FatPartitionSearch(job, TakeScanSource()).Run();
}

namespace {

ScanEnd FatPartitionSecondPass(ScanJob& job, const ScanSource& source) {
  const int32_t chosen = ChosenFileSystemNumber();
  if (chosen == 0) return ScanEnd::Failed;
  g_ScanState.chosenFileSystem = chosen;
  // The chosen file system's found directories become its folders ("Dir<n>"); the formatted scan
  // then names them from their parents' entries and makes the files.
  const ScanEnd dumped = DumpFileSystemRecords(job, chosen);
  if (dumped == ScanEnd::Cancelled) return dumped;
  if (g_LogLoaded.load() != 0) return ScanEnd::Finished;
  return FatFormattedScan(job, source);
}

}  // namespace

ScanEnd FatPartitionScanThread(ScanJob& job) {
  const ScanSource source = TakeScanSource();
  if (g_PartitionPass.load() != 1) {
    g_PartitionPass.store(g_PartitionPass.load() + 1);
    return FatPartitionSearch(job, source).Run();
  }
  return FatPartitionSecondPass(job, source);
}
