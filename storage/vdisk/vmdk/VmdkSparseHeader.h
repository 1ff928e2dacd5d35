// The 512-byte header of a VMDK sparse extent ("KDMV", little-endian), and the grain lookup it
// describes: a grain directory of 32-bit sector numbers of grain tables, whose 32-bit entries are
// the sector numbers of the grains.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kVmdkSparseHeaderBytes = 512;
// Grain table entries that hold no sector: a grain never written, and a grain written as zeros.
inline constexpr uint32_t kVmdkUnallocatedGrain = 0;
inline constexpr uint32_t kVmdkZeroedGrain = 1;

struct VmdkSparseHeader {
  uint32_t version = 0;
  uint32_t flags = 0;
  uint64_t capacity = 0;          // sectors
  uint64_t grainSize = 0;         // sectors
  uint64_t descriptorOffset = 0;  // sectors
  uint64_t descriptorSize = 0;    // sectors
  uint32_t tableEntries = 0;      // grain table entries per grain table
  uint64_t redundantDirectory = 0;
  uint64_t directory = 0;
  uint64_t overhead = 0;

  uint64_t SectorsPerTable() const { return grainSize * tableEntries; }
  // Entries of the grain directory: enough tables to cover the capacity.
  uint64_t DirectoryEntries() const {
    return (capacity + SectorsPerTable() - 1) / SectorsPerTable();
  }
};

// True when the first bytes are the sparse magic "KDMV".
bool IsVmdkSparseHeader(std::span<const std::byte> header);

// 1 usable, 2 damaged or of a kind this reader refuses (another version, compressed grains,
// a grain size that is not a power of two up to 2^20 sectors, no or too many table entries,
// a capacity above 2^40 sectors, a descriptor outside a file of fileSize bytes).
int ParseVmdkSparseHeader(std::span<const std::byte> header, uint64_t fileSize,
                          VmdkSparseHeader& out);

// True when the header read by ParseVmdkSparseHeader (whatever it returned) marks compressed
// grains or grain markers: a stream-optimized disk, a kind this reader does not read.
bool IsVmdkStreamOptimized(const VmdkSparseHeader& header);
