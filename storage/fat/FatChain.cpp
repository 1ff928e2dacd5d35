#include "storage/fat/FatChain.h"

#include <new>
#include <unordered_set>

#include "platform/ByteOrder.h"
#include "prompts/OutOfMemory.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

std::vector<uint32_t> ClusterList::Clusters() const {
  std::vector<uint32_t> out;
  out.reserve(m_Nodes.size());
  for (const ClusterNode& n : m_Nodes) out.push_back(n.cluster);
  return out;
}

void ClusterList::Clear() {
  m_Nodes.clear();
  m_Head = nullptr;
}

void ClusterList::Truncate(size_t n) {
  if (n >= m_Nodes.size()) return;
  m_Nodes.resize(n);
  if (n == 0)
    m_Head = nullptr;
  else
    m_Nodes.back().next = nullptr;
}

ClusterNode* AppendClusterNode(ClusterList& list, uint32_t cluster) {
  try {
    list.m_Nodes.push_back(ClusterNode{cluster, nullptr});
  } catch (const std::bad_alloc&) {
    ReportOutOfMemoryAndExit("Not Enough Memory");
    return nullptr;
  }
  ClusterNode* node = &list.m_Nodes.back();
  if (list.m_Nodes.size() == 1)
    list.m_Head = node;
  else
    list.m_Nodes[list.m_Nodes.size() - 2].next = node;
  return node;
}

FatTable::FatTable(const FatVolume& volume, uint64_t tableStart)
    : m_Volume(volume), m_TableStart(tableStart), m_Buffer(2 * size_t{volume.sectorBytes}) {}

std::optional<uint32_t> FatTable::Entry(uint32_t c) {
  const uint32_t bps = m_Volume.sectorBytes;
  if (m_Volume.bits == 0 || bps == 0 || m_TableStart == 0) return std::nullopt;
  uint64_t byteOffset = 0;
  switch (m_Volume.bits) {
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
  if (sectorIndex >= m_Volume.fatSectors) return std::nullopt;
  const uint64_t sector = m_TableStart + sectorIndex;
  // FAT12 entries may straddle a sector end, so two sectors are read for them.
  const uint32_t count = m_Volume.bits == 12 ? 2 : 1;
  if (sector != m_CachedSector) {
    std::fill(m_Buffer.begin(), m_Buffer.end(), std::byte{0});
    m_CachedOk = ReadSectors(CurrentDevicePath(), static_cast<int64_t>(sector), count,
                            std::span(m_Buffer).first(size_t{count} * bps)) == 1;
    m_CachedSector = sector;
  }
  const size_t at = static_cast<size_t>(byteOffset % bps);
  if (m_Volume.bits == 12) {
    const uint16_t pair = bo::LoadLe16(m_Buffer, at);
    return (c & 1) ? uint32_t{pair} >> 4 : uint32_t{pair} & 0x0FFF;
  }
  if (!m_CachedOk) return std::nullopt;
  if (m_Volume.bits == 16) return bo::LoadLe16(m_Buffer, at);
  return bo::LoadLe32(m_Buffer, at) & 0x0FFFFFFF;
}

bool FatTable::Continues(uint32_t value) const {
  // Bad-cluster and end marks all lie at or above the volume's limit (which never exceeds
  // 0xFF7 / 0xFFF7 / 0x0FFFFFF7), so one test covers them with the free and reserved values.
  return m_Volume.IsDataCluster(value);
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
