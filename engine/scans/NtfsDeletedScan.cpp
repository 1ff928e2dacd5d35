#include "engine/scans/NtfsDeletedScan.h"

#include <algorithm>
#include <span>
#include <vector>

#include "engine/worker/ScanBar.h"
#include "engine/scans/LostFolders.h"
#include "engine/scans/NtfsSignatureScan.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "prompts/UserPrompts.h"
#include "storage/ntfs/NtfsAttributes.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "storage/ntfs/NtfsRecord.h"
#include "storage/SectorIo.h"
#include "storage/UnitReread.h"
#include "storage/VolumeGeometry.h"

NtfsDeletedScanCounts g_NtfsDeletedScanCounts;

namespace {


// Records read per call while walking the MFT: the walk is sequential, so one read serves many
// records. A chunk that does not read whole is read again record by record (see MftWalk), so a
// bad sector still only costs the record it lies in.
constexpr uint64_t kRecordsPerChunk = 64;
constexpr uint64_t kRecordLimit = uint64_t{1} << 32;

TimeHalves Halves(uint64_t t) {
  return {static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32)};
}

// Serves MFT records in record order from reads of up to kRecordsPerChunk records within a run;
// a record that straddles two runs is read piece by piece.
class MftWalk {
 public:
  MftWalk(std::string_view device, const NtfsRunArrays& runs, uint32_t R, size_t recordBytes)
      : m_Device(device),
        m_Runs(runs),
        m_R(R),
        m_RecordBytes(recordBytes),
        m_Chunk(recordBytes * kRecordsPerChunk),
        m_Record(recordBytes) {
    for (size_t i = 0; i < runs.Count(); ++i) m_Total += runs.lengths[i];
  }
  uint64_t TotalSectors() const { return m_Total; }
  // Record numbers are 32-bit in the result lists: none past them is walked.
  uint64_t RecordCount() const { return m_R ? std::min<uint64_t>(m_Total / m_R, kRecordLimit) : 0; }

  // n, or the first record past the sparse run record n starts in: a sparse run of the $MFT
  // holds no records, however long a damaged run list says it is.
  uint64_t SkipSparse(uint64_t n) {
    const uint64_t v = n * m_R;
    for (; m_Run < m_Runs.Count() && m_Base + m_Runs.lengths[m_Run] <= v; ++m_Run)
      m_Base += m_Runs.lengths[m_Run];
    if (m_Run >= m_Runs.Count() || !m_Runs.IsSparse(m_Run)) return n;
    return (m_Base + m_Runs.lengths[m_Run] + m_R - 1) / m_R;
  }

  // The bytes of record n (writable: the fix-up is applied in place); readOk false when a sector
  // of it could not be read (it is then zero-filled).
  std::span<std::byte> Record(uint64_t n, bool& readOk) {
    const uint64_t v = n * m_R;
    if (v >= m_ChunkFirst && v + m_R <= m_ChunkFirst + m_ChunkSectors) {
      const size_t i = static_cast<size_t>((v - m_ChunkFirst) / m_R);
      readOk = m_RecordOk[i] != 0;
      return std::span<std::byte>(m_Chunk).subspan(i * m_RecordBytes, m_RecordBytes);
    }
    // Find the run holding v and fill the chunk from there, when the record lies within it.
    for (; m_Run < m_Runs.Count() && m_Base + m_Runs.lengths[m_Run] <= v; ++m_Run)
      m_Base += m_Runs.lengths[m_Run];
    const uint64_t base = m_Base;
    if (m_Run < m_Runs.Count() && v + m_R <= base + m_Runs.lengths[m_Run] && !m_Runs.IsSparse(m_Run)) {
      const uint64_t inRun = v - base;
      const uint64_t records =
          std::min<uint64_t>(kRecordsPerChunk, (m_Runs.lengths[m_Run] - inRun) / m_R);
      const uint64_t sectors = records * m_R;
      auto target = std::span<std::byte>(m_Chunk).first(static_cast<size_t>(records) * m_RecordBytes);
      const uint64_t first = m_Runs.starts[m_Run] + inRun;
      // A chunk that does not read whole is read again record by record, so a bad sector only
      // costs the record that holds it, and the user is asked about it once.
      ReadSectorsByUnit(m_Device, static_cast<int64_t>(first), static_cast<uint32_t>(sectors), m_R,
                        target, std::span(m_RecordOk).first(static_cast<size_t>(records)));
      m_ChunkFirst = v;
      m_ChunkSectors = sectors;
      readOk = m_RecordOk[0] != 0;
      return target.first(m_RecordBytes);
    }
    readOk = NtfsReadMftRecord(m_Device, m_Runs, m_R, n, m_Record) != 0;
    return m_Record;
  }

 private:
  std::string_view m_Device;
  const NtfsRunArrays& m_Runs;
  uint32_t m_R;
  size_t m_RecordBytes;
  std::vector<std::byte> m_Chunk;
  std::vector<std::byte> m_Record;
  uint64_t m_Total = 0;
  uint64_t m_ChunkFirst = UINT64_MAX;
  uint64_t m_ChunkSectors = 0;
  std::vector<uint8_t> m_RecordOk = std::vector<uint8_t>(kRecordsPerChunk, 0);
  size_t m_Run = 0;
  uint64_t m_Base = 0;
};

// Another record of the MFT named by an attribute list of record `owner`: used only when it is a
// FILE record, its fix-up works and it is an extension record of `owner`.
bool ReadListRecord(std::string_view device, uint32_t ref, uint32_t owner, uint32_t R,
                    std::vector<std::byte>& buffer) {
  // A sector that could not be read is zeros, which the checks below reject.
  NtfsReadMftRecord(device, g_MftRuns, R, ref, buffer);
  if (!IsNtfsFileRecord(buffer) || !ApplyUpdateSequenceFixup(buffer)) return false;
  if (!NtfsIsExtensionRecord(buffer) || NtfsBaseRecordNumber(buffer) != owner) {
    ++g_NtfsDeletedScanCounts.foreignListRecords;
    return false;
  }
  return true;
}

// True when the record's attribute list lies in clusters: a list grown too long for its record,
// which the references gathered from a resident list do not cover.
bool HasNonResidentAttributeList(bo::Bytes record) {
  bool nonResident = false;
  NtfsForEachAttribute(record, NtfsFirstAttributeOffset(record), record.size(),
                       [&](const NtfsAttribute& a) {
                         if (a.type != kNtfsAttributeList) return true;
                         nonResident = a.nonResident == 1;
                         return false;
                       });
  return nonResident;
}

}  // namespace

ScanEnd AssignLostFolders(ScanJob& job) {
  ScanObserver& ui = job.observer;
  ui.OnStepLinesVisible(true);
  ui.OnStepText(kSearchingLostDirectoriesStep);
  uint32_t moved = 0;
  const ScanEnd end = MoveLostFolders(job, kNtfsRootId, 0, moved);
  g_NtfsDeletedScanCounts.lostFolders = moved;
  if (end != ScanEnd::Cancelled) ui.OnStepLinesVisible(false);
  return end;
}

ScanEnd NtfsDeletedScanThread(ScanJob& job) {
  return NtfsDeletedScan(job, TakeScanSource());
}

ScanEnd NtfsDeletedScan(ScanJob& job, const ScanSource& source) {
  g_NtfsDeletedScanCounts = {};
  FreeFolderList();
  FreeFileList();
  ClearTemporaryLists();
  g_ScanState.totalSize.store(0, std::memory_order_relaxed);

  NewFolder lostFolder;
  lostFolder.wideName = u"Lost";
  lostFolder.deleted = 'n';
  lostFolder.parentId = kNtfsRootId;
  lostFolder.id = kLostFolderId;
  AddFolderRecord(lostFolder);

  const uint32_t R = source.geometry.SectorsPerMftRecord;
  const size_t recordBytes = static_cast<size_t>(uint64_t{R} * source.sectorBytes);
  const std::string_view device = source.device;
  ScanBar bar(job.observer);

  if (R != 0 && recordBytes != 0) {
    const NtfsVolume& volume = source.ntfsVolume;
    MftWalk walk(device, g_MftRuns, R, recordBytes);
    const uint64_t T = walk.TotalSectors();
    const uint64_t count = walk.RecordCount();
    std::vector<std::byte> other(recordBytes);
    auto& refs = g_ScanState.attrListRefs;
    NtfsFileName name;
    for (uint64_t n = 0; n < count; ++n) {
      n = walk.SkipSparse(n);
      if (n >= count) break;
      if (!job.control.Checkpoint()) return ScanEnd::Cancelled;
      if (job.control.StopRequested()) return ScanEnd::Stopped;
      const uint64_t D = (n + 1) * R;
      ++g_NtfsDeletedScanCounts.records;
      bool readOk = true;
      std::span<std::byte> rec = walk.Record(n, readOk);
      if (!readOk) ++g_NtfsDeletedScanCounts.unreadable;
      if (!IsNtfsFileRecord(rec) || n == kNtfsRootRecord) continue;
      if (!ApplyUpdateSequenceFixup(rec)) {
        ++g_NtfsDeletedScanCounts.fixupFailures;
        continue;
      }
      // Attributes that did not fit another record live here; that record names them.
      if (NtfsIsExtensionRecord(rec)) {
        ++g_NtfsDeletedScanCounts.extensionRecords;
        continue;
      }
      const auto self = static_cast<uint32_t>(n);
      refs[0] = self;
      const size_t refCount = NtfsCollectAttributeListRefs(rec, refs, 1);
      g_ScanState.attrListRefCount = static_cast<int16_t>(refCount);

      // The record that answers, for each reference in order: this one, or one it names.
      auto recordFor = [&](size_t i) -> bo::Bytes {
        if (refs[i] == self) return rec;
        if (!ReadListRecord(device, refs[i], self, R, other)) return {};
        return other;
      };
      // A list that lies in clusters is read once, and only when this record alone does not
      // answer; its entries then name the records that hold the name and the data.
      std::vector<std::byte> listBytes;
      bo::Bytes outOfRecordList;
      bool listRead = false;
      auto entriesOf = [&](uint32_t type) {
        if (!listRead) {
          listRead = true;
          if (HasNonResidentAttributeList(rec))
            outOfRecordList = NtfsReadAttributeList(device, rec, volume, listBytes);
        }
        return NtfsAttributeListEntriesOf(outOfRecordList, type);
      };
      bool named = false;
      bool nameElsewhere = false;
      for (size_t i = 0; i < refCount && !named; ++i) {
        bo::Bytes r = recordFor(i);
        if (!r.empty() && NtfsFindPreferredFileName(r, name)) {
          named = true;
          nameElsewhere = refs[i] != self;
        }
      }
      if (!named) {
        uint32_t tried = self;
        for (const auto& e : entriesOf(kNtfsFileNameAttribute)) {
          if (e.recordNumber == tried) continue;
          tried = e.recordNumber;
          if (ReadListRecord(device, e.recordNumber, self, R, other) &&
              NtfsFindPreferredFileName(other, name)) {
            named = true;
            nameElsewhere = true;
            break;
          }
        }
      }
      if (!named) {
        ++g_NtfsDeletedScanCounts.nameless;
        continue;
      }
      // $STANDARD_INFORMATION stays in the base record: an extension record that lends the name
      // has no times of its own.
      if (nameElsewhere) {
        NtfsTimes own;
        const bo::Bytes r = other;
        if (!NtfsGetStandardTimes(r, NtfsFirstAttributeOffset(r), own))
          NtfsGetStandardTimes(rec, NtfsFirstAttributeOffset(rec), name.times);
      }

      const uint16_t flags = NtfsRecordFlags(rec);
      if (flags == 2 || flags == 3) {
        NewFolder f;
        f.wideName = name.View();
        f.deleted = flags == 2 ? 'y' : 'n';
        f.parentId = name.parentRef;
        f.id = self;
        f.modified = Halves(name.times.modified);
        f.created = Halves(name.times.created);
        f.accessed = Halves(name.times.accessed);
        AddFolderRecord(f);
      } else {
        uint64_t size = 0;
        bool sized = false;
        for (size_t i = 0; i < refCount && !sized; ++i) {
          bo::Bytes r = recordFor(i);
          sized = !r.empty() && NtfsGetDataSize(r, size);
        }
        // Only the first piece of the data (VCN 0) holds the file's size.
        if (!sized) {
          for (const auto& e : entriesOf(kNtfsDataAttribute)) {
            if (e.nameLength != 0 || e.startingVcn != 0 || e.recordNumber == self) continue;
            sized = ReadListRecord(device, e.recordNumber, self, R, other) &&
                    NtfsGetDataSize(other, size);
            if (sized) break;
          }
        }
        if (!sized) size = 0;
        NewFile f;
        f.wideName = name.View();
        f.deleted = flags == 0 ? 'y' : 'n';
        f.size = size;
        f.parentId = name.parentRef;
        f.id = self;
        f.modified = Halves(name.times.modified);
        f.created = Halves(name.times.created);
        f.accessed = Halves(name.times.accessed);
        AddFileRecord(f);
        g_ScanState.totalSize.fetch_add(size, std::memory_order_relaxed);
      }
      job.ReportCounts(ScanCounts::Lists, name.View());
      bar.Set(D, T);
    }
  }

  if (g_ScanState.folderCount.load() <= 1 && g_ScanState.fileCount.load() == 0) {
    // Nothing usable in the MFT: the signature scan in formatted mode takes over.
    Prompts().ViewMsgBox(kNtfsSwitchToFormattedNotice);
    job.observer.OnSwitchToFormattedScan();
    g_FormattedMode = 1;
    return NtfsSignatureScan(job, source);
  }
  return AssignLostFolders(job);
}

size_t BuildMftMap() {
  return BuildMftMap(TakeScanSource());
}

size_t BuildMftMap(const ScanSource& source) {
  const VolumeGeometry& g = source.geometry;
  return NtfsReadMftRunsWithAttrList(source.device, source.ntfsVolume, g.MftStartSector,
                                     g.SectorsPerMftRecord);
}

ScanEnd RunNtfsDeletedScan(ScanJob& job) {
  const ScanSource source = TakeScanSource();
  BuildMftMap(source);
  return NtfsDeletedScan(job, source);
}
