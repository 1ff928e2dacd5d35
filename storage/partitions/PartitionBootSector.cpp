#include "storage/partitions/PartitionBootSector.h"

#include <string_view>

#include "platform/ByteOrder.h"

namespace {

bool TextAt(std::span<const std::byte> sector, size_t offset, std::string_view text) {
  if (!bo::Fits(sector, offset, text.size())) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (std::to_integer<char>(sector[offset + i]) != text[i]) return false;
  return true;
}

FileSystemKind KindOfTypeByte(uint8_t type, bool inExtendedChain) {
  switch (type) {
    case 4:
    case 6:
    case 14:
      return FileSystemKind::Fat16;
    case 11:
    case 12:
      return FileSystemKind::Fat32;
    case 7:
      return FileSystemKind::Ntfs;
    case 1:
      return inExtendedChain ? FileSystemKind::Fat16 : FileSystemKind::None;
    default:
      return FileSystemKind::None;
  }
}

uint64_t FatTotalSectors(std::span<const std::byte> sector) {
  const uint32_t total32 = bo::LoadLe32(sector, 32);
  return total32 != 0 ? total32 : bo::LoadLe16(sector, 19);
}

}  // namespace

bool HasBootSignature(std::span<const std::byte> sector) {
  return bo::Load8(sector, 510) == 0x55 && bo::Load8(sector, 511) == 0xAA;
}

std::optional<WholeVolume> TestWholeVolume(std::span<const std::byte> sector) {
  if (TextAt(sector, 3, "NTFS")) return WholeVolume{FileSystemKind::Ntfs, bo::LoadLe64(sector, 40)};
  if (TextAt(sector, 85, "32")) return WholeVolume{FileSystemKind::Fat32, FatTotalSectors(sector)};
  if (TextAt(sector, 57, "16")) return WholeVolume{FileSystemKind::Fat16, FatTotalSectors(sector)};
  return std::nullopt;
}

FileSystemKind ClassifyPartition(std::span<const std::byte> bootSector, uint8_t typeByte,
                                 bool inExtendedChain) {
  if (TextAt(bootSector, 82, "FAT32")) return FileSystemKind::Fat32;
  if (TextAt(bootSector, 54, "FAT16")) return FileSystemKind::Fat16;
  if (TextAt(bootSector, 3, "NTFS")) return FileSystemKind::Ntfs;
  return KindOfTypeByte(typeByte, inExtendedChain);
}
