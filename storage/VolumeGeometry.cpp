#include "storage/VolumeGeometry.h"

#include <optional>
#include <span>
#include <vector>

#include "platform/ByteOrder.h"
#include "storage/DiskImageFolder.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

VolumeGeometry g_VolumeGeometry{};

void ResetVolumeGeometry() {
  g_VolumeGeometry = VolumeGeometry{};
}

uint32_t NtfsBootRecordSectors(uint8_t value, uint32_t sectorsPerCluster, uint32_t bytesPerSector) {
  if (value < 0x80) return value * sectorsPerCluster;
  const uint32_t shift = 256 - value;
  if (shift > 16 || bytesPerSector == 0) return 0;
  const uint32_t bytes = uint32_t{1} << shift;
  return bytes % bytesPerSector == 0 ? bytes / bytesPerSector : 0;
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

bool HasBootSignature(bo::Bytes b) {
  return bo::Load8(b, 510) == 0x55 && bo::Load8(b, 511) == 0xAA;
}

bool IsPowerOfTwoUpTo128(uint32_t v) {
  return v >= 1 && v <= 128 && (v & (v - 1)) == 0;
}

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
bool PlausibleFat(bo::Bytes b, const FatBoot& f) {
  return IsPowerOfTwoUpTo128(f.spc) && f.reserved != 0 && f.fatSize != 0 &&
         bo::LoadLe16(b, 11) == static_cast<uint32_t>(g_BytesPerSector);
}

int DetectFat16(SectorReader& r, SectorReader& work, int64_t s) {
  bo::Bytes boot = r.Read(s);
  if (!HasBootSignature(boot)) {
    ResetVolumeGeometry();
    return 0;
  }
  const FatBoot f{bo::Load8(boot, 13), bo::LoadLe16(boot, 14), bo::LoadLe16(boot, 17),
                  bo::LoadLe16(boot, 22), 0};
  if (!PlausibleFat(boot, f)) {
    ResetVolumeGeometry();
    return 0;
  }
  if (bo::Load8(work.Read(s + f.reserved + f.fatSize), 0) != 0xF8) return 0;
  // Root entries are 32 bytes; for 512-byte sectors this is the entry count divided by 16.
  const uint32_t bps = static_cast<uint32_t>(g_BytesPerSector);
  const uint32_t rootSectors = (f.rootEntries * 32 + bps - 1) / bps;
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
  bo::Bytes boot = r.Read(s);
  bool usingBackup = false;
  if (!HasBootSignature(boot)) {
    boot = r.Read(s + 6);
    usingBackup = true;
    if (!HasBootSignature(boot)) return 0;
  }
  for (;;) {
    const FatBoot f{bo::Load8(boot, 13), bo::LoadLe16(boot, 14), 0, bo::LoadLe32(boot, 36),
                    bo::LoadLe32(boot, 44)};
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
      boot = r.Read(s + 6);
      usingBackup = true;
      continue;
    }
    if (!plausible) ResetVolumeGeometry();
    return 0;
  }
}

// Sectors per FILE record from boot byte 64 (read as 32 bits), or 0 when implausible.
uint32_t MftRecordSectors(bo::Bytes boot, uint32_t spc) {
  const uint32_t v = bo::LoadLe32(boot, 64);
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
  bo::Bytes boot = readBoot(b);
  if (!HasBootSignature(boot)) {
    b = e;
    boot = readBoot(b);
    if (!HasBootSignature(boot)) return 0;
  }
  // Changes to the other boot sector (the first or the backup) and reads it, unchecked.
  auto switchBoot = [&] {
    b = (b == s) ? e : s;
    boot = readBoot(b);
  };

  uint32_t spc = bo::Load8(boot, 13);
  if (!IsPowerOfTwoUpTo128(spc)) {
    switchBoot();
    spc = bo::Load8(boot, 13);
    if (!IsPowerOfTwoUpTo128(spc)) return 0;
  }
  uint32_t recordSectors = MftRecordSectors(boot, spc);
  if (recordSectors == 0) {
    switchBoot();
    spc = bo::Load8(boot, 13);
    if (!IsPowerOfTwoUpTo128(spc)) return 0;
    recordSectors = MftRecordSectors(boot, spc);
    if (recordSectors == 0) return 0;
  }

  // The sector of the cluster named by the 64-bit field at offset, when it holds a FILE record.
  auto fileRecordAt = [&](size_t offset) -> uint32_t {
    const uint64_t cluster = bo::LoadLe64(boot, offset);
    if (cluster > uint64_t{UINT32_MAX}) return 0;
    auto sector = Fits32(static_cast<int64_t>(cluster) * spc + s);
    if (!sector) return 0;
    bo::Bytes rec = recordReader.Read(*sector);
    const bool isFile = bo::Load8(rec, 0) == 'F' && bo::Load8(rec, 1) == 'I' &&
                        bo::Load8(rec, 2) == 'L' && bo::Load8(rec, 3) == 'E';
    return isFile ? *sector : 0;
  };

  uint32_t mft = fileRecordAt(48);
  if (mft == 0) {
    switchBoot();
    mft = fileRecordAt(48);
  }
  uint32_t mirror = fileRecordAt(56);
  if (mirror == 0) {
    switchBoot();
    mirror = fileRecordAt(56);
  }
  if (mft == 0 && mirror == 0) return 0;

  const uint32_t indexValue = bo::LoadLe32(boot, 68);
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
