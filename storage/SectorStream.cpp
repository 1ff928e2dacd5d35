#include "storage/SectorStream.h"

#include <algorithm>
#include <new>

#include "storage/SectorIo.h"

namespace {
// Page-aligned, as the kernel copies into aligned memory fastest.
constexpr std::align_val_t kBufferAlignment{4096};
}  // namespace

void SectorStream::AlignedDelete::operator()(std::byte* p) const {
  ::operator delete[](p, kBufferAlignment);
}

uint32_t StreamChunkSectors(uint64_t sectorBytes, uint32_t unitSectors) {
  const uint64_t unit = std::max<uint32_t>(1, unitSectors);
  if (sectorBytes == 0) return static_cast<uint32_t>(unit);
  const uint64_t unitBytes = unit * sectorBytes;
  const uint64_t units = std::max<uint64_t>(1, (kStreamChunkBytes + unitBytes - 1) / unitBytes);
  return static_cast<uint32_t>(units * unit);
}

SectorStream::SectorStream(std::string_view devicePath, uint64_t first, uint64_t end,
                           uint32_t chunkSectors)
    : m_Device(devicePath),
      m_First(first),
      m_End(std::max(first, end)),
      m_ChunkSectors(std::max<uint32_t>(1, chunkSectors)),
      m_SectorBytes(ReadSizeBytes(1)) {
  if (m_SectorBytes == 0) return;
  m_Chunks = (m_End - m_First + m_ChunkSectors - 1) / m_ChunkSectors;
  const size_t bytes = static_cast<size_t>(uint64_t{m_ChunkSectors} * m_SectorBytes);
  m_Buffer.reset(static_cast<std::byte*>(::operator new[](bytes, kBufferAlignment, std::nothrow)));
}

uint32_t SectorStream::ChunkCount(uint64_t index) const {
  return static_cast<uint32_t>(std::min<uint64_t>(m_ChunkSectors, m_End - ChunkFirst(index)));
}

std::optional<SectorStream::Chunk> SectorStream::Next() {
  if (!m_Buffer || m_Taken == m_Chunks) return std::nullopt;
  const uint64_t i = m_Taken++;
  Chunk c;
  c.first = ChunkFirst(i);
  c.count = ChunkCount(i);
  c.bytes = std::span<std::byte>(m_Buffer.get(), static_cast<size_t>(c.count * m_SectorBytes));
  try {
    c.whole = ReadSectorsQuietly(m_Device, static_cast<int64_t>(c.first), c.count, c.bytes) == 1;
  } catch (const std::bad_alloc&) {
    c.whole = false;  // the caller reads the chunk again its own way
  }
  return c;
}
