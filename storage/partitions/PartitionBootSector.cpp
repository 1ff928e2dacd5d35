#include "storage/partitions/PartitionBootSector.h"

#include "storage/FatBootSector.h"
#include "storage/NtfsBootSector.h"

namespace {

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

}  // namespace

std::optional<WholeVolume> TestWholeVolume(std::span<const std::byte> sector) {
  if (HasNtfsOemId(sector))
    return WholeVolume{FileSystemKind::Ntfs, ReadNtfsBootSector(sector).totalSectors};
  const FileSystemKind fat = FatKindByDigits(sector);
  if (fat == FileSystemKind::None) return std::nullopt;
  return WholeVolume{fat, ReadFatBootSector(sector).TotalSectors()};
}

FileSystemKind ClassifyPartition(std::span<const std::byte> bootSector, uint8_t typeByte,
                                 bool inExtendedChain) {
  const FileSystemKind fat = FatKindByLabel(bootSector);
  if (fat == FileSystemKind::Fat32 || fat == FileSystemKind::Fat16) return fat;
  if (HasNtfsOemId(bootSector)) return FileSystemKind::Ntfs;
  return KindOfTypeByte(typeByte, inExtendedChain);
}
