#include "storage/ntfs/NtfsLznt1.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr uint16_t kCompressedChunk = 0x8000;
constexpr uint16_t kChunkLengthMask = 0x0FFF;

// Decodes one compressed chunk into out; produced is how many bytes of out it filled. False when
// a token runs past the chunk or a back-reference reaches before the chunk's output or past out.
bool DecodeChunk(bo::Bytes chunk, bo::MutableBytes out, size_t& produced) {
  size_t in = 0;
  size_t& at = produced;
  at = 0;
  while (in < chunk.size()) {
    uint8_t flags = bo::Load8(chunk, in++);
    for (int token = 0; token < 8 && in < chunk.size(); ++token, flags >>= 1) {
      if ((flags & 1) == 0) {
        if (at >= out.size()) return false;
        out[at++] = chunk[in++];
        continue;
      }
      if (chunk.size() - in < 2) return false;
      const uint16_t reference = bo::LoadLe16(chunk, in);
      in += 2;
      if (at == 0) return false;
      unsigned lengthBits = 12;
      for (size_t reach = at - 1; reach >= 0x10; reach >>= 1) --lengthBits;
      const size_t offset = (reference >> lengthBits) + size_t{1};
      const size_t length = (reference & ((1u << lengthBits) - 1)) + size_t{3};
      if (offset > at || length > out.size() - at) return false;
      // Byte by byte: a reference may overlap the bytes it produces (a run of one pattern).
      for (size_t i = 0; i < length; ++i, ++at) out[at] = out[at - offset];
    }
  }
  return true;
}

}  // namespace

Lznt1Outcome Lznt1DecompressUnit(bo::Bytes stored, bo::MutableBytes unit) {
  std::fill(unit.begin(), unit.end(), std::byte{0});
  size_t in = 0;
  size_t at = 0;
  while (at < unit.size() && stored.size() - in >= 2) {
    const uint16_t header = bo::LoadLe16(stored, in);
    if (header == 0) break;
    in += 2;
    const size_t length = (header & kChunkLengthMask) + size_t{1};
    if (length > stored.size() - in) return {at, true};
    const bo::Bytes chunk = stored.subspan(in, length);
    in += length;
    const bo::MutableBytes out = unit.subspan(at, std::min(kLznt1ChunkBytes, unit.size() - at));
    if ((header & kCompressedChunk) == 0) {
      if (length > out.size()) return {at, true};
      std::copy(chunk.begin(), chunk.end(), out.begin());
    } else {
      size_t produced = 0;
      if (!DecodeChunk(chunk, out, produced)) return {at + produced, true};
    }
    at += out.size();
  }
  return {unit.size(), false};
}
