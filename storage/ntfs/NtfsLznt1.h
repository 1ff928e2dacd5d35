// The LZNT1 compression of NTFS: how one compression unit of a compressed attribute is stored.
//
// The stored bytes are a sequence of chunks, each a 16-bit little-endian header followed by
// (header & 0x0FFF) + 1 bytes. Bit 15 of the header marks a compressed chunk; without it the bytes
// are stored as they are. A header of 0, or the end of the stored bytes, ends the unit, whose rest
// is zeros. Every chunk stands for 4,096 bytes of the unit; one that decodes to fewer is followed
// by zeros up to that boundary.
//
// A compressed chunk is groups of a flag byte and eight tokens, bit 0 first: a clear bit is one
// literal byte, a set bit a 16-bit back-reference. Its offset (upper bits, plus 1) and length
// (lower bits, plus 3) split the 16 bits by how far into the chunk the output is: 12 length bits
// up to 16 bytes in, one fewer each time that position doubles.
#pragma once

#include <cstddef>

#include "platform/ByteOrder.h"

inline constexpr size_t kLznt1ChunkBytes = 4096;

struct Lznt1Outcome {
  size_t bytes = 0;      // bytes of the unit that hold its data (all of it when not damaged)
  bool damaged = false;  // a chunk ran past the stored bytes or referred outside its output
};

// Decodes one unit's stored bytes into unit (the unit's whole size, zeroed first). On damage,
// bytes is how much of unit was decoded before the fault; nothing past unit is ever written and
// nothing past stored is ever read.
Lznt1Outcome Lznt1DecompressUnit(bo::Bytes stored, bo::MutableBytes unit);
