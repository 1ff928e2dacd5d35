#include "storage/ExtentList.h"

#include <new>

#include "prompts/OutOfMemory.h"

void ExtentList::Clear() {
  std::unique_ptr<ExtentNode> node = std::move(head_);
  while (node) node = std::move(node->next);
  tail_ = nullptr;
  count_ = 0;
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
  if (list.tail_)
    list.tail_->next = std::move(node);
  else
    list.head_ = std::move(node);
  list.tail_ = raw;
  ++list.count_;
  return raw;
}
