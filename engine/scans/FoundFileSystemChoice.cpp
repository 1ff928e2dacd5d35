#include "engine/scans/FoundFileSystemChoice.h"

#include <vector>

#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

PartitionRecord* FoundFileSystem(int32_t n) {
  if (n < 1) return nullptr;
  PartitionRecord* r = g_ScanState.partitionList.head;
  for (int32_t i = 1; r && i < n; ++i) r = r->next;
  return r;
}

// The two FATs of a file system found without its boot sector: the first two sectors before its
// cluster area that begin like a FAT (media byte 0xF8, then the end mark of cluster 1).
void SearchFats(PartitionRecord& r, bool fat32) {
  const uint64_t base = r.clusterBase;
  const uint64_t back = fat32 ? 30000 : 550;
  const uint64_t from = base > back ? base - back : 63;
  const uint64_t bytes = ReadSizeBytes(1);
  if (bytes == 0) return;
  std::vector<std::byte> sector(bytes);
  uint64_t found[2] = {0, 0};
  int count = 0;
  for (uint64_t s = from; s < base && count < 2; ++s) {
    if (ReadSectors(CurrentDevicePath(), static_cast<int64_t>(s), 1, sector) == 0) continue;
    if (sector[0] == std::byte{0xF8} && sector[1] == std::byte{0xFF} &&
        sector[2] == std::byte{0xFF})
      found[count++] = s;
  }
  if (count < 2) return;
  r.fat1Start = found[0];
  r.fat2Start = found[1];
  r.fatSize = static_cast<uint32_t>(r.fat2Start - r.fat1Start);  // at most 30,000 apart
  r.rootStart = fat32 ? 2 : r.fat2Start + r.fatSize;
}

// The volume geometry holds 32-bit sectors; a file system placed beyond them cannot be scanned
// through it and is refused rather than cut.
bool Fits32(uint64_t v) {
  return v <= UINT32_MAX;
}

}  // namespace

std::string FoundFileSystemNodeText(int32_t n) {
  const PartitionRecord* r = FoundFileSystem(n);
  if (!r) return {};
  const std::string type = g_FileSystemName == FileSystemKind::Ntfs ? "NTFS" : Utf16ToUtf8(r->Name());
  return "File System " + std::to_string(n) + " - " + type;
}

int TakeFoundFileSystem(int32_t n) {
  PartitionRecord* r = FoundFileSystem(n);
  if (!r) return 0;
  VolumeGeometry& g = g_VolumeGeometry;
  if (g_FileSystemName == FileSystemKind::Ntfs) {
    if (!Fits32(r->startSector)) return 0;
    g.SectorsPerCluster = r->clusterSize;
    g.ClusterBaseSector = static_cast<uint32_t>(r->startSector);
    g.SectorsPerMftRecord = r->fileRecordSectors;
    g.SectorsPerIndexRecord = r->indexRecordSectors;
    return 1;
  }
  const std::string name = Utf16ToUtf8(r->Name());
  if (r->fat1Start == 0 && (name == "FAT16" || name == "FAT32")) SearchFats(*r, name == "FAT32");
  if (!Fits32(r->clusterBase) || !Fits32(r->fat1Start) || !Fits32(r->fat2Start) ||
      !Fits32(r->rootStart))
    return 0;
  g.ClusterBaseSector = static_cast<uint32_t>(r->clusterBase);
  g_FileSystemName = ParseFileSystemKind(name);
  g.Fat1StartSector = static_cast<uint32_t>(r->fat1Start);
  g.Fat2StartSector = static_cast<uint32_t>(r->fat2Start);
  g.ReservedSectors = r->reservedSectors;
  g.RootDirectorySectors = r->rootDirSectors == 0 && name == "FAT16" ? 32 : r->rootDirSectors;
  g.RootDirectory = r->rootStart == 0 ? 2 : static_cast<uint32_t>(r->rootStart);
  g.SectorsPerCluster = r->clusterSize;
  g.FatSizeSectors = r->fatSize;
  if (r->endSector == 0 && g_SourceEndSector > 0)
    r->endSector = static_cast<uint64_t>(g_SourceEndSector);
  if (r->startSector == 0) r->startSector = r->clusterBase;
  return 1;
}
