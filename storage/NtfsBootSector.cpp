#include "storage/NtfsBootSector.h"

bool HasNtfsOemId(bo::Bytes s) {
  return bo::Load8(s, 3) == 'N' && bo::Load8(s, 4) == 'T' && bo::Load8(s, 5) == 'F' &&
         bo::Load8(s, 6) == 'S';
}

NtfsBootSector ReadNtfsBootSector(bo::Bytes s) {
  NtfsBootSector n;
  n.sectorsPerCluster = bo::Load8(s, 13);
  n.totalSectors = bo::LoadLe64(s, 40);
  n.mftCluster = bo::LoadLe64(s, 48);
  n.mftMirrorCluster = bo::LoadLe64(s, 56);
  n.fileRecordField = bo::LoadLe32(s, 64);
  n.indexRecordField = bo::LoadLe32(s, 68);
  return n;
}

uint32_t NtfsBootRecordSectors(uint8_t value, uint32_t sectorsPerCluster, uint32_t bytesPerSector) {
  if (value < 0x80) return value * sectorsPerCluster;
  const uint32_t shift = 256 - value;
  if (shift > 16 || bytesPerSector == 0) return 0;
  const uint32_t bytes = uint32_t{1} << shift;
  return bytes % bytesPerSector == 0 ? bytes / bytesPerSector : 0;
}
