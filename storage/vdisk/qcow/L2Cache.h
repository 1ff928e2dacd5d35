// The cache of second-level tables that the QCOW and QED readers share: tables are kept by their
// file offset up to a byte budget, and the least recently used one makes room for the next, so
// the sectors of one cluster cost one table read between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <span>
#include <unordered_map>
#include <vector>

class L2Cache {
 public:
  static constexpr size_t kBudgetBytes = 0x200000;

  // Reads the table at a file offset into the given bytes; false when it could not be read.
  using Loader = std::function<bool(uint64_t offset, std::span<std::byte> table)>;

  // tableBytes is the size of every table of the image. One table is always kept, however large.
  explicit L2Cache(size_t tableBytes = 0, size_t budgetBytes = kBudgetBytes);

  // The table at offset, read through load on a miss; empty when it could not be read. The span
  // stays valid until the next call.
  std::span<const std::byte> Get(uint64_t offset, const Loader& load);

  void Clear();
  size_t TableCount() const { return m_Nodes.size(); }

 private:
  struct L2CacheNode {
    uint64_t offset = 0;
    std::vector<std::byte> table;
  };

  size_t m_TableBytes;
  size_t m_BudgetBytes;
  std::list<L2CacheNode> m_Nodes;  // most recently used first
  std::unordered_map<uint64_t, std::list<L2CacheNode>::iterator> m_ByOffset;
};
