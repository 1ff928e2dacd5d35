// Reads a range of sectors front to back in large chunks for the scans that look at every sector
// of a range (the NTFS signature search, the FAT partition and folder searches). Each chunk is one
// quiet read on the caller's thread into a buffer that stays in the processor's cache while it is
// parsed; the kernel's read-ahead keeps the disk busy meanwhile. (A helper thread reading the next
// chunk was measured slower: the parsing costs a fraction of the copy, and handing every chunk
// between two threads cost more than it overlapped.)
//
// A chunk is only ever read quietly (ReadSectorsQuietly): no bad-sector question, no zero-fill,
// no sector counted as unread. A chunk that did not read whole comes to the caller marked so, and
// the caller reads it again in its own way (with ReadSectors and its bad-sector policy), so the
// user sees the same questions as when the range was read without a stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Bytes a stream chunk holds at least: large enough that a system call per chunk costs nothing
// beside the copy, small enough that a chunk is still in the processor's cache when parsed.
inline constexpr uint64_t kStreamChunkBytes = uint64_t{1} << 20;

// The smallest multiple of unitSectors that holds kStreamChunkBytes of sectorBytes each. A caller
// whose range used to be read unitSectors at a time passes that unit, so that a chunk read again
// with ReadSectors is split into the very runs those reads made.
uint32_t StreamChunkSectors(uint64_t sectorBytes, uint32_t unitSectors);

class SectorStream {
 public:
  struct Chunk {
    uint64_t first = 0;          // first sector of the chunk
    uint32_t count = 0;          // sectors in it (the last chunk is cut to the range's end)
    std::span<std::byte> bytes;  // count sectors; valid until the next call of Next
    bool whole = false;          // false: nothing in bytes may be used before it is read again
  };

  // Streams [first, end) of devicePath in chunks of chunkSectors sectors of ReadSizeBytes(1)
  // bytes each. The source globals must not change while the stream lives.
  SectorStream(std::string_view devicePath, uint64_t first, uint64_t end, uint32_t chunkSectors);
  SectorStream(const SectorStream&) = delete;
  SectorStream& operator=(const SectorStream&) = delete;

  // False when the chunk buffer could not be allocated; Next then gives nothing.
  bool HasBuffers() const { return m_Buffer != nullptr; }

  // The next chunk in order, or nothing after the last. Reuses the previous chunk's buffer.
  std::optional<Chunk> Next();

 private:
  uint64_t ChunkFirst(uint64_t index) const { return m_First + index * m_ChunkSectors; }
  uint32_t ChunkCount(uint64_t index) const;

  std::string m_Device;
  uint64_t m_First;
  uint64_t m_End;
  uint32_t m_ChunkSectors;
  uint64_t m_SectorBytes;
  uint64_t m_Chunks = 0;
  uint64_t m_Taken = 0;  // chunks handed to the caller
  struct AlignedDelete {
    void operator()(std::byte* p) const;
  };
  std::unique_ptr<std::byte[], AlignedDelete> m_Buffer;  // one chunk
};
