#include "storage/vdisk/qcow/L2Cache.h"

L2Cache::L2Cache(size_t tableBytes, size_t budgetBytes)
    : m_TableBytes(tableBytes), m_BudgetBytes(budgetBytes) {}

void L2Cache::Clear() {
  m_Nodes.clear();
  m_ByOffset.clear();
}

std::span<const std::byte> L2Cache::Get(uint64_t offset, const Loader& load) {
  if (auto hit = m_ByOffset.find(offset); hit != m_ByOffset.end()) {
    m_Nodes.splice(m_Nodes.begin(), m_Nodes, hit->second);
    return m_Nodes.front().table;
  }
  const bool roomForAnother = (m_Nodes.size() + 1) * m_TableBytes <= m_BudgetBytes;
  if (m_Nodes.empty() || roomForAnother) {
    m_Nodes.push_front({offset, std::vector<std::byte>(m_TableBytes)});
  } else {
    m_ByOffset.erase(m_Nodes.back().offset);
    m_Nodes.splice(m_Nodes.begin(), m_Nodes, std::prev(m_Nodes.end()));
    m_Nodes.front().offset = offset;
  }
  L2CacheNode& node = m_Nodes.front();
  if (!load(offset, node.table)) {
    // A table that could not be read is not remembered: the next read tries again.
    m_Nodes.pop_front();
    return {};
  }
  m_ByOffset[offset] = m_Nodes.begin();
  return node.table;
}
