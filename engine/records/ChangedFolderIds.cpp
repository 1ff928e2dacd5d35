#include "engine/records/ChangedFolderIds.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_ChangedFolderIdsMutex;
std::vector<uint32_t> g_ChangedFolderIds;

}  // namespace

void AppendChangedFolderId(uint32_t id) {
  std::lock_guard lock(g_ChangedFolderIdsMutex);
  g_ChangedFolderIds.push_back(id);
}

std::vector<uint32_t> TakeChangedFolderIds() {
  std::lock_guard lock(g_ChangedFolderIdsMutex);
  return std::exchange(g_ChangedFolderIds, {});
}

void FreeChangedFolderIds() {
  std::lock_guard lock(g_ChangedFolderIdsMutex);
  g_ChangedFolderIds.clear();
  g_ChangedFolderIds.shrink_to_fit();
}
