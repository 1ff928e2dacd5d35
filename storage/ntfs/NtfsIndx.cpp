#include "storage/ntfs/NtfsIndx.h"

#include <algorithm>

int NtfsCheckIndxHeader(bo::Bytes block, uint32_t& parentRef, uint32_t& vcn) {
  if (!bo::Fits(block, 32, 4)) return 0;
  const uint64_t allocated = bo::LoadLe32(block, 32);
  if (allocated + 24 > kNtfsMaxIndxBytes) return 0;
  vcn = bo::LoadLe32(block, 16);
  const uint64_t first = bo::LoadLe32(block, 24);
  if (first + 44 > allocated + 24) return 0;
  const uint64_t key = 24 + first + 16;
  if (key + 4 > std::min<uint64_t>(512, block.size())) return 0;
  parentRef = bo::LoadLe32(block, static_cast<size_t>(key));
  return parentRef >= 5 && parentRef != 0xFFFFFFFF ? 1 : 0;
}
