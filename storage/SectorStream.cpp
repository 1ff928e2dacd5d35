#include "storage/SectorStream.h"

#include <algorithm>
#include <new>
#include <system_error>

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
  m_Buffer.reset(static_cast<std::byte*>(::operator new[](2 * bytes, kBufferAlignment, std::nothrow)));
  if (!m_Buffer) return;
  m_SlotBytes = bytes;
  if (m_Chunks < 2) return;  // nothing to read ahead of
  try {
    m_Helper = std::thread([this] { ReadAhead(); });
  } catch (const std::system_error&) {
    // No thread to be had: Next reads each chunk itself when it is asked for.
  }
}

SectorStream::~SectorStream() {
  {
    std::lock_guard lock(m_Mutex);
    m_Stop = true;
  }
  m_Changed.notify_all();
  if (m_Helper.joinable()) m_Helper.join();
}

uint32_t SectorStream::ChunkCount(uint64_t index) const {
  return static_cast<uint32_t>(std::min<uint64_t>(m_ChunkSectors, m_End - ChunkFirst(index)));
}

bool SectorStream::ReadChunk(uint64_t index) {
  const uint32_t count = ChunkCount(index);
  std::span<std::byte> slot(m_Buffer.get() + (index % 2) * m_SlotBytes,
                            static_cast<size_t>(count * m_SectorBytes));
  try {
    return ReadSectorsQuietly(m_Device, static_cast<int64_t>(ChunkFirst(index)), count, slot) == 1;
  } catch (const std::bad_alloc&) {
    return false;  // the caller reads the chunk again its own way
  }
}

void SectorStream::ReadAhead() {
  for (uint64_t i = 0; i < m_Chunks; ++i) {
    {
      // Slot i % 2 is free once the caller has given back chunk i - 2.
      std::unique_lock lock(m_Mutex);
      m_Changed.wait(lock, [&] { return m_Stop || i < m_Released + 2; });
      if (m_Stop) return;
    }
    const bool whole = ReadChunk(i);
    {
      std::lock_guard lock(m_Mutex);
      m_SlotWhole[i % 2] = whole;
      m_Produced = i + 1;
    }
    m_Changed.notify_all();
  }
}

std::optional<SectorStream::Chunk> SectorStream::Next() {
  if (!m_Buffer) return std::nullopt;
  std::unique_lock lock(m_Mutex);
  m_Released = m_Taken;
  if (m_Taken == m_Chunks) return std::nullopt;
  const uint64_t i = m_Taken;
  bool whole;
  if (m_Helper.joinable()) {
    lock.unlock();
    m_Changed.notify_all();
    lock.lock();
    m_Changed.wait(lock, [&] { return m_Produced > i; });
    whole = m_SlotWhole[i % 2];
  } else {
    lock.unlock();
    whole = ReadChunk(i);
    lock.lock();
  }
  ++m_Taken;
  Chunk c;
  c.first = ChunkFirst(i);
  c.count = ChunkCount(i);
  c.bytes = std::span<std::byte>(m_Buffer.get() + (i % 2) * m_SlotBytes,
                                 static_cast<size_t>(c.count * m_SectorBytes));
  c.whole = whole;
  return c;
}
