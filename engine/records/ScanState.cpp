#include "engine/records/ScanState.h"

#include <algorithm>

constinit ScanState g_ScanState;

constinit std::atomic<int32_t> g_FormattedMode{0};
constinit std::atomic<int32_t> g_PartitionMode{0};
constinit std::atomic<int32_t> g_PartitionPass{0};
constinit std::atomic<int32_t> g_CreateImageMode{0};
constinit std::atomic<int32_t> g_LogLoaded{0};
constinit std::atomic<int32_t> g_TreeMode{0};

void ScanState::SetFileSystemName(std::string_view name) {
  fileSystemNameLength_ = std::min(name.size(), fileSystemName_.size() - 1);
  std::copy_n(name.begin(), fileSystemNameLength_, fileSystemName_.begin());
  fileSystemName_[fileSystemNameLength_] = 0;
}

void ScanState::SetLastShownName(std::u16string_view name) {
  std::lock_guard lock(lastNameMutex_);
  const size_t n = std::min(name.size(), lastShownName_.size() - 1);
  std::copy_n(name.begin(), n, lastShownName_.begin());
  lastShownName_[n] = 0;
  lastShownLength_ = static_cast<uint32_t>(n);
}

std::u16string ScanState::LastShownName() const {
  std::lock_guard lock(lastNameMutex_);
  return std::u16string(lastShownName_.data(), lastShownLength_);
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
  s.analysisPage = nullptr;
  s.scanThread.reset();
  s.totalSize = 0;
  s.chosenFileSystem = 0;
  s.geometry.fill(0);
  s.SetFileSystemName({});
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
