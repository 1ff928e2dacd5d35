#include "storage/ntfs/NtfsMftMap.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "storage/ntfs/NtfsAttributes.h"
#include "storage/ntfs/NtfsRecord.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

constinit NtfsRunArrays g_MftRuns;
constinit uint32_t g_MftSectorsPerRecord = 0;

void ResetMftMap() {
  g_MftRuns = NtfsRunArrays{};
  g_MftSectorsPerRecord = 0;
}

uint64_t NtfsVcnToSectorInRuns(uint64_t record, const NtfsRunArrays& runs, uint32_t R) {
  if (R == 0 || record > UINT64_MAX / R) return 0;
  const uint64_t virtualSector = record * R;
  uint64_t total = 0;
  for (size_t i = 0; i < runs.Count(); ++i) {
    const uint64_t length = runs.lengths[i];
    if (virtualSector - total < length)
      return runs.IsSparse(i) ? 0 : runs.starts[i] + (virtualSector - total);
    total += length;
    if (total > virtualSector) break;
  }
  return 0;
}

uint64_t NtfsVcnToSector(uint64_t record) {
  return NtfsVcnToSectorInRuns(record, g_MftRuns, g_MftSectorsPerRecord);
}

int NtfsReadMftRecord(std::string_view device, const NtfsRunArrays& runs, uint32_t R,
                      uint64_t record, std::span<std::byte> buffer) {
  const uint64_t bytesPerSector = ReadSizeBytes(1);
  if (R == 0 || bytesPerSector == 0 || buffer.size() < bytesPerSector * R ||
      record > UINT64_MAX / R) {
    std::fill(buffer.begin(), buffer.end(), std::byte{0});
    return 0;
  }
  uint64_t want = record * R;  // next virtual sector to deliver
  uint64_t left = R;
  size_t out = 0;
  int all = 1;
  uint64_t total = 0;
  for (size_t i = 0; i < runs.Count() && left > 0; ++i) {
    const uint64_t length = runs.lengths[i];
    if (want >= total && want - total < length) {
      const uint64_t inRun = want - total;
      const uint64_t n = std::min(left, length - inRun);
      auto piece = buffer.subspan(out, static_cast<size_t>(n * bytesPerSector));
      if (runs.IsSparse(i)) {
        std::fill(piece.begin(), piece.end(), std::byte{0});
      } else if (!ReadSectors(device, static_cast<int64_t>(runs.starts[i] + inRun),
                              static_cast<uint32_t>(n), piece)) {
        all = 0;
      }
      out += piece.size();
      want += n;
      left -= n;
    }
    total += length;
  }
  if (left > 0) {
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(out), buffer.end(), std::byte{0});
    all = 0;
  }
  return all;
}

int NtfsReadFileRecordAt(std::string_view device, uint64_t sector, uint32_t R,
                         std::span<std::byte> buffer) {
  if (R == 0 || buffer.size() < ReadSizeBytes(R) || sector > uint64_t{INT64_MAX}) return 0;
  auto record = buffer.first(static_cast<size_t>(ReadSizeBytes(R)));
  ReadSectors(device, static_cast<int64_t>(sector), R, record);
  return IsNtfsFileRecord(record) && ApplyUpdateSequenceFixup(record) ? 1 : 0;
}

namespace {

// The bytes of a non-resident attribute list, read through its runs.
std::vector<std::byte> ReadNonResidentList(std::string_view device, const NtfsAttribute& a,
                                           const NtfsVolume& volume) {
  NtfsRunArrays runs(kNtfsAttributeListRunCapacity);
  NtfsDecodeRunList(a.RunList(), volume, runs);
  const uint64_t bytesPerSector = ReadSizeBytes(1);
  if (bytesPerSector == 0 || a.length < 56) return {};
  const uint64_t want = std::min<uint64_t>(a.RealSize(), kNtfsAttributeListMaxBytes);
  std::vector<std::byte> bytes;
  bytes.reserve(static_cast<size_t>(want));
  std::vector<std::byte> sector(static_cast<size_t>(bytesPerSector));
  for (size_t i = 0; i < runs.Count() && bytes.size() < want; ++i) {
    for (uint64_t s = 0; s < runs.lengths[i] && bytes.size() < want; ++s) {
      std::fill(sector.begin(), sector.end(), std::byte{0});
      if (!runs.IsSparse(i))
        ReadSectors(device, static_cast<int64_t>(runs.starts[i] + s), 1, sector);
      const size_t n = static_cast<size_t>(std::min<uint64_t>(bytesPerSector, want - bytes.size()));
      bytes.insert(bytes.end(), sector.begin(), sector.begin() + static_cast<std::ptrdiff_t>(n));
    }
  }
  return bytes;
}

}  // namespace

bo::Bytes NtfsReadAttributeList(std::string_view device, bo::Bytes record, const NtfsVolume& volume,
                                std::vector<std::byte>& storage) {
  bo::Bytes list;
  NtfsForEachAttribute(record, NtfsFirstAttributeOffset(record), record.size(),
                       [&](const NtfsAttribute& a) {
                         if (a.type != kNtfsAttributeList) return true;
                         if (a.nonResident == 0) {
                           bool ok = false;
                           list = a.ResidentValue(ok);
                         } else if (a.nonResident == 1) {
                           storage = ReadNonResidentList(device, a, volume);
                           list = storage;
                         }
                         return false;
                       });
  return list;
}

std::vector<NtfsAttributeListEntry> NtfsAttributeListEntriesOf(bo::Bytes list, uint32_t type) {
  std::vector<NtfsAttributeListEntry> entries;
  for (size_t at = 0; at + 24 <= list.size();) {
    const uint32_t entryType = bo::LoadLe32(list, at);
    const size_t length = bo::LoadLe16(list, at + 4);
    if (entryType == 0 || entryType == kNtfsAttributeEnd || length < 24 ||
        length > list.size() - at)
      break;
    if (entryType == type) {
      if (entries.size() >= kNtfsAttributeListRefCapacity) break;
      entries.push_back({entryType, bo::Load8(list, at + 6), bo::LoadLe64(list, at + 8),
                         bo::LoadLe32(list, at + 16)});
    }
    at += length;
  }
  return entries;
}

std::vector<NtfsAttributeListEntry> NtfsCollectAttributeListEntries(std::string_view device,
                                                                    bo::Bytes record,
                                                                    const NtfsVolume& volume,
                                                                    uint32_t type) {
  std::vector<std::byte> storage;
  return NtfsAttributeListEntriesOf(NtfsReadAttributeList(device, record, volume, storage), type);
}

namespace {

// The record's own MFT number where the record says it (NTFS 3.1 records, whose update sequence
// starts at 0x30 or later, keep it at offset 44); nothing for older records.
std::optional<uint32_t> OwnRecordNumber(bo::Bytes record) {
  if (bo::LoadLe16(record, kNtfsUsaOffsetField) < 0x30) return std::nullopt;
  return bo::LoadLe32(record, 44);
}

// Appends the runs of the unnamed, non-resident $DATA of `record` that maps from `vcn` (any VCN
// when vcn is empty).
std::optional<NtfsRunListEnd> AppendDataRuns(bo::Bytes record, std::optional<uint64_t> vcn,
                                             const NtfsVolume& volume, NtfsRunArrays& runs) {
  std::optional<NtfsRunListEnd> end;
  NtfsForEachAttribute(
      record, NtfsFirstAttributeOffset(record), record.size(), [&](const NtfsAttribute& a) {
        if (a.type != kNtfsDataAttribute || a.nameLength != 0 || a.nonResident != 1) return true;
        if (vcn && a.StartingVcn() != *vcn) return true;
        end = NtfsDecodeRunList(a.RunList(), volume, runs);
        return false;
      });
  return end;
}

// Runs of the unnamed $DATA of the base record `base` (fixed up, at baseSector), following its
// attribute list. locate(n) gives the sector of record n, or 0.
NtfsRunListEnd DataRunsOf(std::string_view device, std::span<const std::byte> base,
                          uint64_t baseSector, std::optional<uint32_t> knownNumber, uint32_t R,
                          const NtfsVolume& volume, const std::function<uint64_t(uint32_t)>& locate,
                          NtfsRunArrays& runs) {
  const auto entries = NtfsCollectAttributeListEntries(device, base, volume, kNtfsDataAttribute);
  const std::optional<uint32_t> baseNumber = knownNumber ? knownNumber : OwnRecordNumber(base);
  std::vector<std::byte> other(base.size());
  NtfsRunListEnd last = NtfsRunListEnd::Complete;
  bool any = false;
  for (const auto& e : entries) {
    if (e.nameLength != 0) continue;
    bo::Bytes record;
    const uint64_t sector = locate(e.recordNumber);
    if ((baseNumber && e.recordNumber == *baseNumber) ||
        (baseSector != 0 && sector == baseSector)) {
      record = base;
    } else {
      if (sector == 0 || !NtfsReadFileRecordAt(device, sector, R, other)) continue;
      // A record that no longer belongs to this file (reused since) must not lend its runs.
      const uint32_t owner = NtfsBaseRecordNumber(other);
      if (!NtfsIsExtensionRecord(other) || (baseNumber && owner != *baseNumber)) continue;
      record = other;
    }
    if (auto end = AppendDataRuns(record, e.startingVcn, volume, runs)) {
      any = true;
      last = *end;
      if (last == NtfsRunListEnd::Full) return last;
    }
  }
  if (any) return last;
  return AppendDataRuns(base, std::nullopt, volume, runs).value_or(NtfsRunListEnd::Complete);
}

}  // namespace

NtfsRunListEnd NtfsReadDataRuns(std::string_view device, bo::Bytes record, uint32_t recordNumber,
                                uint32_t R, const NtfsVolume& volume, NtfsRunArrays& runs) {
  runs.Clear();
  return DataRunsOf(
      device, record, 0, recordNumber, R, volume, [](uint32_t n) { return NtfsVcnToSector(n); },
      runs);
}

NtfsRunListEnd NtfsReadMftRuns(std::string_view device, uint64_t recordSector, uint32_t R,
                               const NtfsVolume& volume, NtfsRunArrays& runs) {
  runs.Clear();
  std::vector<std::byte> base(static_cast<size_t>(ReadSizeBytes(R)));
  if (base.empty() || !NtfsReadFileRecordAt(device, recordSector, R, base))
    return NtfsRunListEnd::Complete;
  return DataRunsOf(
      device, base, recordSector, std::nullopt, R, volume,
      [](uint32_t n) { return NtfsVcnToSector(n); }, runs);
}

size_t NtfsReadMftRunsWithAttrList(std::string_view device, const NtfsVolume& volume,
                                   uint64_t mftStartSector, uint32_t R) {
  ResetMftMap();
  g_MftSectorsPerRecord = R;
  const size_t bytes = static_cast<size_t>(ReadSizeBytes(R));
  if (mftStartSector == 0 || R == 0 || bytes == 0) return 0;
  std::vector<std::byte> record(bytes);

  // Pass 0: the root directory's index allocation, kept only when record 0 gives nothing.
  if (NtfsReadFileRecordAt(device, mftStartSector + uint64_t{kNtfsRootRecord} * R, R, record)) {
    const size_t p = NtfsFindNonResidentI30(record, kNtfsIndexAllocation, record.size());
    if (p != 0) {
      if (auto a = NtfsAttributeAt(record, p)) NtfsDecodeRunList(a->RunList(), volume, g_MftRuns);
    }
  }

  if (!NtfsReadFileRecordAt(device, mftStartSector, R, record)) return g_MftRuns.Count();
  NtfsRunArrays known;
  if (!AppendDataRuns(record, std::nullopt, volume, known)) return g_MftRuns.Count();
  // Record 0 has a $DATA: its runs replace pass 0's. Extension records of $MFT are found through
  // the runs decoded so far, or record 0's own first runs while none are.
  NtfsRunArrays built;
  auto locate = [&](uint32_t n) -> uint64_t {
    if (n == 0) return mftStartSector;
    uint64_t s = NtfsVcnToSectorInRuns(n, built, R);
    return s ? s : NtfsVcnToSectorInRuns(n, known, R);
  };
  DataRunsOf(device, record, mftStartSector, 0, R, volume, locate, built);
  // The $MFT cannot be larger than its volume: runs past that bound are damaged, and walking
  // them would read records that cannot exist.
  built.Truncate(NtfsRunsWithinVolume(built, volume));
  g_MftRuns = std::move(built);
  return g_MftRuns.Count();
}
