// The fixed structures at the start of a VHDX file, little-endian: the file identifier at 0, two
// headers at 64 KiB and 128 KiB, the region table at 192 KiB, and the metadata table at the start
// of the metadata region. Each is parsed from its bytes; nothing here reads the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr uint64_t kVhdxHeader1Offset = 0x10000;
inline constexpr uint64_t kVhdxHeader2Offset = 0x20000;
inline constexpr uint64_t kVhdxRegionTableOffset = 0x30000;
inline constexpr size_t kVhdxHeaderReadBytes = 4096;
inline constexpr size_t kVhdxTableBytes = 0x10000;  // region table and metadata table

// A range of the file, [start, end).
struct VhdxRange {
  uint64_t start = 0;
  uint64_t end = 0;
  bool Overlaps(const VhdxRange& other) const { return start < other.end && other.start < end; }
};

bool IsVhdxFileIdentifier(std::span<const std::byte> first8);

// The header to use of the two read at 64 KiB and 128 KiB: 0 or 1, or -1 when neither is valid or
// two valid ones have the same sequence number but differ.
int ChooseVhdxHeader(std::span<const std::byte> header1, std::span<const std::byte> header2);

// The log region a header names.
VhdxRange VhdxLogRange(std::span<const std::byte> header);

struct VhdxRegions {
  uint64_t batOffset = 0;
  uint32_t batLength = 0;
  uint64_t metadataOffset = 0;
  uint32_t metadataLength = 0;
  std::vector<VhdxRange> used;  // the log region first, then every region of the table
};

// Parses the region table; false when it is damaged, names a region twice, overlaps the log,
// requires a region this reader does not know, or lacks the BAT or the metadata region.
bool ParseVhdxRegionTable(std::span<const std::byte> table, VhdxRange log, VhdxRegions& out);

// Where one metadata item's value lies, relative to the metadata region.
struct VhdxItem {
  bool present = false;
  uint32_t offset = 0;
  uint32_t length = 0;
};

struct VhdxMetadataTable {
  VhdxItem fileParameters;
  VhdxItem virtualDiskSize;
  VhdxItem page83Data;
  VhdxItem logicalSectorSize;
  VhdxItem physicalSectorSize;
  VhdxItem parentLocator;
};

// Parses the metadata table of a region of regionLength bytes; false when it is damaged, names an
// item twice, requires an unknown item, places an item outside the region, lacks one of the five
// items a disk needs, or has a parent locator (a differencing disk, which this reader refuses).
bool ParseVhdxMetadataTable(std::span<const std::byte> table, uint32_t regionLength,
                            VhdxMetadataTable& out);

// The values of the metadata items and what follows from them.
struct VhdxGeometry {
  uint32_t blockSize = 0;
  uint32_t fileFlags = 0;  // bit 1: the disk has a parent
  uint64_t virtualSize = 0;
  uint32_t logicalSectorSize = 0;
  uint32_t physicalSectorSize = 0;
  // Derived by DeriveVhdxGeometry.
  uint32_t blockShift = 0;
  uint32_t chunkRatio = 0;  // payload blocks per sector-bitmap entry
  uint32_t chunkShift = 0;
  uint64_t dataBlocks = 0;
  uint64_t batEntries = 0;
};

// Checks the values (no parent, sizes within the format's limits and powers of two) and derives
// the rest; false when the disk cannot be read.
bool DeriveVhdxGeometry(VhdxGeometry& g);
