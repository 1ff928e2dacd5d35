// Cluster chains of FAT12/16/32 volumes: the ClusterNode list that carries a chain, the reader of
// one copy of the file allocation table, and the chain walks of the scans and of the file copy.
//
// A chain ends at a free entry (below 2), at the bad-cluster mark, at any end-of-chain mark (0xFF8
// and up on FAT12, 0xFFF8 on FAT16, 0x0FFFFFF8 on FAT32 after masking the top four bits), at a
// value past the volume's clusters, at an unreadable FAT sector and where it would enter a cluster
// it already holds (a cycle in a damaged FAT), so every walk ends.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "storage/fat/FatVolume.h"

struct ClusterNode {
  uint32_t cluster = 0;
  ClusterNode* next = nullptr;  // null at the end
};

// Owns the nodes of one chain, in chain order. Nodes keep their addresses while the list grows.
class ClusterList {
 public:
  ClusterList() = default;
  ClusterList(const ClusterList&) = delete;
  ClusterList& operator=(const ClusterList&) = delete;

  ClusterNode* head() const { return m_Head; }
  size_t size() const { return m_Nodes.size(); }
  bool empty() const { return m_Nodes.empty(); }
  uint32_t operator[](size_t i) const { return m_Nodes[i].cluster; }
  std::vector<uint32_t> Clusters() const;
  void Clear();
  // Keeps the first n nodes.
  void Truncate(size_t n);

 private:
  friend ClusterNode* AppendClusterNode(ClusterList& list, uint32_t cluster);
  std::deque<ClusterNode> m_Nodes;
  ClusterNode* m_Head = nullptr;
};

// Appends a node for cluster at the tail and returns it. When memory runs out it shows "Not
// Enough Memory" and ends the program; it returns nullptr only when a test stopped that exit.
ClusterNode* AppendClusterNode(ClusterList& list, uint32_t cluster);

// Passing this cap limits a chain to 26 clusters (the walk of a deleted folder); any other value
// sets no limit beyond the volume's own.
inline constexpr uint32_t kDeletedFolderCap = 0x0FFFFFFF;
inline constexpr size_t kDeletedFolderClusters = 26;

// Reads entries of one copy of the FAT through ReadSectors, keeping the last FAT sectors read.
class FatTable {
 public:
  FatTable(const FatVolume& volume, uint64_t tableStart);
  // The entry of cluster c as stored (FAT32 masked to 28 bits), or nothing when c lies outside
  // the table or a FAT16/FAT32 sector could not be read. A FAT12 entry is taken from whatever the
  // two sectors read held (zeros where they could not be read).
  std::optional<uint32_t> Entry(uint32_t c);
  // True when value continues a chain on this volume.
  bool Continues(uint32_t value) const;
  const FatVolume& volume() const { return m_Volume; }

 private:
  FatVolume m_Volume;
  uint64_t m_TableStart;
  std::vector<std::byte> m_Buffer;
  uint64_t m_CachedSector = UINT64_MAX;
  bool m_CachedOk = false;
};

// Appends to list the chain that starts at first (first itself always, whatever its value) and
// follows the table. cap == kDeletedFolderCap stops at 26 clusters. Nothing is appended when the
// volume is not a FAT volume.
void FollowFatChain(FatTable& table, ClusterList& list, uint32_t first, uint32_t cap);
void FollowFatChain(const FatVolume& volume, ClusterList& list, uint32_t first, uint32_t cap);

// Appends the chain from first in the table copy at tableStart, stopping once it holds more than
// expectedCount clusters (so a chain longer than the file shows as expectedCount + 1). An
// expectedCount of 0, a non-FAT volume or a table start of 0 gives the first cluster only.
void ReadFatChainForCopy(const FatVolume& volume, ClusterList& list, uint32_t first,
                         uint64_t tableStart, uint64_t expectedCount);

// b0 + b1 × 2^8 + b2 × 2^16 + b3 × 2^24.
constexpr uint32_t MakeLeUInt32(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return uint32_t{b0} | uint32_t{b1} << 8 | uint32_t{b2} << 16 | uint32_t{b3} << 24;
}
