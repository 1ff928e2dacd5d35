#include "storage/vdisk/vdi/VdiHeader.h"

#include <bit>

#include "platform/ByteOrder.h"

namespace {

constexpr uint32_t kSignature = 0xBEDA107F;
// Offsets below are those of the file; the header span starts at kVdiPreHeaderBytes.
constexpr size_t At(size_t fileOffset) {
  return fileOffset - kVdiPreHeaderBytes;
}
constexpr uint32_t kMinBlockSize = 512;
constexpr uint32_t kMaxBlockSize = 256u << 20;

}  // namespace

int ParseVdiPreHeader(std::span<const std::byte> preHeader) {
  if (preHeader.size() < kVdiPreHeaderBytes || bo::LoadLe32(preHeader, 64) != kSignature) return 0;
  const uint32_t version = bo::LoadLe32(preHeader, 68);
  if (version >> 16 == 1) return 1;
  return version == 2 ? 2 : 0;
}

size_t VdiHeaderReadBytes(std::span<const std::byte> headerStart) {
  return bo::LoadLe32(headerStart, 0) > 399 ? kVdiLongHeaderBytes : kVdiHeaderBytes;
}

int ParseVdiHeader(std::span<const std::byte> header, uint64_t fileSize, VdiHeader& out) {
  out = VdiHeader{};
  if (header.size() < kVdiHeaderBytes) return 2;
  out.headerSize = bo::LoadLe32(header, At(72));
  out.blockMapOffset = bo::LoadLe32(header, At(340));
  out.dataOffset = bo::LoadLe32(header, At(344));
  out.guestBytes = bo::LoadLe64(header, At(368));
  out.blockSize = bo::LoadLe32(header, At(376));
  out.blockExtra = bo::LoadLe32(header, At(380));
  out.blockCount = bo::LoadLe32(header, At(384));
  if (out.headerSize < kVdiHeaderBytes || out.blockMapOffset <= 455) return 2;
  const uint64_t mapEnd = uint64_t{out.blockMapOffset} + uint64_t{out.blockCount} * 4;
  if (out.dataOffset < mapEnd || mapEnd > fileSize) return 2;
  if (!std::has_single_bit(out.blockSize) || out.blockSize < kMinBlockSize ||
      out.blockSize > kMaxBlockSize || out.blockExtra > kMaxBlockSize)
    return 2;
  out.blockShift = static_cast<uint32_t>(std::countr_zero(out.blockSize));
  // The blocks must cover the whole guest disk; a shorter map means a damaged header.
  if (out.guestBytes > (uint64_t{out.blockCount} << out.blockShift)) return 2;
  return 1;
}
