#include "storage/FatBootSector.h"

#include <string_view>

namespace {

bool TextAt(bo::Bytes sector, size_t offset, std::string_view text) {
  if (!bo::Fits(sector, offset, text.size())) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (std::to_integer<char>(sector[offset + i]) != text[i]) return false;
  return true;
}

}  // namespace

FatBootSector ReadFatBootSector(bo::Bytes s) {
  FatBootSector f;
  f.bytesPerSector = bo::LoadLe16(s, 11);
  f.sectorsPerCluster = bo::Load8(s, 13);
  f.reservedSectors = bo::LoadLe16(s, 14);
  f.rootEntries = bo::LoadLe16(s, 17);
  f.totalSectors16 = bo::LoadLe16(s, 19);
  f.fatSize16 = bo::LoadLe16(s, 22);
  f.totalSectors32 = bo::LoadLe32(s, 32);
  f.fatSize32 = bo::LoadLe32(s, 36);
  f.rootCluster = bo::LoadLe32(s, 44);
  return f;
}

FileSystemKind FatKindByDigits(bo::Bytes sector) {
  if (TextAt(sector, 85, "32")) return FileSystemKind::Fat32;
  if (TextAt(sector, 57, "16")) return FileSystemKind::Fat16;
  return FileSystemKind::None;
}

FileSystemKind FatKindByLabel(bo::Bytes sector) {
  if (TextAt(sector, 82, "FAT32")) return FileSystemKind::Fat32;
  if (TextAt(sector, 54, "FAT16")) return FileSystemKind::Fat16;
  if (TextAt(sector, 54, "FAT12")) return FileSystemKind::Fat12;
  return FileSystemKind::None;
}
