#include "storage/fat/FatVolume.h"

#include <algorithm>
#include <vector>

#include "platform/ByteOrder.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

int FatBitsOf(std::string_view name) {
  if (name == "FAT12") return 12;
  if (name == "FAT16") return 16;
  if (name == "FAT32") return 32;
  return 0;
}

FatVolume DescribeFatVolume(std::string_view fileSystemName, const std::array<uint32_t, 12>& g) {
  FatVolume v;
  v.bits = FatBitsOf(fileSystemName);
  const uint64_t bytes = ReadSizeBytes(1);
  v.sectorBytes = bytes ? static_cast<uint32_t>(bytes) : 512;
  v.sectorsPerCluster = g[4];
  v.fatSectors = g[5];
  v.rootStart = g[6];
  v.rootCluster = g[6];
  v.rootSectors = g[7];
  v.clusterBase = g[9];
  // A base stored in two's complement (before the volume start) is recognised by recomputing it
  // from the fields that place the data area.
  const int64_t dataStart = v.bits == 32 ? int64_t{g[11]} + int64_t{g[5]} : int64_t{g[6]} + g[7];
  const int64_t signedBase = dataStart - 2 * int64_t{g[4]};
  if (signedBase < 0 && static_cast<uint32_t>(signedBase) == g[9]) v.clusterBase = signedBase;
  v.fat1Start = g[10];
  v.fat2Start = g[11];
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
  if (g_SourceEndSector > 0)
    limit = std::min(limit, clustersBefore(static_cast<uint64_t>(g_SourceEndSector) + 1));

  // Where the volume ends by its own boot sector.
  const uint32_t reserved = g[8];
  if (reserved != 0 && v.fat1Start >= reserved) {
    const uint64_t bootSector = v.fat1Start - reserved;
    std::vector<std::byte> boot(v.sectorBytes);
    if (ReadSectors(CurrentDevicePath(), static_cast<int64_t>(bootSector), 1, boot) == 1 &&
        bo::Load8(boot, 510) == 0x55 && bo::Load8(boot, 511) == 0xAA) {
      uint64_t total = bo::LoadLe16(boot, 19);
      if (total == 0) total = bo::LoadLe32(boot, 32);
      if (total != 0) limit = std::min(limit, clustersBefore(bootSector + total));
    }
  }
  v.clusterLimit = static_cast<uint32_t>(limit);
  return v;
}
