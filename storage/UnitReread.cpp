#include "storage/UnitReread.h"

#include <algorithm>

#include "storage/BadSectorPolicy.h"
#include "storage/SectorIo.h"

int ReadSectorsByUnit(std::string_view device, int64_t start, uint32_t count, uint32_t unit,
                      std::span<std::byte> buffer, std::span<uint8_t> unitOk) {
  std::fill(unitOk.begin(), unitOk.end(), uint8_t{1});
  const uint64_t sectorBytes = ReadSizeBytes(1);
  BadSectorAnswerHold hold;
  if (ReadSectors(device, start, count, buffer) == 1) return 1;
  if (unit == 0 || sectorBytes == 0 || buffer.size() < count * sectorBytes) return 0;
  for (uint32_t done = 0, i = 0; done < count; done += unit, ++i) {
    const uint32_t n = std::min(unit, count - done);
    auto part = buffer.subspan(done * sectorBytes, n * sectorBytes);
    const int ok = ReadSectors(device, start + done, n, part);
    if (i < unitOk.size()) unitOk[i] = static_cast<uint8_t>(ok);
  }
  return 0;
}
