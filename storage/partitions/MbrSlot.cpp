#include "storage/partitions/MbrSlot.h"

#include "platform/ByteOrder.h"

MbrSlot MbrSlotAt(std::span<const std::byte> sector, int s) {
  const size_t at = 446 + 16 * static_cast<size_t>(s);
  if (s < 0 || s >= kMbrSlotCount || !bo::Fits(sector, at, 16)) return {};
  return {bo::Load8(sector, at + 4), bo::LoadLe32(sector, at + 8), bo::LoadLe32(sector, at + 12)};
}
