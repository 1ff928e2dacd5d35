#include "storage/fat/FatVolume.h"

#include <algorithm>
#include <vector>

#include "storage/FatBootSector.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

int FatBitsOf(FileSystemKind kind) {
  switch (kind) {
    case FileSystemKind::Fat12: return 12;
    case FileSystemKind::Fat16: return 16;
    case FileSystemKind::Fat32: return 32;
    default: return 0;
  }
}

FatVolume DescribeFatVolume(FileSystemKind kind, const VolumeGeometry& g) {
  return DescribeFatVolume(kind, g,
                           FatSource{CurrentDevicePath(), static_cast<uint32_t>(ReadSizeBytes(1)),
                                     g_SourceEndSector});
}

FatVolume DescribeFatVolume(FileSystemKind kind, const VolumeGeometry& g, const FatSource& source) {
  FatVolume v;
  v.bits = FatBitsOf(kind);
  v.sectorBytes = source.sectorBytes ? source.sectorBytes : 512;
  v.sectorsPerCluster = g.SectorsPerCluster;
  v.fatSectors = g.FatSizeSectors;
  v.rootStart = g.RootDirectory;
  v.rootCluster = g.RootDirectory;
  v.rootSectors = g.RootDirectorySectors;
  v.clusterBase = g.ClusterBaseSector;
  // A base stored in two's complement (before the volume start) is recognised by recomputing it
  // from the fields that place the data area.
  const int64_t dataStart = v.bits == 32 ? int64_t{g.Fat2StartSector} + int64_t{g.FatSizeSectors} : int64_t{g.RootDirectory} + g.RootDirectorySectors;
  const int64_t signedBase = dataStart - 2 * int64_t{g.SectorsPerCluster};
  if (signedBase < 0 && static_cast<uint32_t>(signedBase) == g.ClusterBaseSector) v.clusterBase = signedBase;
  v.fat1Start = g.Fat1StartSector;
  v.fat2Start = g.Fat2StartSector;
  if (v.bits == 0 || v.sectorsPerCluster == 0) return v;

  // What the FAT can describe: its entries, at most 2^28 clusters on FAT32.
  const uint64_t fatBytes = v.fatSectors * v.sectorBytes;
  uint64_t limit = v.bits == 12 ? fatBytes * 2 / 3 : fatBytes * 8 / static_cast<uint64_t>(v.bits);
  limit = std::min<uint64_t>(limit, v.bits == 32 ? 0x0FFFFFF7 : (v.bits == 16 ? 0xFFF7 : 0xFF7));

  // Where the source ends.
  auto clustersBefore = [&](uint64_t endSectorExclusive) -> uint64_t {
    const int64_t end = static_cast<int64_t>(endSectorExclusive);
    if (end <= v.clusterBase) return 0;
    return static_cast<uint64_t>(end - v.clusterBase) / v.sectorsPerCluster;
  };
  if (source.endSector > 0)
    limit = std::min(limit, clustersBefore(static_cast<uint64_t>(source.endSector)));

  // Where the volume ends by its own boot sector.
  const uint32_t reserved = g.ReservedSectors;
  if (reserved != 0 && v.fat1Start >= reserved) {
    const uint64_t bootSector = v.fat1Start - reserved;
    std::vector<std::byte> boot(v.sectorBytes);
    if (ReadSectors(source.device, static_cast<int64_t>(bootSector), 1, boot) == 1 &&
        HasBootSignature(boot)) {
      // The 16-bit count first: a volume small enough for it keeps 0 in the 32-bit one.
      const FatBootSector f = ReadFatBootSector(boot);
      uint64_t total = f.totalSectors16;
      if (total == 0) total = f.totalSectors32;
      if (total != 0) limit = std::min(limit, clustersBefore(bootSector + total));
    }
  }
  v.clusterLimit = static_cast<uint32_t>(limit);
  return v;
}
