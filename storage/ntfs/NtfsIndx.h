// The header of an NTFS INDX block (one block of a directory's $INDEX_ALLOCATION "$I30"), as the
// signature scan meets them on disk. Offsets: 16 the block's VCN (low 32 bits used), 24 the offset
// of the first index entry relative to offset 24, 32 the allocated size of the index. An entry's
// key (a $FILE_NAME value, whose first field is the parent directory's reference) begins 16 bytes
// into the entry. The "INDX" signature itself is the caller's test (IsNtfsIndxBlock).
#pragma once

#include <cstdint>

#include "platform/ByteOrder.h"

inline constexpr uint32_t kNtfsMaxIndxBytes = 65536;

// Checks that the block is plausible: allocated size + 24 at most 65,536; first entry offset + 44
// at most allocated size + 24; the first entry's key (its parent reference) within the first 512
// bytes and the span; that parent reference at least 5 and not 0xFFFFFFFF. vcn is stored as soon
// as the first test has passed, whatever the later outcome; parentRef when the key was read.
// Returns 1 plausible, 0 not.
int NtfsCheckIndxHeader(bo::Bytes block, uint32_t& parentRef, uint32_t& vcn);
