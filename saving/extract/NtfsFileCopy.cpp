#include "saving/extract/NtfsFileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/records/ScanState.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/CopyInterrupt.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "prompts/UserPrompts.h"
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

// Saving asks the copy-error question unless the user chose to skip every failing file; a
// preview asks nothing.
void ReportCopyError(const NtfsCopyRequest& r) {
  if (r.saving && g_CopySkipAll.load() == 0) AskCopyError();
}

// Reads the file's FILE record and applies the fix-up. False when what was read is not a FILE
// record whose update sequence could be applied: nothing in it may be trusted then.
bool ReadFileRecord(const NtfsCopyRequest& r, uint32_t R, std::vector<std::byte>& record) {
  const uint64_t bytes = ReadSizeBytes(R);
  if (R == 0 || bytes == 0) return false;
  record.assign(static_cast<size_t>(bytes), std::byte{0});
  if (r.recordSector != 0)
    return NtfsReadFileRecordAt(CurrentDevicePath(), r.recordSector, R, record) == 1;
  NtfsReadMftRecord(CurrentDevicePath(), g_MftRuns, R, r.recordNumber, record);
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
std::optional<DataHeader> FirstPieceThroughList(bo::Bytes base, uint32_t number, uint32_t R,
                                                const NtfsVolume& volume) {
  const auto entries =
      NtfsCollectAttributeListEntries(CurrentDevicePath(), base, volume, kNtfsDataAttribute);
  std::vector<std::byte> other(base.size());
  for (const auto& e : entries) {
    if (e.nameLength != 0 || e.startingVcn != 0 || e.recordNumber == number) continue;
    NtfsReadMftRecord(CurrentDevicePath(), g_MftRuns, R, e.recordNumber, other);
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

// Closes the file and, when it was written whole, gives it its time; a failure of either is
// reported. Such a file is not copied (on a failed close its bytes may not even have reached the
// disk), so its bytes are taken back from the count. A file cut short keeps its bytes but the
// time it was written at, so that it never passes for the whole file.
NtfsCopyResult Finish(const NtfsCopyRequest& r, const std::string& safeName, TargetFile& file,
                      uint64_t counted, NtfsCopyResult result) {
  bool ok = file.Close();
  if (r.modified != 0 && result == NtfsCopyResult::Written)
    ok = SetFileWriteTime(*r.folder, safeName, r.modified) == 1 && ok;
  if (!ok && counted) g_CopiedBytes.fetch_sub(counted);
  if (!ok && result != NtfsCopyResult::PreviewStopped) {
    ReportCopyError(r);
    return NtfsCopyResult::WriteFailed;
  }
  return result;
}

// Creates the target under the request's rule for a taken name; name becomes the name used.
// Nothing when the file is open; otherwise how the copy of this file ends.
std::optional<NtfsCopyResult> CreateTarget(const NtfsCopyRequest& r, std::string& name,
                                           TargetFile& file) {
  if (!r.folder) return NtfsCopyResult::CreateFailed;
  file = r.folder->CreateFile(name, r.whenTaken);
  if (file.IsOpen()) return std::nullopt;
  if (file.Skipped()) return NtfsCopyResult::Refused;
  ReportCopyError(r);
  return NtfsCopyResult::CreateFailed;
}

// Reads the real clusters of a compression unit into out, in reads that fit the copy buffer, as
// the plain copy reads; sectors that could not be read are zeros.
void ReadUnit(const NtfsCompressionUnit& unit, uint64_t sectorBytes, bo::MutableBytes out) {
  const uint64_t perRead = kNtfsCopyBufferBytes / sectorBytes;
  uint64_t at = 0;
  for (const NtfsCompressionUnit::Piece& p : unit.pieces) {
    for (uint64_t done = 0; done < p.sectors;) {
      const uint64_t count = std::min(perRead, p.sectors - done);
      const auto part = out.subspan(static_cast<size_t>(at * sectorBytes),
                                    static_cast<size_t>(count * sectorBytes));
      std::fill(part.begin(), part.end(), std::byte{0});
      if (p.startSector + done <= uint64_t{INT64_MAX})
        ReadSectors(CurrentDevicePath(), static_cast<int64_t>(p.startSector + done),
                    static_cast<uint32_t>(count), part);
      at += count;
      done += count;
    }
  }
}

// Bytes of [written, written + take) at or past the valid data length are zeros on disk whatever
// the clusters hold: the file system never wrote them.
void ZeroPastValidBytes(std::span<std::byte> chunk, uint64_t written, uint64_t take,
                        uint64_t validBytes) {
  if (written + take <= validBytes) return;
  const uint64_t from = validBytes > written ? validBytes - written : 0;
  std::fill(chunk.begin() + static_cast<std::ptrdiff_t>(from),
            chunk.begin() + static_cast<std::ptrdiff_t>(take), std::byte{0});
}

// Writes a compressed file unit by unit: a sparse unit as a hole, a stored one as read, a
// compressed one decompressed; all cut to the size, with the bytes past validBytes as zeros. A
// damaged unit ends the file after the part of it that decoded (Short).
NtfsCopyResult CopyCompressed(const NtfsCopyRequest& r, const NtfsRunArrays& runs, size_t runCount,
                              uint64_t unitSectors, uint64_t validBytes, CopyObserver& observer) {
  const uint64_t sectorBytes = ReadSizeBytes(1);
  if (sectorBytes == 0 || sectorBytes > kNtfsCopyBufferBytes || unitSectors == 0 ||
      unitSectors > kMaxCompressionUnitBytes / sectorBytes)
    return NtfsCopyResult::NotCopied;
  std::string safeName = SafeFileName(r.name);
  TargetFile file;
  if (const auto failed = CreateTarget(r, safeName, file)) return *failed;
  const size_t unitBytes = static_cast<size_t>(unitSectors * sectorBytes);
  std::vector<std::byte> stored(unitBytes);
  std::vector<std::byte> decoded(unitBytes);
  const uint64_t size = r.size;
  uint64_t written = 0;
  uint64_t counted = 0;  // bytes of this file added to g_CopiedBytes
  NtfsCompressionUnits units(runs, runCount, unitSectors);
  NtfsCompressionUnit unit;
  while (written < size && units.Next(unit)) {
    if (const CopyInterrupt stop = CheckCopyInterrupt(r.control); stop != CopyInterrupt::None) {
      const NtfsCopyResult why =
          stop == CopyInterrupt::Abort ? NtfsCopyResult::Aborted : NtfsCopyResult::Skipped;
      const NtfsCopyResult result = Finish(r, safeName, file, counted, why);
      g_CopySkipOnce = 0;
      return result;
    }
    uint64_t have = unit.coveredSectors * sectorBytes;
    bool damaged = false;
    bo::MutableBytes data = decoded;
    if (unit.kind == NtfsCompressionUnit::Kind::Stored) {
      ReadUnit(unit, sectorBytes, decoded);
    } else if (unit.kind == NtfsCompressionUnit::Kind::Compressed) {
      const auto input =
          std::span(stored).first(static_cast<size_t>(unit.RealSectors() * sectorBytes));
      ReadUnit(unit, sectorBytes, input);
      const Lznt1Outcome out = Lznt1DecompressUnit(input, decoded);
      if (out.damaged) {
        have = std::min<uint64_t>(have, out.bytes);
        damaged = true;
      }
    }
    const uint64_t take = std::min(have, size - written);
    bool ok;
    if (unit.kind == NtfsCompressionUnit::Kind::Sparse) {
      ok = file.WriteHole(take);
    } else {
      ZeroPastValidBytes(data, written, take, validBytes);
      ok = file.Write(data.first(static_cast<size_t>(take)));
    }
    if (!ok) {
      file.Close();
      if (written == 0) r.folder->Remove(safeName);  // no byte reached it: no empty stand-in
      ReportCopyError(r);
      return NtfsCopyResult::WriteFailed;
    }
    written += take;
    if (r.saving) {
      g_CopiedBytes.fetch_add(take);
      counted += take;
      observer.OnFileProgress(r.name, written, size);
    } else {
      if (size)
        observer.OnPreviewProgress(static_cast<int>(std::min<uint64_t>(100, written * 100 / size)));
      if (observer.PreviewStopRequested())
        return Finish(r, safeName, file, counted, NtfsCopyResult::PreviewStopped);
    }
    if (damaged) break;
  }
  return Finish(r, safeName, file, counted,
                written >= size ? NtfsCopyResult::Written : NtfsCopyResult::Short);
}

}  // namespace

int SetFileWriteTime(const TargetFolder& folder, const std::string& safeName, uint64_t fileTime) {
  const std::optional<timespec> when = FileTimeToTimespec(fileTime);
  if (!when || !folder.IsOpen()) return 0;
  const timespec times[2] = {{0, UTIME_OMIT}, *when};
  return ::utimensat(folder.Fd(), safeName.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 1 : 0;
}

NtfsCopyResult CopyExtents(const NtfsCopyRequest& r, const ExtentList& extents, uint64_t validBytes,
                           CopyObserver& observer) {
  // Sectors per read follow from the buffer, so large sectors never overflow it.
  const uint64_t sectorBytes = ReadSizeBytes(1);
  const uint32_t perRead =
      sectorBytes ? static_cast<uint32_t>(kNtfsCopyBufferBytes / sectorBytes) : 0;
  if (perRead == 0) return NtfsCopyResult::NotCopied;
  std::string safeName = SafeFileName(r.name);
  TargetFile file;
  if (const auto failed = CreateTarget(r, safeName, file)) return *failed;
  const uint32_t spc = g_VolumeGeometry.SectorsPerCluster;
  std::vector<std::byte> buffer(kNtfsCopyBufferBytes);
  const uint64_t size = r.size;
  uint64_t written = 0;
  uint64_t counted = 0;  // bytes of this file added to g_CopiedBytes

  for (const ExtentNode* e = extents.Head(); e && written < size; e = e->next.get()) {
    // Run lists name whole clusters: a well-formed extent loses nothing here.
    const uint64_t sectors = spc ? e->sectorCount / spc * spc : e->sectorCount;
    for (uint64_t done = 0; done < sectors && written < size;) {
      if (const CopyInterrupt stop = CheckCopyInterrupt(r.control); stop != CopyInterrupt::None) {
        const NtfsCopyResult why =
            stop == CopyInterrupt::Abort ? NtfsCopyResult::Aborted : NtfsCopyResult::Skipped;
        const NtfsCopyResult result = Finish(r, safeName, file, counted, why);
        g_CopySkipOnce = 0;
        return result;
      }
      // A sparse run is a hole, left in one step: nothing to read, nothing to write.
      const uint32_t count =
          static_cast<uint32_t>(e->sparse ? std::min<uint64_t>(sectors - done, UINT32_MAX)
                                          : std::min<uint64_t>(perRead, sectors - done));
      const uint64_t take = std::min<uint64_t>(count * sectorBytes, size - written);
      bool ok;
      if (e->sparse) {
        ok = file.WriteHole(take);
      } else {
        const auto part = std::span(buffer).first(static_cast<size_t>(count * sectorBytes));
        // Zeroed before every read: sectors that could not be read are zeros.
        std::fill(part.begin(), part.end(), std::byte{0});
        if (e->startSector + done <= uint64_t{INT64_MAX})
          ReadSectors(CurrentDevicePath(), static_cast<int64_t>(e->startSector + done), count,
                      part);
        ZeroPastValidBytes(part, written, take, validBytes);
        ok = file.Write(part.first(static_cast<size_t>(take)));
      }
      if (!ok) {
        file.Close();
        if (written == 0) r.folder->Remove(safeName);  // no byte reached it: no empty stand-in
        ReportCopyError(r);
        return NtfsCopyResult::WriteFailed;
      }
      written += take;
      done += count;
      if (r.saving) {
        g_CopiedBytes.fetch_add(take);
        counted += take;
        observer.OnFileProgress(r.name, written, size);
      } else {
        if (size)
          observer.OnPreviewProgress(
              static_cast<int>(std::min<uint64_t>(100, written * 100 / size)));
        if (observer.PreviewStopRequested())
          return Finish(r, safeName, file, counted, NtfsCopyResult::PreviewStopped);
      }
    }
    if (!r.saving && observer.PreviewStopRequested())
      return Finish(r, safeName, file, counted, NtfsCopyResult::PreviewStopped);
  }
  return Finish(r, safeName, file, counted,
                written >= size ? NtfsCopyResult::Written : NtfsCopyResult::Short);
}

NtfsCopyResult CopyNtfsFile(const NtfsCopyRequest& r, CopyObserver& observer) {
  if (r.saving) observer.OnFileStarted(r.targetText, r.name);
  g_CopySkipOnce = 0;
  if (r.saving && !observer.Admit({r.name, r.size, r.deleted})) return NtfsCopyResult::Refused;
  std::string safeName = SafeFileName(r.name);

  if (r.size == 0) {
    // Nothing to read: an empty file with the record's time.
    if (r.saving) g_CopiedFileCount.fetch_add(1);
    TargetFile file;
    if (const auto failed = CreateTarget(r, safeName, file)) return *failed;
    return Finish(r, safeName, file, 0, NtfsCopyResult::Written);
  }

  const uint32_t R = g_VolumeGeometry.SectorsPerMftRecord;
  if (R == 0 || g_VolumeGeometry.SectorsPerCluster == 0) {
    // Nothing of this volume can be read; the user hears it once, not as one silent failure per
    // file.
    if (r.saving) {
      g_CopiedFileCount.fetch_add(1);
      if (!g_CopyNoLayoutNoticed.exchange(true)) Prompts().ViewMsgBox(kNtfsNoLayoutNotice);
    }
    return NtfsCopyResult::NotCopied;
  }
  const NtfsVolume volume = CurrentNtfsVolume();
  std::vector<std::byte> record;
  size_t at = 0;
  int kind = 0;
  std::optional<DataHeader> header;
  if (ReadFileRecord(r, R, record)) {
    kind = NtfsFindDataAttribute(record, at);
    if (kind != 0) {
      if (auto a = NtfsAttributeAt(record, at)) header = HeaderOf(*a);
    } else {
      header = FirstPieceThroughList(record, r.recordNumber, R, volume);
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
    TargetFile file;
    if (const auto failed = CreateTarget(r, safeName, file)) return *failed;
    const uint64_t n = std::min<uint64_t>(r.size, value.size());
    if (!file.Write(value.first(static_cast<size_t>(n)))) {
      file.Close();
      r.folder->Remove(safeName);
      ReportCopyError(r);
      return NtfsCopyResult::WriteFailed;
    }
    if (r.saving) {
      g_CopiedBytes.fetch_add(n);
      observer.OnFileProgress(r.name, n, r.size);
    } else {
      observer.OnPreviewProgress(100);
    }
    return Finish(r, safeName, file, r.saving ? n : 0,
                  n == r.size ? NtfsCopyResult::Written : NtfsCopyResult::Short);
  }

  NtfsRunArrays runs;
  NtfsReadDataRuns(CurrentDevicePath(), record, r.recordNumber, R, volume, runs);
  ExtentList extents;
  // Runs that together claim more clusters than the volume holds are damaged (a sparse run of
  // 2^24 clusters would fill the target with invented zeros): only those before are copied, and
  // the file comes out short.
  const size_t credible = NtfsRunsWithinVolume(runs, volume);
  const uint64_t valid = header->initialized ? std::min(*header->initialized, r.size) : r.size;
  if (header->Compressed()) {
    const uint64_t clusterBytes = uint64_t{volume.sectorsPerCluster} * ReadSizeBytes(1);
    const uint64_t unitClusters =
        NtfsCompressionUnitClusters(header->unitExponent, clusterBytes, kMaxCompressionUnitBytes);
    if (unitClusters == 0 || credible == 0) return NtfsCopyResult::NotCopied;
    return CopyCompressed(r, runs, credible, unitClusters * volume.sectorsPerCluster, valid,
                          observer);
  }
  for (size_t i = 0; i < credible; ++i)
    if (!AppendExtentNode(extents, runs.starts[i], runs.lengths[i], runs.IsSparse(i)))
      return NtfsCopyResult::NotCopied;
  if (extents.Count() == 0) return NtfsCopyResult::NotCopied;
  return CopyExtents(r, extents, valid, observer);
}
