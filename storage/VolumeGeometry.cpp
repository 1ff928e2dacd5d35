#include "storage/VolumeGeometry.h"

#include <optional>
#include <span>
#include <vector>

#include "platform/ByteOrder.h"
#include "storage/DiskImageFolder.h"
#include "storage/FatBootSector.h"
#include "storage/NtfsBootSector.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

VolumeGeometry g_VolumeGeometry{};

void ResetVolumeGeometry() {
  g_VolumeGeometry = VolumeGeometry{};
}

namespace {

// One sector of the current source, read through the one sector path.
class SectorReader {
 public:
  SectorReader() : m_Buffer(static_cast<size_t>(g_BytesPerSector)) {}
  // Reads sector s; a failed or refused read leaves zeros, which fail every later test.
  bo::Bytes Read(int64_t s) {
    std::fill(m_Buffer.begin(), m_Buffer.end(), std::byte{0});
    if (s >= 0) ReadSectors(CurrentDevicePath(), s, 1, m_Buffer);
    return m_Buffer;
  }

 private:
  std::vector<std::byte> m_Buffer;
};

// The FILE record sizes the record walks accept.
constexpr uint64_t kMinRecordBytes = 512;
constexpr uint64_t kMaxRecordBytes = 16384;

// A sector number as a 32-bit field, or nothing when it does not fit.
std::optional<uint32_t> Fits32(int64_t v) {
  if (v < 0 || v > int64_t{UINT32_MAX}) return std::nullopt;
  return static_cast<uint32_t>(v);
}

// The sector of cluster 0 lies two clusters before the data area, which is before the volume
// itself when the clusters are large and the data area starts early (a FAT16 volume of 64 sectors
// per cluster): such a base is kept as its 32-bit two's complement, so that base + c × spc in
// 32-bit arithmetic still gives the sector of cluster c. Readers that work in 64 bits recover the
// signed value from the other fields (storage/fat/FatVolume.h).
std::optional<uint32_t> ClusterBase32(int64_t v) {
  if (v < 0 && v >= -int64_t{INT32_MAX}) return static_cast<uint32_t>(v);
  return Fits32(v);
}

struct FatBoot {
  uint32_t spc, reserved, rootEntries, fatSize, rootCluster;
};

// The fields a FAT boot sector must hold sanely before anything is computed from them.
bool PlausibleFat(const FatBootSector& boot, const FatBoot& f) {
  return IsBootClusterSize(f.spc) && f.reserved != 0 && f.fatSize != 0 &&
         boot.bytesPerSector == static_cast<uint32_t>(g_BytesPerSector);
}

int DetectFat16(SectorReader& r, SectorReader& work, int64_t s) {
  bo::Bytes sector = r.Read(s);
  if (!HasBootSignature(sector)) {
    ResetVolumeGeometry();
    return 0;
  }
  const FatBootSector boot = ReadFatBootSector(sector);
  const FatBoot f{boot.sectorsPerCluster, boot.reservedSectors, boot.rootEntries, boot.fatSize16,
                  0};
  if (!PlausibleFat(boot, f)) {
    ResetVolumeGeometry();
    return 0;
  }
  if (bo::Load8(work.Read(s + f.reserved + f.fatSize), 0) != 0xF8) return 0;
  // Root entries are 32 bytes; for 512-byte sectors this is the entry count divided by 16.
  const uint32_t bps = static_cast<uint32_t>(g_BytesPerSector);
  const uint32_t rootSectors = (boot.RootDirectoryBytes() + bps - 1) / bps;
  // The number of FATs is taken as two, whatever the boot sector says.
  auto root = Fits32(s + f.reserved + 2 * int64_t{f.fatSize});
  auto base =
      ClusterBase32(s + f.reserved + 2 * int64_t{f.fatSize} + rootSectors - 2 * int64_t{f.spc});
  auto fat1 = Fits32(s + f.reserved);
  auto fat2 = Fits32(s + f.reserved + int64_t{f.fatSize});
  if (!root || !base || !fat1 || !fat2) return 0;
  VolumeGeometry& g = g_VolumeGeometry;
  g.SectorsPerCluster = f.spc;
  g.ReservedSectors = f.reserved;
  g.FatSizeSectors = f.fatSize;
  g.RootDirectorySectors = rootSectors;
  g.RootDirectory = *root;
  g.ClusterBaseSector = *base;
  g.Fat1StartSector = *fat1;
  g.Fat2StartSector = *fat2;
  return 1;
}

int DetectFat32(SectorReader& r, SectorReader& work, int64_t s) {
  bo::Bytes sector = r.Read(s);
  bool usingBackup = false;
  if (!HasBootSignature(sector)) {
    sector = r.Read(s + 6);
    usingBackup = true;
    if (!HasBootSignature(sector)) return 0;
  }
  for (;;) {
    const FatBootSector boot = ReadFatBootSector(sector);
    const FatBoot f{boot.sectorsPerCluster, boot.reservedSectors, 0, boot.fatSize32,
                    boot.rootCluster};
    const bool plausible = PlausibleFat(boot, f);
    if (plausible && bo::Load8(work.Read(s + f.reserved + int64_t{f.fatSize}), 0) == 0xF8) {
      auto base = ClusterBase32(s + f.reserved + 2 * int64_t{f.fatSize} - 2 * int64_t{f.spc});
      auto fat1 = Fits32(s + f.reserved);
      auto fat2 = Fits32(s + f.reserved + int64_t{f.fatSize});
      if (!base || !fat1 || !fat2) return 0;
      VolumeGeometry& g = g_VolumeGeometry;
      g.SectorsPerCluster = f.spc;
      g.ReservedSectors = f.reserved;
      g.FatSizeSectors = f.fatSize;
      g.RootDirectory = f.rootCluster;
      g.RootDirectorySectors = 0;
      g.Fat1StartSector = *fat1;
      g.Fat2StartSector = *fat2;
      g.ClusterBaseSector = *base;
      return 1;
    }
    if (!usingBackup) {
      // The first boot sector led nowhere: the backup at S + 6 gets one chance.
      sector = r.Read(s + 6);
      usingBackup = true;
      continue;
    }
    if (!plausible) ResetVolumeGeometry();
    return 0;
  }
}

// Sectors per FILE record from boot byte 64 (read as 32 bits), or 0 when implausible.
uint32_t MftRecordSectors(const NtfsBootSector& boot, uint32_t spc) {
  const uint32_t v = boot.fileRecordField;
  if (v >= 0x80 && v <= 0xFF) {
    // A record size given in bytes: taken when it is one the record walks accept.
    const uint32_t sectors =
        NtfsBootRecordSectors(static_cast<uint8_t>(v), spc, static_cast<uint32_t>(g_BytesPerSector));
    const uint64_t bytes = uint64_t{sectors} * static_cast<uint32_t>(g_BytesPerSector);
    return bytes >= kMinRecordBytes && bytes <= kMaxRecordBytes ? sectors : 0;
  }
  const uint64_t product = uint64_t{v} * spc;
  return (product == 1 || product == 2 || product == 4 || product == 6 || product == 8)
             ? static_cast<uint32_t>(product)
             : 0;
}

int DetectNtfs(SectorReader& bootReader, SectorReader& recordReader, int64_t s, int64_t e) {
  // The backup boot sector lies at the last sector; without a known end there is none.
  auto readBoot = [&](int64_t at) { return bootReader.Read(at == s || at > 0 ? at : -1); };
  int64_t b = s;
  bo::Bytes sector = readBoot(b);
  if (!HasBootSignature(sector)) {
    b = e;
    sector = readBoot(b);
    if (!HasBootSignature(sector)) return 0;
  }
  NtfsBootSector boot = ReadNtfsBootSector(sector);
  // Changes to the other boot sector (the first or the backup) and reads it, unchecked.
  auto switchBoot = [&] {
    b = (b == s) ? e : s;
    boot = ReadNtfsBootSector(readBoot(b));
  };

  uint32_t spc = boot.sectorsPerCluster;
  if (!IsBootClusterSize(spc)) {
    switchBoot();
    spc = boot.sectorsPerCluster;
    if (!IsBootClusterSize(spc)) return 0;
  }
  uint32_t recordSectors = MftRecordSectors(boot, spc);
  if (recordSectors == 0) {
    switchBoot();
    spc = boot.sectorsPerCluster;
    if (!IsBootClusterSize(spc)) return 0;
    recordSectors = MftRecordSectors(boot, spc);
    if (recordSectors == 0) return 0;
  }

  // The sector of a cluster the boot sector names, when it holds a FILE record.
  auto fileRecordAt = [&](uint64_t NtfsBootSector::*field) -> uint32_t {
    const uint64_t cluster = boot.*field;
    if (cluster > uint64_t{UINT32_MAX}) return 0;
    auto sector = Fits32(static_cast<int64_t>(cluster) * spc + s);
    if (!sector) return 0;
    bo::Bytes rec = recordReader.Read(*sector);
    const bool isFile = bo::Load8(rec, 0) == 'F' && bo::Load8(rec, 1) == 'I' &&
                        bo::Load8(rec, 2) == 'L' && bo::Load8(rec, 3) == 'E';
    return isFile ? *sector : 0;
  };

  uint32_t mft = fileRecordAt(&NtfsBootSector::mftCluster);
  if (mft == 0) {
    switchBoot();
    mft = fileRecordAt(&NtfsBootSector::mftCluster);
  }
  uint32_t mirror = fileRecordAt(&NtfsBootSector::mftMirrorCluster);
  if (mirror == 0) {
    switchBoot();
    mirror = fileRecordAt(&NtfsBootSector::mftMirrorCluster);
  }
  if (mft == 0 && mirror == 0) return 0;

  const uint32_t indexValue = boot.indexRecordField;
  const uint64_t indexSectors =
      indexValue >= 0x80 && indexValue <= 0xFF
          ? NtfsBootRecordSectors(static_cast<uint8_t>(indexValue), spc,
                                  static_cast<uint32_t>(g_BytesPerSector))
          : uint64_t{indexValue} * spc;
  auto base = Fits32(s);
  if (indexSectors > UINT32_MAX || !base) return 0;

  VolumeGeometry& g = g_VolumeGeometry;
  g.SectorsPerCluster = spc;
  g.ClusterBaseSector = *base;
  g.MftStartSector = mft;
  g.MftMirrorStartSector = mirror;
  g.SectorsPerMftRecord = recordSectors;
  g.SectorsPerIndexRecord = static_cast<uint32_t>(indexSectors);
  return 1;
}

}  // namespace

int DetectVolumeGeometry() {
  const FileSystemKind kind = g_FileSystemName;
  if (kind != FileSystemKind::Fat16 && kind != FileSystemKind::Fat32 && kind != FileSystemKind::Ntfs)
    return 0;
  // A start that the boot sector's offsets cannot be added to names no volume.
  if (!IsValidSectorSize(g_BytesPerSector) || g_SourceStartSector < 0 ||
      g_SourceStartSector > kMaxSourceSector)
    return 0;
  SectorReader boot, work;
  if (kind == FileSystemKind::Fat16) return DetectFat16(boot, work, g_SourceStartSector);
  if (kind == FileSystemKind::Fat32) return DetectFat32(boot, work, g_SourceStartSector);
  // g_SourceEndSector is one past the volume: the backup boot sector is the sector before it.
  return DetectNtfs(boot, work, g_SourceStartSector, g_SourceEndSector > 0 ? g_SourceEndSector - 1 : 0);
}
