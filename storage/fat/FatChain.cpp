#include "storage/fat/FatChain.h"

#include <new>
#include <unordered_set>

#include "platform/ByteOrder.h"
#include "prompts/OutOfMemory.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

std::vector<uint32_t> ClusterList::Clusters() const {
  std::vector<uint32_t> out;
  out.reserve(nodes_.size());
  for (const ClusterNode& n : nodes_) out.push_back(n.cluster);
  return out;
}

void ClusterList::Clear() {
  nodes_.clear();
  head_ = nullptr;
}

void ClusterList::Truncate(size_t n) {
  if (n >= nodes_.size()) return;
  nodes_.resize(n);
  if (n == 0)
    head_ = nullptr;
  else
    nodes_.back().next = nullptr;
}

ClusterNode* AppendClusterNode(ClusterList& list, uint32_t cluster) {
  try {
    list.nodes_.push_back(ClusterNode{cluster, nullptr});
  } catch (const std::bad_alloc&) {
    ReportOutOfMemoryAndExit("Not Enough Memory");
    return nullptr;
  }
  ClusterNode* node = &list.nodes_.back();
  if (list.nodes_.size() == 1)
    list.head_ = node;
  else
    list.nodes_[list.nodes_.size() - 2].next = node;
  return node;
}

FatTable::FatTable(const FatVolume& volume, uint64_t tableStart)
    : volume_(volume), tableStart_(tableStart), buffer_(2 * size_t{volume.sectorBytes}) {}

std::optional<uint32_t> FatTable::Entry(uint32_t c) {
  const uint32_t bps = volume_.sectorBytes;
  if (volume_.bits == 0 || bps == 0 || tableStart_ == 0) return std::nullopt;
  uint64_t byteOffset = 0;
  switch (volume_.bits) {
    case 12:
      byteOffset = uint64_t{c} * 3 / 2;
      break;
    case 16:
      byteOffset = uint64_t{c} * 2;
      break;
    default:
      byteOffset = uint64_t{c} * 4;
      break;
  }
  const uint64_t sectorIndex = byteOffset / bps;
  if (sectorIndex >= volume_.fatSectors) return std::nullopt;
  const uint64_t sector = tableStart_ + sectorIndex;
  // FAT12 entries may straddle a sector end, so two sectors are read for them.
  const uint32_t count = volume_.bits == 12 ? 2 : 1;
  if (sector != cachedSector_) {
    std::fill(buffer_.begin(), buffer_.end(), std::byte{0});
    cachedOk_ = ReadSectors(CurrentDevicePath(), static_cast<int64_t>(sector), count,
                            std::span(buffer_).first(size_t{count} * bps)) == 1;
    cachedSector_ = sector;
  }
  const size_t at = static_cast<size_t>(byteOffset % bps);
  if (volume_.bits == 12) {
    const uint16_t pair = bo::LoadLe16(buffer_, at);
    return (c & 1) ? uint32_t{pair} >> 4 : uint32_t{pair} & 0x0FFF;
  }
  if (!cachedOk_) return std::nullopt;
  if (volume_.bits == 16) return bo::LoadLe16(buffer_, at);
  return bo::LoadLe32(buffer_, at) & 0x0FFFFFFF;
}

bool FatTable::Continues(uint32_t value) const {
  // Bad-cluster and end marks all lie at or above the volume's limit (which never exceeds
  // 0xFF7 / 0xFFF7 / 0x0FFFFFF7), so one test covers them with the free and reserved values.
  return volume_.IsDataCluster(value);
}

namespace {

// The shared walk: appends successors of first until the chain ends, maxNodes are held, or the
// chain returns to a cluster it holds. Cycles are found with Brent's method, which needs no
// memory beyond two counters, and the chain is then cut just before its first repeated cluster.
// A walk ended by a bound first is checked for a repeat afterwards.
void Walk(FatTable& table, ClusterList& list, uint32_t first, size_t maxNodes) {
  const size_t base = list.size();
  if (!AppendClusterNode(list, first)) return;
  if (!table.Continues(first)) return;
  uint32_t current = first;
  uint32_t tortoise = first;
  size_t power = 1, lambda = 0;
  // The volume's cluster count bounds the walk whatever happens.
  const size_t hardLimit = table.volume().clusterLimit;
  while (list.size() - base < maxNodes && list.size() - base <= hardLimit) {
    std::optional<uint32_t> next = table.Entry(current);
    if (!next || !table.Continues(*next)) return;
    if (!AppendClusterNode(list, *next)) return;
    ++lambda;
    if (*next == tortoise) {
      // A cycle of length lambda: keep the chain up to its first repeat.
      const size_t n = list.size();
      size_t j = base;
      while (j + lambda < n && list[j] != list[j + lambda]) ++j;
      list.Truncate(j + lambda);
      return;
    }
    if (lambda == power) {
      tortoise = *next;
      power *= 2;
      lambda = 0;
    }
    current = *next;
  }
  // Stopped by a bound before the cycle test could see a loop: cut at the first repeat, if any.
  std::unordered_set<uint32_t> seen;
  for (size_t i = base; i < list.size(); ++i) {
    if (!seen.insert(list[i]).second) {
      list.Truncate(i);
      return;
    }
  }
}

}  // namespace

void FollowFatChain(FatTable& table, ClusterList& list, uint32_t first, uint32_t cap) {
  if (table.volume().bits == 0) return;
  const size_t maxNodes = cap == kDeletedFolderCap ? kDeletedFolderClusters : SIZE_MAX;
  Walk(table, list, first, maxNodes);
}

void FollowFatChain(const FatVolume& volume, ClusterList& list, uint32_t first, uint32_t cap) {
  FatTable table(volume, volume.fat1Start);
  FollowFatChain(table, list, first, cap);
}

void ReadFatChainForCopy(const FatVolume& volume, ClusterList& list, uint32_t first,
                         uint64_t tableStart, uint64_t expectedCount) {
  if (volume.bits == 0 || expectedCount == 0 || tableStart == 0) {
    AppendClusterNode(list, first);
    return;
  }
  FatTable table(volume, tableStart);
  const uint64_t most = expectedCount + 1;
  Walk(table, list, first, most > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(most));
}
