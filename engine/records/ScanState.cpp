#include "engine/records/ScanState.h"

#include <algorithm>

constinit ScanState g_ScanState;

constinit std::atomic<int32_t> g_FormattedMode{0};
constinit std::atomic<int32_t> g_PartitionMode{0};
constinit std::atomic<int32_t> g_PartitionPass{0};
constinit std::atomic<int32_t> g_CreateImageMode{0};
constinit std::atomic<int32_t> g_LogLoaded{0};
constinit std::atomic<int32_t> g_TreeMode{0};

void ScanState::SetLastShownName(std::u16string_view name) {
  std::lock_guard lock(m_LastNameMutex);
  const size_t n = std::min(name.size(), m_LastShownName.size() - 1);
  std::copy_n(name.begin(), n, m_LastShownName.begin());
  m_LastShownName[n] = 0;
  m_LastShownLength = static_cast<uint32_t>(n);
}

std::u16string ScanState::LastShownName() const {
  std::lock_guard lock(m_LastNameMutex);
  return std::u16string(m_LastShownName.data(), m_LastShownLength);
}

void FreeFolderList() {
  g_ScanState.folderList.Free();
  g_ScanState.folderCount = 0;
}

void FreeFileList() {
  g_ScanState.fileList.Free();
  g_ScanState.fileCount = 0;
}

void FreeFoundLists() {
  g_ScanState.foundFileList.Free();
  g_ScanState.foundDirList.Free();
  g_ScanState.foundFileCount = 0;
  g_ScanState.foundDirCount = 0;
}

void LendFoundFileMemoryBefore(const FoundFileRecord& next) {
  // A found file's name is copied into the arena before its record.
  const void* first = next.wideName.IsSet() ? static_cast<const void*>(next.wideName.CStr() - 2)
                                            : static_cast<const void*>(&next);
  g_ScanState.foundFileList.arena.HandOverChunksBefore(first, g_ScanState.fileList.Arena());
}

void FreePartitionList() {
  g_ScanState.partitionList.Free();
  g_ScanState.partitionCount = 0;
}

void ClearTemporaryLists() {
  FreeFoundLists();
  FreePartitionList();
  g_ScanState.indxCount = 0;
  g_ScanState.candidateCount = 0;
}

void ResetScanState() {
  ScanState& s = g_ScanState;
  FreeFolderList();
  FreeFileList();
  ClearTemporaryLists();
  s.attrListRefs.fill(0);
  s.attrListRefCount = 0;
  s.totalSize = 0;
  s.chosenFileSystem = 0;
  s.fileSystem = FileSystemKind::None;
  s.recoveryMode = 0;
  s.partitionStyle = 0;
  s.SetLastShownName({});
}

void ResetScanFlags() {
  g_FormattedMode = 0;
  g_PartitionMode = 0;
  g_PartitionPass = 0;
  g_CreateImageMode = 0;
  g_LogLoaded = 0;
  g_TreeMode = 0;
}
