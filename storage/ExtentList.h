// Where a file's data lies on the source, as the copy reads it: a singly linked list of sector
// runs, appended at the tail. A sparse run (no clusters: zeros) is marked as such and keeps start
// sector 0; the mark decides, since a real run can start at sector 0 of the device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct ExtentNode {
  uint64_t startSector = 0;  // absolute on the source device; 0 for a sparse run
  uint64_t sectorCount = 0;
  bool sparse = false;  // no clusters: reads as zeros, nothing is read from the device
  std::unique_ptr<ExtentNode> next;
};

class ExtentList;

// Appends a node (sparse: a run without clusters, start 0) and returns it. When memory runs out
// the program shows "Memory Allocation Error" and ends; nullptr comes back only when a test
// stopped that exit.
ExtentNode* AppendExtentNode(ExtentList& list, uint64_t startSector, uint64_t sectorCount,
                             bool sparse = false);

// Owns its nodes; frees them without recursion, however long the list.
class ExtentList {
 public:
  ExtentList() = default;
  ExtentList(const ExtentList&) = delete;
  ExtentList& operator=(const ExtentList&) = delete;
  ~ExtentList() { Clear(); }

  ExtentNode* Head() const { return m_Head.get(); }
  size_t Count() const { return m_Count; }
  void Clear();

 private:
  friend ExtentNode* AppendExtentNode(ExtentList& list, uint64_t startSector, uint64_t sectorCount,
                                      bool sparse);
  std::unique_ptr<ExtentNode> m_Head;
  ExtentNode* m_Tail = nullptr;
  size_t m_Count = 0;
};
