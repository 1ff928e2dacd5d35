#include "storage/vdisk/qed/QedImage.h"

#include <algorithm>
#include <array>
#include <bit>

#include "platform/ByteOrder.h"

namespace {

constexpr uint64_t kFeatureBackingFile = 1;
constexpr uint64_t kFeatureNeedsCheck = 2;  // not closed cleanly: tables are still valid
constexpr uint64_t kFeatureBackingRawFormat = 4;
constexpr uint64_t kKnownFeatures =
    kFeatureBackingFile | kFeatureNeedsCheck | kFeatureBackingRawFormat;
// An L2 entry of 1 marks a cluster that reads as zeros.
constexpr uint64_t kZeroCluster = 1;

uint64_t DecodeL1(std::span<const std::byte> raw, size_t i) {
  return bo::LoadLe64(raw, i * 8);
}

}  // namespace

QedImage::QedImage(VirtualDiskOpener opener) : ClusteredImage(std::move(opener)) {}

int QedImage::OpenHeader() {
  std::lock_guard lock(m_Mutex);
  std::array<std::byte, 64> header{};
  const size_t present = static_cast<size_t>(std::min<uint64_t>(File().Size(), header.size()));
  if (!File().Read(0, std::span(header).first(present))) return 0;
  const std::span<const std::byte> h = std::span(header).first(present);
  if (present < 4 || bo::LoadLe32(h, 0) != kMagic) return 0;
  if (present < 56) return 2;
  const uint64_t diskBytes = bo::LoadLe64(h, 48);
  if (diskBytes % 512 != 0) return 0;

  const uint32_t clusterBytes = bo::LoadLe32(h, 4);
  const uint32_t tableClusters = bo::LoadLe32(h, 8);
  const uint64_t features = bo::LoadLe64(h, 16);
  const uint64_t l1Offset = bo::LoadLe64(h, 40);
  if (!std::has_single_bit(clusterBytes) || clusterBytes < 4096 || clusterBytes > (64u << 20))
    return 2;
  if (!std::has_single_bit(tableClusters) || tableClusters > 16) return 2;
  if ((features & ~kKnownFeatures) != 0) return 2;
  if ((features & kFeatureBackingFile) != 0) {
    m_NeedsBackingFile = true;
    return 2;
  }
  if (l1Offset == 0 || l1Offset % clusterBytes != 0) return 2;

  const uint64_t tableBytes = uint64_t{clusterBytes} * tableClusters;
  const uint32_t clusterBits = static_cast<uint32_t>(std::countr_zero(clusterBytes));
  const uint32_t l2Bits = static_cast<uint32_t>(std::countr_zero(tableBytes / 8));
  // The largest disk the two levels of tables can map.
  const uint32_t mapBits = clusterBits + 2 * l2Bits;
  if (mapBits < 64 && diskBytes > (uint64_t{1} << mapBits)) return 2;
  if (!ReadL1(l1Offset, tableBytes / 8, DecodeL1)) return 2;
  SetLayout(diskBytes, clusterBits, l2Bits, static_cast<size_t>(tableBytes));
  return 1;
}

ClusteredImage::Cluster QedImage::DecodeL2Entry(std::span<const std::byte> table,
                                                size_t index) const {
  const uint64_t entry = bo::LoadLe64(table, index * 8);
  if (entry == 0) return {ClusterKind::Unallocated, 0};
  if (entry == kZeroCluster) return {ClusterKind::Zeros, 0};
  return {ClusterKind::Data, entry};
}
