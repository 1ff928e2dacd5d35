#include "engine/scans/NtfsSignatureScan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/worker/ScanBar.h"
#include "engine/scans/FileSystemDump.h"
#include "engine/scans/FoundFileSystemChoice.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "storage/NtfsBootSector.h"
#include "storage/ntfs/NtfsAttributes.h"
#include "storage/ntfs/NtfsIndx.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "storage/ntfs/NtfsRecord.h"
#include "storage/SectorIo.h"
#include "storage/SectorStream.h"
#include "storage/UnitReread.h"
#include "storage/VolumeGeometry.h"

NtfsSignatureScanCounts g_NtfsSignatureScanCounts;

namespace {


constexpr uint32_t kChunkSectors = 520;   // sectors of 512 bytes between two looks in step 1
constexpr uint32_t kReadRunSectors = 40;  // the sector read path's run on a device
constexpr size_t kMaxFileRecord = 16384;  // largest FILE record step 1 accepts
constexpr size_t kCheckBytes = 1024;      // the check-byte test looks at bytes 510 and 1022
constexpr size_t kFirstIndxRead = 4096;   // step 2 reads this much of a block first
constexpr uint32_t kMirroredRecords = 4;  // $MFTMirr holds records 0 to 3

TimeHalves Halves(uint64_t t) {
  return {static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32)};
}

bool IsPowerOfTwo(uint32_t v) {
  return v != 0 && (v & (v - 1)) == 0;
}

uint32_t SectorsFor(uint64_t bytes, uint64_t sectorBytes) {
  return static_cast<uint32_t>(std::max<uint64_t>(1, (bytes + sectorBytes - 1) / sectorBytes));
}

// The same four bytes read as a little-endian number.
constexpr uint32_t LeCode(const char (&text)[5]) {
  return uint32_t{uint8_t(text[0])} | uint32_t{uint8_t(text[1])} << 8 |
         uint32_t{uint8_t(text[2])} << 16 | uint32_t{uint8_t(text[3])} << 24;
}
constexpr uint32_t kFileSignature = LeCode("FILE");
constexpr uint32_t kIndxSignature = LeCode("INDX");
constexpr uint32_t kNtfsName = LeCode("NTFS");  // bytes 3 to 6 of an NTFS boot sector

// True when a sector's first eight bytes rule out all the search looks for: a FILE or INDX
// record, or an NTFS boot sector (its name at byte 3).
bool StartsNothing(uint64_t head) {
  const auto first4 = static_cast<uint32_t>(head);
  return first4 != kFileSignature && first4 != kIndxSignature &&
         static_cast<uint32_t>(head >> 24) != kNtfsName;
}

bool Signature(bo::Bytes sector, const char (&sig)[5]) {
  return sector.size() >= 4 && std::memcmp(sector.data(), sig, 4) == 0;
}

// The range of the scan: [start, end) of the source, the end cut at the source's size (sectors
// past it would only be read as zeros).
struct Range {
  uint64_t start = 0;
  uint64_t end = 0;
};
Range ScanRange(const ScanSource& source) {
  Range r;
  r.start = source.startSector > 0 ? static_cast<uint64_t>(source.startSector) : 0;
  r.end = source.rangeEnd;
  if (r.end < r.start) r.end = r.start;
  return r;
}

// The MFT number a FILE record carries in its own header (offset 44, present when the update
// sequence starts at 48 or later, as NTFS 3.1 writes it), or 0 when it carries none. No directory
// and no file but $MFT has number 0, so 0 also means "not known".
uint32_t OwnRecordNumber(bo::Bytes record) {
  return bo::LoadLe16(record, kNtfsUsaOffsetField) >= 48 ? bo::LoadLe32(record, 44) : 0;
}

// The MFT number a FILE record's header carries, when it carries one.
std::optional<uint32_t> CarriedRecordNumber(bo::Bytes record) {
  if (bo::LoadLe16(record, kNtfsUsaOffsetField) < 48) return std::nullopt;
  return bo::LoadLe32(record, 44);
}

// Formats a detail text only when the bar moves or the walk ends, so a large list does not flood
// the page with texts nobody can read.
void DetailAndBar(ScanObserver& ui, ScanBar& bar, const char* format, uint64_t done,
                  uint64_t total) {
  if (bar.Changed(done, total) || done == total) {
    char text[96];
    std::snprintf(text, sizeof text, format, static_cast<int>(done), static_cast<int>(total));
    ui.OnDetailText(text);
  }
  bar.Set(done, total);
}

// Step 1's handling of one sector and the records it starts.
class SectorSearch {
 public:
  SectorSearch(ScanJob& job, NtfsSignatureLists& lists, std::string_view device, uint64_t b)
      : m_Job(job), m_Lists(lists), m_Device(device), m_B(b), m_Record(kMaxFileRecord) {}

  // Sector t lies at offset `at` of `data`, which holds `have` bytes of what was read.
  void Sector(uint64_t t, std::span<std::byte> data, size_t at, size_t have) {
    bo::Bytes sector = bo::Bytes(data).subspan(at, std::min<size_t>(m_B, have - at));
    // One load of the first eight bytes turns nearly every sector away: a record starts with its
    // signature and an NTFS boot sector has its name at byte 3. Only a sector that may be a boot
    // sector has its end mark read, which lies in another cache line.
    const uint64_t head = bo::LoadLe64(sector, 0);
    const auto first4 = static_cast<uint32_t>(head);
    if (first4 == kFileSignature) {
      if (!FileRecord(t, data, at, have)) return;
    } else if (first4 == kIndxSignature) {
      uint32_t parent = 0, vcn = 0;
      if (!NtfsCheckIndxHeader(sector, parent, vcn)) {
        ++g_NtfsSignatureScanCounts.rejectedIndxBlocks;
        return;
      }
      ++g_NtfsSignatureScanCounts.indxBlocks;
      AddIndxBlockRecord(m_Lists.indx, t, parent, vcn, 0xFFFFFFFF);
    } else if (static_cast<uint32_t>(head >> 24) == kNtfsName && HasBootSignature(sector)) {
      NtfsBootCandidate c;
      if (ParseNtfsBootCandidate(sector, t, static_cast<uint32_t>(m_B), c)) {
        ++g_NtfsSignatureScanCounts.bootSectors;
        AddNtfsBootCandidate(m_Lists.candidates, c);
      }
    }
    m_Job.ReportCounts(ScanCounts::FoundAtSector, m_LastName, t);
  }

 private:
  // Returns false when the record was rejected (no progress is shown for it).
  bool FileRecord(uint64_t t, std::span<std::byte> data, size_t at, size_t have) {
    const size_t A = bo::LoadLe16(data, at + kNtfsAllocatedSizeField);
    if (A < 512 || A > kMaxFileRecord || A % 512 != 0) {
      ++g_NtfsSignatureScanCounts.rejectedFileRecords;
      return false;
    }
    // The record and its check bytes are taken from what was read when they lie within it, else
    // read afresh: never from the slack after the chunk, whatever it held before.
    const size_t need = std::max(A, kCheckBytes);
    bo::Bytes source;
    if (need <= have - at) {
      source = bo::Bytes(data).subspan(at, need);
    } else {
      const uint32_t sectors = SectorsFor(need, m_B);
      m_Fresh.resize(static_cast<size_t>(sectors * m_B));
      ReadSectors(m_Device, static_cast<int64_t>(t), sectors, m_Fresh);
      source = bo::Bytes(m_Fresh).first(need);
    }
    if (bo::LoadLe16(source, 510) != bo::LoadLe16(source, 1022) || !Signature(source, "FILE")) {
      ++g_NtfsSignatureScanCounts.rejectedFileRecords;
      return false;
    }
    std::span<std::byte> rec(m_Record.data(), A);
    std::memcpy(rec.data(), source.data(), A);
    if (!ApplyUpdateSequenceFixup(rec)) {
      ++g_NtfsSignatureScanCounts.fixupFailures;
      return true;
    }
    if (const auto n = CarriedRecordNumber(rec); n && *n < kMirroredRecords)
      m_Lists.firstRecords[t] = *n;
    // A record without a $FILE_NAME comes through with an empty name and parent 0.
    NtfsFileName name;
    if (!NtfsFindPreferredFileNameBounded(rec, name)) {
      name.length = 0;
      name.units[0] = 0;
      name.parentRef = 0;
      NtfsGetStandardTimes(rec, NtfsFirstAttributeOffset(rec), name.times);
    }
    const uint64_t sector = t;
    const uint16_t flags = NtfsRecordFlags(rec);
    if (flags == 2 || flags == 3) {
      NewFoundDirectory d;
      d.wideName = name.View();
      d.deleted = flags == 2 ? 'y' : 'n';
      d.parentId = name.parentRef;
      d.directoryId = NtfsGetIndexRootParentRef(rec);
      // A record that says which MFT number it is needs no guess from its neighbours; the root's
      // own record ("." in the root) is the root even when its index is empty.
      if (d.directoryId == 0) d.directoryId = OwnRecordNumber(rec);
      if (d.directoryId == 0 && name.View() == u"." && name.parentRef == kNtfsRootRecord)
        d.directoryId = kNtfsRootRecord;
      d.recordSector = sector;
      d.modified = Halves(name.times.modified);
      d.created = Halves(name.times.created);
      d.accessed = Halves(name.times.accessed);
      d.indexLcn = NtfsGetIndexAllocationLcn(rec, NtfsOwnBound(rec));
      AddFoundDirectoryRecordCounted(g_ScanState.foundDirList, d);
    } else {
      uint64_t size = 0;
      if (!NtfsGetDataSizeBounded(rec, size)) size = 0;
      if (size >> 63) {
        ++g_NtfsSignatureScanCounts.negativeSizes;
        return true;
      }
      NewFoundFile f;
      f.wideName = name.View();
      f.deleted = flags == 0 ? 'y' : 'n';
      f.size = size;
      f.parentId = name.parentRef;
      f.recordNumber = SystemFileRecordNumber(name.View());
      if (f.recordNumber == 0) f.recordNumber = OwnRecordNumber(rec);
      f.recordSector = sector;
      f.modified = Halves(name.times.modified);
      f.created = Halves(name.times.created);
      f.accessed = Halves(name.times.accessed);
      AddFoundFileRecord(g_ScanState.foundFileList, f);
    }
    ++g_NtfsSignatureScanCounts.fileRecords;
    m_LastName.assign(name.View());
    return true;
  }

  ScanJob& m_Job;
  NtfsSignatureLists& m_Lists;
  std::string_view m_Device;
  uint64_t m_B;
  std::vector<std::byte> m_Record;
  std::vector<std::byte> m_Fresh;
  std::u16string m_LastName;
};

// The chunk of step 1: sectors between two looks at the bar and the stop flag.
uint32_t ChunkSectors(uint64_t b) {
  return b <= 512 ? kChunkSectors
                  : std::max<uint32_t>(1, kChunkSectors / static_cast<uint32_t>(b / 512));
}

}  // namespace

bool ParseNtfsBootCandidate(bo::Bytes s, uint64_t t, uint32_t bytesPerSector,
                            NtfsBootCandidate& out) {
  if (s.size() < 512 || !HasBootSignature(s) || !HasNtfsOemId(s)) return false;
  const NtfsBootSector boot = ReadNtfsBootSector(s);
  const uint32_t spc = boot.sectorsPerCluster;
  out = {};
  out.bootSector = t;
  out.sectorsPerCluster = spc;
  // Negative values give the record size in bytes, whatever the sector size.
  out.sectorsPerIndexRecord = NtfsBootRecordSectors(boot.IndexRecordByte(), spc, bytesPerSector);
  uint32_t record = NtfsBootRecordSectors(boot.FileRecordByte(), spc, bytesPerSector);
  if (record != 1 && record != 2 && record != 4 && record != 6 && record != 8) record = 2;
  out.sectorsPerFileRecord = record;
  out.totalSectors = boot.totalSectors;
  out.mftCluster = boot.mftCluster;
  out.mftMirrorCluster = boot.mftMirrorCluster;
  return true;
}

ScanEnd SearchNtfsSignatures(ScanJob& job, const ScanSource& source, NtfsSignatureLists& lists) {
  ScanObserver& ui = job.observer;
  ui.OnStepText(kSignatureStep1);
  const uint64_t b = source.sectorBytes;
  if (b == 0) return ScanEnd::Failed;
  const uint32_t C = ChunkSectors(b);
  const Range range = ScanRange(source);
  const std::string_view device = source.device;
  // The range is read ahead in large chunks while the sectors of the last one are looked at; the
  // bar and the stop flag are still looked at every C sectors. A chunk is a whole number of the
  // read path's 40-sector runs from the range's start, so one that must be read again meets a bad
  // sector in the same runs as ever.
  std::optional<SectorStream> stream;
  stream.emplace(device, range.start, range.end, StreamChunkSectors(b, kReadRunSectors));
  if (!stream->HasBuffers()) stream.emplace(device, range.start, range.end, kReadRunSectors);
  if (!stream->HasBuffers()) return ScanEnd::Failed;

  SectorSearch search(job, lists, device, b);
  ScanBar bar(ui);
  uint32_t untilLook = C;  // sectors until the next look at the bar and the stop flag
  for (;;) {
    if (!job.control.Checkpoint()) return ScanEnd::Cancelled;
    const auto chunk = stream->Next();
    if (!chunk) break;
    // A chunk that did not read whole is read again, and what still does not read whole sector
    // by sector: one bad sector then costs the record that holds it, not every record of its run.
    if (!chunk->whole && !ReadSectorsByUnit(device, static_cast<int64_t>(chunk->first),
                                            chunk->count, 1, chunk->bytes))
      ++g_NtfsSignatureScanCounts.unreadableReads;
    const size_t have = chunk->bytes.size();
    for (uint32_t i = 0; i < chunk->count; ++i) {
      // Sectors that start nothing are only counted, a run of them at once: the run ends before
      // the next sector that may start something, the next look at the bar, the next progress
      // report and the chunk's last sector, each of which takes the full way below.
      const uint32_t run = std::min({chunk->count - 1 - i, untilLook - 1,
                                     static_cast<uint32_t>(job.throttle.QuietTicks())});
      uint32_t quiet = 0;
      while (quiet < run &&
             StartsNothing(bo::LoadLe64(chunk->bytes, static_cast<size_t>((i + quiet) * b))))
        ++quiet;
      i += quiet;
      untilLook -= quiet;
      g_NtfsSignatureScanCounts.sectors += quiet;
      job.throttle.SkipQuietTicks(static_cast<int>(quiet));
      const uint64_t t = chunk->first + i;
      search.Sector(t, chunk->bytes, static_cast<size_t>(i * b), have);
      ++g_NtfsSignatureScanCounts.sectors;
      if (--untilLook != 0 && t + 1 != range.end) continue;
      untilLook = C;
      bar.Set(t + 1, range.end);
      if (job.control.StopRequested()) return ScanEnd::Stopped;
      if (!job.control.Checkpoint()) return ScanEnd::Cancelled;
    }
  }
  return ScanEnd::Finished;
}

uint64_t DropMirrorCopies(const NtfsSignatureLists& lists) {
  if (lists.firstRecords.empty()) return 0;
  auto holds = [&](uint64_t sector, uint32_t k) {
    auto it = lists.firstRecords.find(sector);
    return it != lists.firstRecords.end() && it->second == k;
  };
  std::unordered_set<uint64_t> copies;
  for (const NtfsBootCandidate* c = lists.candidates.head; c; c = c->next) {
    const uint64_t spc = c->sectorsPerCluster, R = c->sectorsPerFileRecord;
    if (!IsPowerOfTwo(c->sectorsPerCluster) || R == 0) continue;
    // Cluster numbers from a stray boot sector may point past any disk.
    const uint64_t limit = (UINT64_MAX / 2 - c->bootSector) / spc;
    if (c->mftCluster > limit || c->mftMirrorCluster > limit) continue;
    const uint64_t mft = c->bootSector + c->mftCluster * spc;
    const uint64_t mirror = c->bootSector + c->mftMirrorCluster * spc;
    if (mft == mirror) continue;
    for (uint32_t k = 0; k < kMirroredRecords; ++k)
      if (holds(mirror + k * R, k) && holds(mft + k * R, k)) copies.insert(mirror + k * R);
  }
  if (copies.empty()) return 0;
  const size_t removed = g_ScanState.foundFileList.RemoveIf(
      [&](const FoundFileRecord& f) { return copies.count(f.recordSector) != 0; });
  g_ScanState.foundFileCount.store(g_ScanState.foundFileCount.load() -
                                   static_cast<uint32_t>(removed));
  g_NtfsSignatureScanCounts.mirrorCopies += removed;
  return removed;
}

ScanEnd AssignFolderMftNumbers(ScanJob& job, const ScanSource& source,
                               const NtfsSignatureLists& lists) {
  ScanObserver& ui = job.observer;
  job.control.ClearStop();
  ui.OnStepText(kSignatureStep2);
  const uint64_t b = source.sectorBytes;
  if (b == 0) return ScanEnd::Finished;

  // Directories still without a number, by parent and creation time, in list order: an entry
  // goes to the first of them with its name that has no number yet.
  struct Key {
    uint32_t parent;
    uint64_t created;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      return std::hash<uint64_t>()(k.created * 0x9E3779B97F4A7C15ull ^ k.parent);
    }
  };
  std::unordered_map<Key, std::vector<FoundDirectoryRecord*>, KeyHash> pending;
  for (FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next)
    if (d->directoryId == 0) pending[{d->parentId, d->created.AsFileTime()}].push_back(d);

  const std::string_view device = source.device;
  const uint32_t firstRead = SectorsFor(kFirstIndxRead, b);
  std::vector<std::byte> block(static_cast<size_t>(SectorsFor(kNtfsMaxIndxBytes, b) * b));
  const uint32_t total = g_ScanState.indxCount.load(std::memory_order_relaxed);
  ScanBar bar(ui);
  uint32_t done = 0;
  ScanEnd end = ScanEnd::Finished;
  for (const IndxBlockRecord* x = lists.indx.head; x; x = x->next) {
    if (!job.control.Checkpoint()) return ScanEnd::Cancelled;
    ReadSectors(device, static_cast<int64_t>(x->sector), firstRead,
                std::span<std::byte>(block).first(firstRead * b));
    const uint64_t L = bo::LoadLe32(block, 32);
    if (L + 24 <= kNtfsMaxIndxBytes && !pending.empty()) {
      const size_t size = static_cast<size_t>(L + 24);
      const uint32_t sectors = SectorsFor(size, b);
      if (sectors > firstRead)
        ReadSectors(device, static_cast<int64_t>(x->sector), sectors,
                    std::span<std::byte>(block).first(sectors * b));
      auto blk = std::span<std::byte>(block).first(size);
      ApplyUpdateSequenceFixup(blk, size);
      // Entries: 0 the MFT reference, 8 the entry's length, 16 the key ($FILE_NAME): 16 parent,
      // 24 creation time, 72 flags (directory: 0x10000000), 80 name length, 82 the name.
      uint64_t at = 24 + uint64_t{bo::LoadLe32(blk, 24)};
      while (at + 16 <= size) {
        const size_t length = bo::LoadLe16(blk, static_cast<size_t>(at + 8));
        if (length == 0 || at + length > size) break;
        const auto e = static_cast<size_t>(at);
        at += length;
        if (length < 82 || !(bo::LoadLe16(blk, e + 74) & 0x1000)) continue;
        const size_t nameLength = bo::Load8(blk, e + 80);
        if (82 + 2 * nameLength > length) continue;
        auto it = pending.find({bo::LoadLe32(blk, e + 16), bo::LoadLe64(blk, e + 24)});
        if (it == pending.end()) continue;
        for (FoundDirectoryRecord* d : it->second) {
          if (d->directoryId != 0) continue;
          const std::u16string_view name = d->wideName.View();
          if (name.size() != nameLength) continue;
          bool same = true;
          for (size_t i = 0; i < nameLength && same; ++i)
            same = name[i] == static_cast<char16_t>(bo::LoadLe16(blk, e + 82 + 2 * i));
          if (!same) continue;
          d->directoryId = bo::LoadLe32(blk, e);
          break;
        }
      }
    }
    ++done;
    DetailAndBar(ui, bar, kAssigningFolderNumbersFormat, done, total);
    if (job.control.StopRequested()) {
      end = ScanEnd::Stopped;
      break;
    }
  }
  return end;
}

ScanEnd AssignFileMftNumbers(ScanJob& job) {
  ScanObserver& ui = job.observer;
  job.control.ClearStop();
  ui.OnStepText(kSignatureStep3);
  if (!g_ScanState.foundFileList.head) return ScanEnd::Finished;
  const uint64_t total = uint64_t{g_ScanState.foundDirCount.load()} +
                         g_ScanState.foundFileCount.load() + g_ScanState.indxCount.load();
  ScanBar bar(ui);
  // Merged in sector order, each item without a number takes the one after its predecessor's:
  // records of one MFT lie in record order. Both lists are walked to their ends, so the records
  // after the last directory are numbered too.
  uint32_t N = 1;
  uint64_t done = 0;
  FoundFileRecord* f = g_ScanState.foundFileList.head;
  FoundDirectoryRecord* d = g_ScanState.foundDirList.head;
  while (f || d) {
    if (!job.control.Checkpoint()) return ScanEnd::Cancelled;
    if (job.control.StopRequested()) return ScanEnd::Stopped;
    if (f && (!d || f->recordSector < d->recordSector)) {
      if (f->recordNumber == 0) f->recordNumber = N + 1;
      N = f->recordNumber;
      f = f->next;
    } else {
      if (d->directoryId == 0 || d->directoryId == 0xFFFFFFFF) d->directoryId = N + 1;
      N = d->directoryId;
      d = d->next;
    }
    ++done;
    DetailAndBar(ui, bar, kAssigningFileNumbersFormat, done, total);
  }
  return ScanEnd::Finished;
}

int AssignIndxToFileSystems(ScanJob& job, const ScanSource& source,
                            RecordList<IndxBlockRecord>& indx, uint64_t start,
                            uint32_t sectorsPerCluster, uint32_t sectorsPerIndexRecord,
                            uint64_t rangeStart, uint64_t rangeEnd) {
  (void)sectorsPerIndexRecord;  // one sector holds everything the header test needs
  ScanObserver& ui = job.observer;
  const uint64_t b = source.sectorBytes;
  if (b == 0) return 0;
  std::vector<std::byte> sector(static_cast<size_t>(b));
  const std::string_view device = source.device;
  const uint32_t total = g_ScanState.foundDirCount.load(std::memory_order_relaxed);
  const uint32_t number = g_ScanState.partitionCount.load() + 1;
  ScanBar bar(ui);
  // The blocks by sector (each sector is searched once, so it names one block), made at the first
  // match.
  std::optional<std::unordered_map<uint64_t, IndxBlockRecord*>> bySector;
  int result = 0;
  uint64_t i = 0;
  for (FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next) {
    ++i;
    if (d->recordSector > rangeStart && d->recordSector <= rangeEnd && d->assignedPartition == 0 &&
        d->indexLcn != 0) {
      if (!job.control.Checkpoint()) return result;
      const uint64_t at = start + uint64_t{d->indexLcn} * sectorsPerCluster;
      ReadSectors(device, static_cast<int64_t>(at), 1, sector);
      uint32_t parent = 0, vcn = 0;
      if (Signature(sector, "INDX") && NtfsCheckIndxHeader(sector, parent, vcn) &&
          parent == d->directoryId) {
        d->assignedPartition = number;
        result = 1;
        // The block is spoken for.
        if (!bySector) {
          bySector.emplace();
          for (IndxBlockRecord* x = indx.head; x; x = x->next)
            if (x->sector != kIndxMatched) bySector->emplace(x->sector, x);
        }
        auto it = bySector->find(at);
        if (it != bySector->end()) {
          it->second->sector = kIndxMatched;
          bySector->erase(it);
        }
      }
    }
    DetailAndBar(ui, bar, kAssigningFileSystemFormat, i, total);
    if (job.control.StopRequested() || job.control.Cancelled()) break;
  }
  return result;
}

int64_t FirstUnassignedDirectory(uint32_t n) {
  int64_t position = 0;
  const FoundDirectoryRecord* d = g_ScanState.foundDirList.head;
  for (; d && position < n; d = d->next) ++position;
  for (; d; d = d->next, ++position)
    if (d->assignedPartition == 0) return position;
  return -1;
}

ScanEnd FindNtfsFileSystems(ScanJob& job, const ScanSource& source,
                            const NtfsSignatureLists& lists) {
  ScanObserver& ui = job.observer;
  job.control.ClearStop();
  // Step 4: the first block of each directory's index is what a boot sector's geometry can find.
  RecordList<IndxBlockRecord> firstBlocks;
  g_ScanState.indxCount = 0;
  for (const IndxBlockRecord* x = lists.indx.head; x; x = x->next)
    if (x->vcn == 0) AddIndxBlockRecord(firstBlocks, x->sector, x->directoryId, 0, x->mark);
  ui.OnBar(100);

  ui.OnStepText(kSignatureStep41);
  ScanEnd end = ScanEnd::Finished;
  auto addFileSystem = [&](uint64_t start, uint64_t finish, uint32_t spc, uint32_t perRecord,
                           uint32_t perIndex) {
    const uint32_t count = g_ScanState.partitionCount.fetch_add(1) + 1;
    PartitionRecord r;
    r.clusterSize = spc;
    r.startSector = start;
    r.endSector = finish;
    r.fileRecordSectors = perRecord;
    r.indexRecordSectors = perIndex;
    AddPartitionRecord(g_ScanState.partitionList, r, u"NTFS");
    ui.OnStepText(std::string(kSignatureStep41Enumerated) + std::to_string(count));
  };
  for (const NtfsBootCandidate* c = lists.candidates.head; c; c = c->next) {
    if (job.control.Cancelled()) return ScanEnd::Cancelled;
    if (!IsPowerOfTwo(c->sectorsPerCluster)) {
      ++g_NtfsSignatureScanCounts.skippedCandidates;
      continue;
    }
    const uint64_t start = c->bootSector;
    // A boot sector's sector count is 64-bit; one that runs past every sector a disk can have
    // describes no volume.
    if (c->totalSectors > UINT64_MAX / 2 - start) {
      ++g_NtfsSignatureScanCounts.skippedCandidates;
      continue;
    }
    // The count leaves out the backup boot sector at start + count, the volume's last sector:
    // the file system ends one past it, as a FAT file system's end is given.
    const uint64_t last = start + c->totalSectors;
    const uint64_t finish = last + 1;
    if (AssignIndxToFileSystems(job, source, firstBlocks, start, c->sectorsPerCluster,
                                c->sectorsPerIndexRecord, start, last))
      addFileSystem(start, finish, c->sectorsPerCluster, c->sectorsPerFileRecord,
                    c->sectorsPerIndexRecord);
    if (job.control.StopRequested()) {
      end = ScanEnd::Stopped;
      break;
    }
  }
  if (!lists.candidates.head) {
    // No boot sector at all: the selected range's own geometry may still find its directories.
    const VolumeGeometry& g = source.geometry;
    const Range range = ScanRange(source);
    const uint32_t spc = g.SectorsPerCluster;
    if (IsPowerOfTwo(spc) &&
        AssignIndxToFileSystems(job, source, firstBlocks, range.start, spc, g.SectorsPerIndexRecord,
                                range.start, range.end))
      addFileSystem(range.start, range.end, spc, g.SectorsPerMftRecord,
                    g.SectorsPerIndexRecord);
    if (job.control.StopRequested()) end = ScanEnd::Stopped;
  }
  if (job.control.Cancelled()) return ScanEnd::Cancelled;

  // A directory no file system claimed belongs to the one of the directory before it.
  job.control.ClearStop();
  uint32_t W = 1;
  for (FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next) {
    if (d->assignedPartition == 0 || d->assignedPartition == 0xFFFFFFFF) d->assignedPartition = W;
    W = d->assignedPartition;
  }
  firstBlocks.Free();
  return end;
}

ScanEnd NtfsSignatureScanThread(ScanJob& job) {
  return NtfsSignatureScan(job, TakeScanSource());
}

ScanEnd NtfsSignatureScan(ScanJob& job, const ScanSource& source) {
  ScanObserver& ui = job.observer;
  const bool partition = g_PartitionMode.load() != 0;
  ui.OnStepLinesVisible(true);
  g_NtfsSignatureScanCounts = {};
  // Records are read at the sectors found; a map of an $MFT scanned before may belong to another
  // volume and must not lend it records.
  ResetMftMap();
  FreeFolderList();
  FreeFileList();
  ClearTemporaryLists();
  g_ScanState.totalSize = 0;
  job.control.ClearStop();
  g_ScanState.chosenFileSystem = 1;
  NtfsSignatureLists lists;
  bool stopped = false;
  auto step = [&](ScanEnd e) {
    if (e == ScanEnd::Stopped) stopped = true;
    return e != ScanEnd::Cancelled && e != ScanEnd::Failed;
  };

  const ScanEnd search = SearchNtfsSignatures(job, source, lists);
  if (!step(search)) return search;
  DropMirrorCopies(lists);
  if (!step(AssignFolderMftNumbers(job, source, lists))) return ScanEnd::Cancelled;
  if (!step(AssignFileMftNumbers(job))) return ScanEnd::Cancelled;
  if (!step(FindNtfsFileSystems(job, source, lists))) return ScanEnd::Cancelled;
  lists.Free();

  if (partition) return ScanEnd::PassDone;
  // The files of file system 1 are read with its own geometry, as after a choice on the
  // found-file-systems page: the volume's boot sectors may both be too damaged for the detection,
  // which then left nothing (or another volume's values) to read them with.
  TakeFoundFileSystem(1);
  const ScanEnd dump = DumpFileSystemRecords(job, 1);
  if (dump == ScanEnd::Cancelled) return dump;
  return stopped || dump == ScanEnd::Stopped ? ScanEnd::Stopped : ScanEnd::Finished;
}

ScanEnd RunNtfsSignatureScan(ScanJob& job) {
  if (g_PartitionMode.load()) g_PartitionPass.fetch_add(1);
  return NtfsSignatureScanThread(job);
}

int32_t ChosenFileSystemNumber() {
  const int32_t n = g_ScanState.chosenFileSystem.load();
  const uint32_t found = g_ScanState.partitionCount.load();
  return n >= 1 && static_cast<uint32_t>(n) <= found ? n : 0;
}

ScanEnd ChosenFileSystemThread(ScanJob& job) {
  const int32_t n = ChosenFileSystemNumber();
  if (n == 0) return ScanEnd::Failed;
  g_ScanState.chosenFileSystem = n;
  return DumpFileSystemRecords(job, n);
}
