// The partitions of one disk, one logical drive or one disk image, found through the first
// sector: a volume that starts right there, the MBR's primary slots, the chain of extended boot
// records, or a GUID partition table. Only FAT16, FAT32 and NTFS partitions are listed, in the
// order found, into the disk's block of g_DiskPartitions.
//
// Every read goes through ReadSectors on the disk's entry of g_DevicePaths (the disk image when
// g_DiskImageSource is set), one sector of g_BytesPerSector bytes at a time. Whatever a table
// holds, the walk ends: at most 26 partitions are listed, the extended chain stops at a link it
// has followed before and after 128 records, and the GPT walk looks at most at 1,024 entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/FileSystemKind.h"

// Where the walk puts a node for each partition it lists when nodes are asked for: the source
// tree, under its current disk or disk-image node. Returns the node's handle.
class PartitionNodeSink {
 public:
  virtual ~PartitionNodeSink() = default;
  virtual uintptr_t AddPartitionNode(const std::string& text) = 0;
};

// "Partition - 3 ( NTFS )": number is 1-based.
std::string PartitionNodeText(int number, FileSystemKind kind);

// Enumerates disk (0 to 25) from sector (every caller passes 0). The block's count and names are
// cleared first, its entries' tree items kept, so a disk where nothing is recognised lists
// nothing rather than what the block held before. With addNodes and a sink each listed
// partition also gets a node (a volume without a table, and GPT partitions, only while
// g_SourceDriveLetter is 0). deviceSectors, when not 0, is the disk's length: a slot, record or
// LBA at or past it is skipped without being read. Returns 1 when the first sector carries the
// boot signature, 0 when it does not or the disk number is out of range.
int EnumDiskPartitions(int disk, uint32_t sector, bool addNodes, PartitionNodeSink* sink,
                       uint64_t deviceSectors = 0);
