#include "storage/vdisk/parallels/ParallelsHeader.h"

#include <cstring>

#include "platform/ByteOrder.h"

namespace {

constexpr char kSignature[] = "WithoutFreeSpace";
// Blocks of up to 2 GiB; the format's own tools stay far below that.
constexpr uint32_t kMaxSectorsPerBlock = uint32_t{1} << 22;

}  // namespace

int ParseParallelsHeader(std::span<const std::byte> header, uint64_t fileSize,
                         ParallelsHeader& out) {
  if (header.size() < kParallelsHeaderBytes ||
      std::memcmp(header.data(), kSignature, sizeof kSignature - 1) != 0)
    return 0;
  out = ParallelsHeader{};
  if (bo::LoadLe32(header, 16) != 2) return 2;
  out.heads = bo::LoadLe32(header, 20);
  out.cylinders = bo::LoadLe32(header, 24);
  out.sectorsPerBlock = bo::LoadLe32(header, 28);
  out.tableEntries = bo::LoadLe32(header, 32);
  out.guestBytes = uint64_t{bo::LoadLe32(header, 36)} * 512;
  if (out.sectorsPerBlock == 0 || out.sectorsPerBlock > kMaxSectorsPerBlock) return 2;
  if (out.tableEntries > kParallelsMaxTableEntries) return 2;
  if (kParallelsHeaderBytes + uint64_t{out.tableEntries} * 4 > fileSize) return 2;
  // The blocks must cover the whole guest disk; a shorter table means a damaged header, and a
  // guest size read from it would have the rest of the disk read as invented zeros.
  if (out.guestBytes > uint64_t{out.tableEntries} * out.sectorsPerBlock * 512) return 2;
  return 1;
}
