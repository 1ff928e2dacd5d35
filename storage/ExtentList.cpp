#include "storage/ExtentList.h"

#include <new>

#include "prompts/OutOfMemory.h"

void ExtentList::Clear() {
  std::unique_ptr<ExtentNode> node = std::move(m_Head);
  while (node) node = std::move(node->next);
  m_Tail = nullptr;
  m_Count = 0;
}

ExtentNode* AppendExtentNode(ExtentList& list, uint64_t startSector, uint64_t sectorCount,
                             bool sparse) {
  std::unique_ptr<ExtentNode> node(new (std::nothrow) ExtentNode);
  if (!node) {
    ReportOutOfMemoryAndExit("Memory Allocation Error");
    return nullptr;
  }
  node->startSector = sparse ? 0 : startSector;
  node->sparse = sparse;
  node->sectorCount = sectorCount;
  ExtentNode* raw = node.get();
  if (list.m_Tail)
    list.m_Tail->next = std::move(node);
  else
    list.m_Head = std::move(node);
  list.m_Tail = raw;
  ++list.m_Count;
  return raw;
}
