#include "saving/extract/NtfsFileCopy.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/records/ScanState.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/ExtractSink.h"
#include "prompts/CopyGlobals.h"
#include "prompts/UserPrompts.h"
#include "storage/ExtentList.h"
#include "storage/ntfs/NtfsAttributes.h"
#include "storage/ntfs/NtfsCompressionUnits.h"
#include "storage/ntfs/NtfsLznt1.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "storage/ntfs/NtfsRecord.h"
#include "storage/ntfs/NtfsRunList.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

// Attribute header flags (16 bits at 12) whose data is not stored as plain clusters.
constexpr size_t kAttributeFlagsField = 12;
constexpr uint16_t kCompressionMask = 0x00FF;
constexpr uint16_t kLznt1 = 0x0001;
constexpr uint16_t kEncrypted = 0x4000;
// Non-resident header: the compression unit's exponent (8 bits at 34).
constexpr size_t kCompressionUnitField = 34;
// The largest compression unit taken: 16 clusters of 64 KiB. A larger one is a damaged header.
constexpr uint64_t kMaxCompressionUnitBytes = 1024 * 1024;
// Non-resident header: initialized size (64 bits at 56); bytes past it read as zeros.
constexpr size_t kInitializedSizeField = 56;
constexpr size_t kNonResidentHeaderBytes = 64;

// What the copy of one file reads from, taken when it starts.
struct NtfsCopySource {
  std::string device;
  NtfsVolume volume;
  uint32_t recordSectors = 0;  // sectors per FILE record; 0: the layout is not known
  uint64_t sectorBytes = 0;    // bytes one sector of the source holds; 0: not a valid size
  const NtfsRunArrays* mftRuns = nullptr;  // the $MFT map the scan built
};

NtfsCopySource CurrentSource() {
  NtfsCopySource source;
  source.device = std::string(CurrentDevicePath());
  source.volume = NtfsVolumeOf(g_VolumeGeometry, g_SourceEndSector);
  source.recordSectors = g_VolumeGeometry.SectorsPerMftRecord;
  source.sectorBytes = ReadSizeBytes(1);
  source.mftRuns = &g_MftRuns;
  return source;
}

// Reads the file's FILE record and applies the fix-up. False when what was read is not a FILE
// record whose update sequence could be applied: nothing in it may be trusted then.
bool ReadFileRecord(const NtfsCopySource& source, const NtfsCopyRequest& r,
                    std::vector<std::byte>& record) {
  const uint32_t R = source.recordSectors;
  const uint64_t bytes = R * source.sectorBytes;
  if (R == 0 || bytes == 0) return false;
  record.assign(static_cast<size_t>(bytes), std::byte{0});
  if (r.recordSector != 0)
    return NtfsReadFileRecordAt(source.device, r.recordSector, R, record) == 1;
  NtfsReadMftRecord(source.device, *source.mftRuns, R, r.recordNumber, record);
  return IsNtfsFileRecord(record) && ApplyUpdateSequenceFixup(record) == 1;
}

// What the header of the data attribute's first piece (VCN 0) says about how its data is stored.
struct DataHeader {
  uint16_t flags = 0;
  bool nonResident = false;
  uint8_t unitExponent = 0;             // compression unit: 2^unitExponent clusters
  std::optional<uint64_t> initialized;  // non-resident only
  bool Encrypted() const { return (flags & kEncrypted) != 0; }
  // Only clusters are stored compressed: a resident value is plain even when the file carries the
  // flag (as every file of a compressed folder does).
  bool Compressed() const { return nonResident && (flags & kCompressionMask) != 0; }
};

DataHeader HeaderOf(const NtfsAttribute& a) {
  DataHeader h;
  h.flags = bo::LoadLe16(a.bytes, kAttributeFlagsField);
  h.nonResident = a.nonResident == 1;
  // Only the piece that maps from VCN 0 carries the attribute's sizes.
  if (a.nonResident == 1 && a.length >= kNonResidentHeaderBytes && a.StartingVcn() == 0) {
    h.initialized = bo::LoadLe64(a.bytes, kInitializedSizeField);
    h.unitExponent = bo::Load8(a.bytes, kCompressionUnitField);
  }
  return h;
}

// The header of the unnamed $DATA piece that starts at VCN 0 in record.
std::optional<DataHeader> FirstPieceIn(bo::Bytes record) {
  std::optional<DataHeader> found;
  NtfsForEachAttribute(record, NtfsFirstAttributeOffset(record), record.size(),
                       [&](const NtfsAttribute& a) {
                         if (a.type != kNtfsDataAttribute || a.nameLength != 0 ||
                             a.nonResident != 1 || a.StartingVcn() != 0)
                           return true;
                         found = HeaderOf(a);
                         return false;
                       });
  return found;
}

// A base record without an unnamed $DATA of its own: the data's first piece in the extension
// record its attribute list names (only one that still belongs to this file counts).
std::optional<DataHeader> FirstPieceThroughList(const NtfsCopySource& source, bo::Bytes base,
                                                uint32_t number) {
  const auto entries =
      NtfsCollectAttributeListEntries(source.device, base, source.volume, kNtfsDataAttribute);
  std::vector<std::byte> other(base.size());
  for (const auto& e : entries) {
    if (e.nameLength != 0 || e.startingVcn != 0 || e.recordNumber == number) continue;
    NtfsReadMftRecord(source.device, *source.mftRuns, source.recordSectors, e.recordNumber, other);
    if (!IsNtfsFileRecord(other) || ApplyUpdateSequenceFixup(other) != 1) continue;
    if (!NtfsIsExtensionRecord(other) || NtfsBaseRecordNumber(other) != number) continue;
    return FirstPieceIn(other);
  }
  return std::nullopt;
}

// Encrypted clusters, and clusters compressed in a form other than LZNT1, cannot be decoded.
bool Unsupported(const DataHeader& h) {
  return h.nonResident &&
         (h.Encrypted() || (h.Compressed() && (h.flags & kCompressionMask) != kLznt1));
}

NtfsCopyResult AsResult(ExtractEnd end) {
  return AsCopyResult<NtfsCopyResult>(end);
}

// Reads the real clusters of a compression unit into out, in reads that fit the copy buffer, as
// the plain copy reads; sectors that could not be read are zeros.
void ReadUnit(const NtfsCopySource& source, const NtfsCompressionUnit& unit,
              bo::MutableBytes out) {
  const uint64_t sectorBytes = source.sectorBytes;
  const uint64_t perRead = kNtfsCopyBufferBytes / sectorBytes;
  uint64_t at = 0;
  for (const NtfsCompressionUnit::Piece& p : unit.pieces) {
    for (uint64_t done = 0; done < p.sectors;) {
      const uint64_t count = std::min(perRead, p.sectors - done);
      const auto part = out.subspan(static_cast<size_t>(at * sectorBytes),
                                    static_cast<size_t>(count * sectorBytes));
      std::fill(part.begin(), part.end(), std::byte{0});
      if (p.startSector + done <= uint64_t{INT64_MAX})
        ReadSectors(source.device, static_cast<int64_t>(p.startSector + done),
                    static_cast<uint32_t>(count), part);
      at += count;
      done += count;
    }
  }
}

// Writes a compressed file unit by unit: a sparse unit as a hole, a stored one as read, a
// compressed one decompressed. A damaged unit ends the file after the part of it that decoded
// (Short).
NtfsCopyResult CopyCompressed(const NtfsCopySource& source, const ExtractTarget& target,
                              const NtfsRunArrays& runs, size_t runCount, uint64_t unitSectors,
                              CopyObserver& observer) {
  const uint64_t sectorBytes = source.sectorBytes;
  if (sectorBytes == 0 || sectorBytes > kNtfsCopyBufferBytes || unitSectors == 0 ||
      unitSectors > kMaxCompressionUnitBytes / sectorBytes)
    return NtfsCopyResult::NotCopied;
  ExtractSink sink(target, observer);
  if (const auto failed = sink.Create()) return AsResult(*failed);
  const size_t unitBytes = static_cast<size_t>(unitSectors * sectorBytes);
  std::vector<std::byte> stored(unitBytes);
  std::vector<std::byte> decoded(unitBytes);
  NtfsCompressionUnits units(runs, runCount, unitSectors);
  NtfsCompressionUnit unit;
  while (sink.Remaining() > 0 && units.Next(unit)) {
    if (const auto end = sink.Interrupted()) return AsResult(*end);
    uint64_t have = unit.coveredSectors * sectorBytes;
    bool damaged = false;
    if (unit.kind == NtfsCompressionUnit::Kind::Stored) {
      ReadUnit(source, unit, decoded);
    } else if (unit.kind == NtfsCompressionUnit::Kind::Compressed) {
      const auto input =
          std::span(stored).first(static_cast<size_t>(unit.RealSectors() * sectorBytes));
      ReadUnit(source, unit, input);
      const Lznt1Outcome out = Lznt1DecompressUnit(input, decoded);
      if (out.damaged) {
        have = std::min<uint64_t>(have, out.bytes);
        damaged = true;
      }
    }
    const auto end = unit.kind == NtfsCompressionUnit::Kind::Sparse
                         ? sink.WriteHole(have)
                         : sink.Write(std::span(decoded).first(static_cast<size_t>(have)));
    if (end) return AsResult(*end);
    if (damaged) break;
  }
  return AsResult(sink.Finish());
}

// Writes the file from extents (a sparse one is left as a hole, unread) in reads of at most
// kNtfsCopyBufferBytes.
NtfsCopyResult CopyExtents(const NtfsCopySource& source, const ExtractTarget& target,
                           const ExtentList& extents, CopyObserver& observer) {
  // Sectors per read follow from the buffer, so large sectors never overflow it.
  const uint64_t sectorBytes = source.sectorBytes;
  const uint32_t perRead =
      sectorBytes ? static_cast<uint32_t>(kNtfsCopyBufferBytes / sectorBytes) : 0;
  if (perRead == 0) return NtfsCopyResult::NotCopied;
  ExtractSink sink(target, observer);
  if (const auto failed = sink.Create()) return AsResult(*failed);
  const uint32_t spc = source.volume.sectorsPerCluster;
  std::vector<std::byte> buffer(kNtfsCopyBufferBytes);

  for (const ExtentNode* e = extents.Head(); e && sink.Remaining() > 0; e = e->next.get()) {
    // Run lists name whole clusters: a well-formed extent loses nothing here.
    const uint64_t sectors = spc ? e->sectorCount / spc * spc : e->sectorCount;
    for (uint64_t done = 0; done < sectors && sink.Remaining() > 0;) {
      if (const auto end = sink.Interrupted()) return AsResult(*end);
      // A sparse run is a hole, left in one step: nothing to read, nothing to write.
      const uint32_t count =
          static_cast<uint32_t>(e->sparse ? std::min<uint64_t>(sectors - done, UINT32_MAX)
                                          : std::min<uint64_t>(perRead, sectors - done));
      std::optional<ExtractEnd> end;
      if (e->sparse) {
        end = sink.WriteHole(count * sectorBytes);
      } else {
        const auto part = std::span(buffer).first(static_cast<size_t>(count * sectorBytes));
        // Zeroed before every read: sectors that could not be read are zeros.
        std::fill(part.begin(), part.end(), std::byte{0});
        if (e->startSector + done <= uint64_t{INT64_MAX})
          ReadSectors(source.device, static_cast<int64_t>(e->startSector + done), count, part);
        end = sink.Write(part);
      }
      if (end) return AsResult(*end);
      done += count;
    }
    if (const auto end = sink.PreviewStopped()) return AsResult(*end);
  }
  return AsResult(sink.Finish());
}

// Writes resident data: the value itself, cut to the size.
NtfsCopyResult CopyResident(const ExtractTarget& target, bo::Bytes value, CopyObserver& observer) {
  ExtractSink sink(target, observer);
  if (const auto failed = sink.Create()) return AsResult(*failed);
  std::vector<std::byte> bytes(value.begin(),
                               value.begin() + static_cast<std::ptrdiff_t>(
                                                   std::min<uint64_t>(target.size, value.size())));
  if (const auto end = sink.Write(bytes)) return AsResult(*end);
  return AsResult(sink.Finish());
}

}  // namespace

NtfsCopyResult CopyNtfsFile(const NtfsCopyRequest& r, CopyObserver& observer) {
  if (r.saving) observer.OnFileStarted(r.targetText, r.name);
  g_CopySkipOnce = 0;
  if (r.saving && !observer.Admit({r.name, r.size, r.deleted})) return NtfsCopyResult::Refused;
  const NtfsCopySource source = CurrentSource();
  ExtractTarget target = TargetOf(r, FileTimeToTimespec(r.modified));

  if (r.size == 0) {
    // Nothing to read: an empty file with the record's time.
    if (r.saving) g_CopiedFileCount.fetch_add(1);
    ExtractSink sink(target, observer);
    if (const auto failed = sink.Create()) return AsResult(*failed);
    return AsResult(sink.Finish());
  }

  const NtfsVolume& volume = source.volume;
  if (source.recordSectors == 0 || volume.sectorsPerCluster == 0) {
    // Nothing of this volume can be read; the user hears it once, not as one silent failure per
    // file.
    if (r.saving) {
      g_CopiedFileCount.fetch_add(1);
      if (!g_CopyNoLayoutNoticed.exchange(true)) Prompts().ViewMsgBox(kNtfsNoLayoutNotice);
    }
    return NtfsCopyResult::NotCopied;
  }
  std::vector<std::byte> record;
  size_t at = 0;
  int kind = 0;
  std::optional<DataHeader> header;
  if (ReadFileRecord(source, r, record)) {
    kind = NtfsFindDataAttribute(record, at);
    if (kind != 0) {
      if (auto a = NtfsAttributeAt(record, at)) header = HeaderOf(*a);
    } else {
      header = FirstPieceThroughList(source, record, r.recordNumber);
    }
  }
  if (header && Unsupported(*header)) {
    // Clusters that cannot be decoded, written as they are, would be garbage under the file's
    // name: the file is left and counted as not copied.
    if (r.saving) {
      g_CopyUnsupportedFileCount.fetch_add(1);
      if (header->Encrypted() && !g_CopyEncryptedNoticed.exchange(true))
        Prompts().ViewMsgBox(kNtfsEncryptedNotice);
    }
    return NtfsCopyResult::Unsupported;
  }
  if (r.saving) g_CopiedFileCount.fetch_add(1);
  if (record.empty() || !header) return NtfsCopyResult::NotCopied;

  if (kind == 1) {
    const auto a = NtfsAttributeAt(record, at);
    bool ok = false;
    const bo::Bytes value = a ? a->ResidentValue(ok) : bo::Bytes{};
    if (!ok) return NtfsCopyResult::NotCopied;
    return CopyResident(target, value, observer);
  }

  NtfsRunArrays runs;
  NtfsReadDataRuns(source.device, record, r.recordNumber, source.recordSectors, volume, runs);
  ExtentList extents;
  // Runs that together claim more clusters than the volume holds are damaged (a sparse run of
  // 2^24 clusters would fill the target with invented zeros): only those before are copied, and
  // the file comes out short.
  const size_t credible = NtfsRunsWithinVolume(runs, volume);
  target.validBytes = header->initialized ? std::min(*header->initialized, r.size) : r.size;
  if (header->Compressed()) {
    const uint64_t clusterBytes = uint64_t{volume.sectorsPerCluster} * source.sectorBytes;
    const uint64_t unitClusters =
        NtfsCompressionUnitClusters(header->unitExponent, clusterBytes, kMaxCompressionUnitBytes);
    if (unitClusters == 0 || credible == 0) return NtfsCopyResult::NotCopied;
    return CopyCompressed(source, target, runs, credible, unitClusters * volume.sectorsPerCluster,
                          observer);
  }
  for (size_t i = 0; i < credible; ++i)
    if (!AppendExtentNode(extents, runs.starts[i], runs.lengths[i], runs.IsSparse(i)))
      return NtfsCopyResult::NotCopied;
  if (extents.Count() == 0) return NtfsCopyResult::NotCopied;
  return CopyExtents(source, target, extents, observer);
}
