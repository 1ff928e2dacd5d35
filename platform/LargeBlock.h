// Large blocks of memory straight from the operating system, asking for huge pages where the
// system grants them on request. A scan fills tens of megabytes of records; with 4 KiB pages
// most of its time went into first-touch page faults, one per page.
#pragma once

#include <cstddef>

// Blocks at least this large come from here; smaller ones are not worth a mapping.
inline constexpr size_t kLargeBlockMinimum = size_t{2} << 20;

// A zeroed block of bytes (rounded up to whole huge pages) aligned to a huge page, or nullptr
// when the system has no memory for it.
void* AllocateLargeBlock(size_t bytes);

// Gives back a block of AllocateLargeBlock with the size it was asked for.
void FreeLargeBlock(void* block, size_t bytes);
