#include "storage/vdisk/vmdk/VmdkSparseHeader.h"

#include <bit>
#include <cstring>

#include "platform/ByteOrder.h"

namespace {

constexpr uint32_t kCompressedGrains = 1u << 16;
constexpr uint32_t kGrainMarkers = 1u << 17;
constexpr uint64_t kMaxGrainSectors = uint64_t{1} << 20;
constexpr uint32_t kMaxTableEntries = 1u << 16;
constexpr uint64_t kMaxCapacity = uint64_t{1} << 40;

}  // namespace

bool IsVmdkSparseHeader(std::span<const std::byte> header) {
  return header.size() >= 4 && std::memcmp(header.data(), "KDMV", 4) == 0;
}

int ParseVmdkSparseHeader(std::span<const std::byte> header, uint64_t fileSize,
                          VmdkSparseHeader& out) {
  out = VmdkSparseHeader{};
  if (header.size() < kVmdkSparseHeaderBytes || !IsVmdkSparseHeader(header)) return 2;
  out.version = bo::LoadLe32(header, 4);
  out.flags = bo::LoadLe32(header, 8);
  out.capacity = bo::LoadLe64(header, 12);
  out.grainSize = bo::LoadLe64(header, 20);
  out.descriptorOffset = bo::LoadLe64(header, 28);
  out.descriptorSize = bo::LoadLe64(header, 36);
  out.tableEntries = bo::LoadLe32(header, 44);
  out.redundantDirectory = bo::LoadLe64(header, 48);
  out.directory = bo::LoadLe64(header, 56);
  out.overhead = bo::LoadLe64(header, 64);
  if (out.version < 1 || out.version > 3) return 2;
  // Compressed grains and grain markers belong to the stream-optimized kind, which is not read.
  if (out.flags & (kCompressedGrains | kGrainMarkers)) return 2;
  if (!std::has_single_bit(out.grainSize) || out.grainSize > kMaxGrainSectors) return 2;
  if (out.tableEntries == 0 || out.tableEntries > kMaxTableEntries) return 2;
  if (out.capacity > kMaxCapacity) return 2;
  const uint64_t fileSectors = fileSize / 512;
  if (out.descriptorOffset > fileSectors || out.descriptorSize > fileSectors - out.descriptorOffset)
    return 2;
  return 1;
}

bool IsVmdkStreamOptimized(const VmdkSparseHeader& header) {
  return (header.flags & (kCompressedGrains | kGrainMarkers)) != 0;
}
