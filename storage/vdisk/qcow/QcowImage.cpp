#include "storage/vdisk/qcow/QcowImage.h"

#include <algorithm>
#include <array>

#include "platform/ByteOrder.h"

namespace {

// Version 2 entries keep flags beside the offset (bit 63 "copied", bit 62 "compressed"); only
// bits 9 to 55 address the file.
constexpr uint64_t kV2OffsetMask = 0x00FFFFFFFFFFFE00ULL;
constexpr uint64_t kV2Compressed = uint64_t{1} << 62;
constexpr uint64_t kV1Compressed = uint64_t{1} << 63;
// Guest sizes beyond this cannot be addressed by the formats' 56-bit offsets anyway, and keep
// every sum below far from wrapping.
constexpr uint64_t kMaxDiskBytes = uint64_t{1} << 56;

uint64_t DecodeV1L1(std::span<const std::byte> raw, size_t i) {
  return bo::LoadBe64(raw, i * 8);
}

uint64_t DecodeV2L1(std::span<const std::byte> raw, size_t i) {
  return bo::LoadBe64(raw, i * 8) & kV2OffsetMask;
}

uint64_t CeilDiv(uint64_t a, uint64_t b) {
  return a / b + (a % b != 0);
}

}  // namespace

QcowImage::QcowImage(VirtualDiskOpener opener) : ClusteredImage(std::move(opener)) {}

int QcowImage::OpenHeader() {
  std::lock_guard lock(m_Mutex);
  std::array<std::byte, 72> header{};
  const size_t present = static_cast<size_t>(std::min<uint64_t>(File().Size(), header.size()));
  if (!File().Read(0, std::span(header).first(present))) return 0;
  const std::span<const std::byte> h = std::span(header).first(present);
  if (present < 8 || bo::LoadBe32(h, 0) != kMagic) return 0;
  m_Version = bo::LoadBe32(h, 4);
  if (m_Version != 1 && m_Version != 2) return 0;
  if (present < (m_Version == 1 ? 48u : 72u)) return 2;

  // Data the image does not hold itself would read as zeros here: refuse rather than mislead.
  if (bo::LoadBe64(h, 8) != 0) {
    m_NeedsBackingFile = true;
    return 2;
  }
  const uint64_t diskBytes = bo::LoadBe64(h, 24);
  if (diskBytes > kMaxDiskBytes) return 2;
  const uint64_t l1Offset = bo::LoadBe64(h, 40);

  uint32_t clusterBits = 0;
  uint32_t l2Bits = 0;
  uint64_t l1Entries = 0;
  if (m_Version == 1) {
    clusterBits = bo::Load8(h, 32);
    l2Bits = bo::Load8(h, 33);
    if (bo::LoadBe32(h, 36) != 0) return 2;  // encrypted
    if (clusterBits < 9 || clusterBits > 16 || l2Bits < 6 || l2Bits > 13) return 2;
    l1Entries = CeilDiv(diskBytes, uint64_t{1} << (clusterBits + l2Bits));
  } else {
    clusterBits = bo::LoadBe32(h, 20);
    if (bo::LoadBe32(h, 32) != 0) return 2;  // encrypted
    if (bo::LoadBe32(h, 60) != 0) return 2;  // internal snapshots
    if (clusterBits < 9 || clusterBits > 21) return 2;
    l2Bits = clusterBits - 3;
    l1Entries = bo::LoadBe32(h, 36);
    if (l1Offset % (uint64_t{1} << clusterBits) != 0) return 2;
    // Too few entries to map the whole disk is a damaged header.
    if (l1Entries < CeilDiv(diskBytes, uint64_t{1} << (clusterBits + l2Bits))) return 2;
  }
  // The entries' own length, not a whole cluster: a fresh image ends right after its L1 table.
  if (!ReadL1(l1Offset, l1Entries, m_Version == 1 ? DecodeV1L1 : DecodeV2L1)) return 2;
  SetLayout(diskBytes, clusterBits, l2Bits, size_t{8} << l2Bits);
  return 1;
}

ClusteredImage::Cluster QcowImage::DecodeL2Entry(std::span<const std::byte> table,
                                                 size_t index) const {
  const uint64_t entry = bo::LoadBe64(table, index * 8);
  if (m_Version == 1) {
    if (entry & kV1Compressed) return {ClusterKind::Unsupported, 0};
    return {entry == 0 ? ClusterKind::Unallocated : ClusterKind::Data, entry};
  }
  if (entry & kV2Compressed) return {ClusterKind::Unsupported, 0};
  const uint64_t offset = entry & kV2OffsetMask;
  return {offset == 0 ? ClusterKind::Unallocated : ClusterKind::Data, offset};
}
