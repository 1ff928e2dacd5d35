#include "storage/vdisk/vhdx/VhdxStructures.h"

#include <bit>
#include <cstring>

#include "platform/ByteOrder.h"
#include "storage/vdisk/vhdx/VhdxGuid.h"

namespace {

constexpr size_t kHeaderCompareBytes = 80;
constexpr uint32_t kMaxRegionEntries = 2047;
constexpr uint32_t kMaxMetadataEntries = 2047;
constexpr uint32_t kRequiredRegion = 1;
constexpr uint32_t kRequiredItem = 4;
constexpr uint32_t kHasParent = 2;
constexpr uint32_t kMinBlockSize = 0x100000;
constexpr uint32_t kMaxBlockSize = 0x10000000;
constexpr uint64_t kMaxVirtualSize = uint64_t{64} << 40;  // 64 TiB, the format's limit

bool HasSignature(std::span<const std::byte> s, const char* text, size_t length) {
  return s.size() >= length && std::memcmp(s.data(), text, length) == 0;
}

bool IsValidHeader(std::span<const std::byte> h) {
  return HasSignature(h, "head", 4) && bo::LoadLe16(h, 66) == 1;
}

}  // namespace

bool IsVhdxFileIdentifier(std::span<const std::byte> first8) {
  return HasSignature(first8, "vhdxfile", 8);
}

int ChooseVhdxHeader(std::span<const std::byte> header1, std::span<const std::byte> header2) {
  const bool valid1 = header1.size() >= kHeaderCompareBytes && IsValidHeader(header1);
  const bool valid2 = header2.size() >= kHeaderCompareBytes && IsValidHeader(header2);
  if (!valid1 && !valid2) return -1;
  if (valid1 != valid2) return valid1 ? 0 : 1;
  const uint64_t seq1 = bo::LoadLe64(header1, 8);
  const uint64_t seq2 = bo::LoadLe64(header2, 8);
  if (seq1 != seq2) return seq1 > seq2 ? 0 : 1;
  return std::memcmp(header1.data(), header2.data(), kHeaderCompareBytes) == 0 ? 0 : -1;
}

VhdxRange VhdxLogRange(std::span<const std::byte> header) {
  const uint64_t offset = bo::LoadLe64(header, 72);
  const uint64_t length = bo::LoadLe32(header, 68);
  return {offset, offset > UINT64_MAX - length ? UINT64_MAX : offset + length};
}

bool ParseVhdxRegionTable(std::span<const std::byte> table, VhdxRange log, VhdxRegions& out) {
  out = VhdxRegions{};
  out.used.push_back(log);
  if (!HasSignature(table, "regi", 4)) return false;
  const uint32_t count = bo::LoadLe32(table, 8);
  if (count > kMaxRegionEntries) return false;
  bool haveBat = false;
  bool haveMetadata = false;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = 16 + size_t{i} * 32;
    if (!bo::Fits(table, at, 32)) return false;
    const uint64_t offset = bo::LoadLe64(table, at + 16);
    const uint32_t length = bo::LoadLe32(table, at + 24);
    const uint32_t flags = bo::LoadLe32(table, at + 28);
    if (offset > UINT64_MAX - length) return false;
    const VhdxRange range{offset, offset + length};
    if (range.Overlaps(log)) return false;
    out.used.push_back(range);
    if (IsVhdxGuid(table, at, kVhdxBatRegion)) {
      if (haveBat) return false;
      haveBat = true;
      out.batOffset = offset;
      out.batLength = length;
    } else if (IsVhdxGuid(table, at, kVhdxMetadataRegion)) {
      if (haveMetadata) return false;
      haveMetadata = true;
      out.metadataOffset = offset;
      out.metadataLength = length;
    } else if (flags & kRequiredRegion) {
      return false;
    }
  }
  return haveBat && haveMetadata;
}

bool ParseVhdxMetadataTable(std::span<const std::byte> table, uint32_t regionLength,
                            VhdxMetadataTable& out) {
  out = VhdxMetadataTable{};
  if (!HasSignature(table, "metadata", 8)) return false;
  const uint32_t count = bo::LoadLe16(table, 10);
  if (count > kMaxMetadataEntries) return false;
  struct Known {
    const VhdxGuid& guid;
    VhdxItem& item;
  } known[] = {{kVhdxFileParameters, out.fileParameters},
               {kVhdxVirtualDiskSize, out.virtualDiskSize},
               {kVhdxPage83Data, out.page83Data},
               {kVhdxLogicalSectorSize, out.logicalSectorSize},
               {kVhdxPhysicalSectorSize, out.physicalSectorSize},
               {kVhdxParentLocator, out.parentLocator}};
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = 32 + size_t{i} * 32;
    if (!bo::Fits(table, at, 32)) return false;
    const uint32_t offset = bo::LoadLe32(table, at + 16);
    const uint32_t length = bo::LoadLe32(table, at + 20);
    const uint32_t flags = bo::LoadLe32(table, at + 24);
    Known* match = nullptr;
    for (Known& k : known)
      if (IsVhdxGuid(table, at, k.guid)) match = &k;
    if (!match) {
      if (flags & kRequiredItem) return false;
      continue;
    }
    if (match->item.present) return false;
    if (offset > regionLength || length > regionLength - offset) return false;
    match->item = {true, offset, length};
  }
  return out.fileParameters.present && out.virtualDiskSize.present && out.page83Data.present &&
         out.logicalSectorSize.present && out.physicalSectorSize.present &&
         !out.parentLocator.present;
}

bool DeriveVhdxGeometry(VhdxGeometry& g) {
  if (g.fileFlags & kHasParent) return false;
  if (g.blockSize < kMinBlockSize || g.blockSize > kMaxBlockSize ||
      !std::has_single_bit(g.blockSize))
    return false;
  if (g.logicalSectorSize != 512 && g.logicalSectorSize != 4096) return false;
  if (g.physicalSectorSize != 512 && g.physicalSectorSize != 4096) return false;
  if (g.virtualSize == 0 || g.virtualSize > kMaxVirtualSize ||
      g.virtualSize % g.logicalSectorSize != 0)
    return false;
  const uint64_t chunkRatio = (uint64_t{1} << 23) * g.logicalSectorSize / g.blockSize;
  if (!std::has_single_bit(chunkRatio)) return false;
  g.blockShift = static_cast<uint32_t>(std::countr_zero(g.blockSize));
  g.chunkRatio = static_cast<uint32_t>(chunkRatio);
  g.chunkShift = static_cast<uint32_t>(std::countr_zero(chunkRatio));
  g.dataBlocks = (g.virtualSize + g.blockSize - 1) >> g.blockShift;
  g.batEntries = g.dataBlocks + (g.dataBlocks - 1) / chunkRatio;
  return true;
}
