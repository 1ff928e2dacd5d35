// The header of a VirtualBox VDI image of version 1.x, little-endian: a 72-byte pre-header (text,
// signature 0xBEDA107F at 64, version at 68), then the header proper from offset 72. The block map
// holds one 32-bit entry per block: the block's number in the data area, or one of the two marks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kVdiPreHeaderBytes = 72;
inline constexpr size_t kVdiHeaderBytes = 384;      // header size of version 1.1, from 72
inline constexpr size_t kVdiLongHeaderBytes = 400;  // what newer writers record
inline constexpr uint32_t kVdiFreeBlock = 0xFFFFFFFF;
inline constexpr uint32_t kVdiZeroBlock = 0xFFFFFFFE;

struct VdiHeader {
  uint32_t headerSize = 0;
  uint32_t blockMapOffset = 0;
  uint32_t dataOffset = 0;
  uint64_t guestBytes = 0;
  uint32_t blockSize = 0;
  uint32_t blockExtra = 0;
  uint32_t blockCount = 0;
  uint32_t blockShift = 0;  // log2 of blockSize
};

// 0 not a VDI image (signature or version), 1 a version 1.x image, 2 another version this reader
// does not read.
int ParseVdiPreHeader(std::span<const std::byte> preHeader);

// How many header bytes from offset 72 to read, given the first 4 of them (the header size).
size_t VdiHeaderReadBytes(std::span<const std::byte> headerStart);

// Checks the header read from offset 72 against a file of fileSize bytes: 1 usable, 2 damaged.
int ParseVdiHeader(std::span<const std::byte> header, uint64_t fileSize, VdiHeader& out);
