#include "results/SearchWalk.h"

#include "engine/records/RecordName.h"
#include "engine/records/ScanState.h"

namespace {

constexpr uint32_t kCheckpointEvery = 512;

uint32_t RootIdOf(FileSystemKind fs) {
  return fs == FileSystemKind::Ntfs ? kNtfsRootId : 0;
}

// A tree item that gives a path: set, and not the root (whose path is empty).
bool HasPath(uintptr_t item, const SearchScope& scope) {
  return item != 0 && item != scope.rootItem;
}

}  // namespace

uintptr_t FileFolderItem(const FileRecord& file, const SearchScope& scope) {
  if (file.parentId == RootIdOf(scope.fs)) return scope.rootItem;
  const FolderRecord* f = g_ScanState.folderList.FindByIdentity(file.parentId, scope.chosenFs);
  return f ? f->treeItem : 0;
}

bool SearchRecords(const SearchCriteria& criteria, const SearchScope& scope, ScanControl& control,
                   const std::function<void(const SearchMatch&)>& found) {
  uint32_t visited = 0;
  auto checkpoint = [&] { return visited++ % kCheckpointEvery != 0 || control.Checkpoint(); };
  if (!criteria.sizeOn) {
    for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
      if (!checkpoint()) return false;
      if (f->partition != scope.chosenFs || !HasPath(f->treeItem, scope)) continue;
      if (PassesSearch(*f, UpperSearchText(RecordName(*f)), criteria, scope.fs))
        found({.folder = f, .treeItem = f->treeItem});
    }
  }
  // Files come grouped by folder: the folder's item is looked up once per group.
  uint32_t lastParent = 0;
  uintptr_t lastItem = 0;
  bool known = false;
  for (FileRecord* file = g_ScanState.fileList.head; file; file = file->next) {
    if (!checkpoint()) return false;
    if (criteria.sizeOn && !SizeInRange(file->size, criteria.sizeFrom, criteria.sizeTo)) continue;
    if (!known || file->parentId != lastParent) {
      lastParent = file->parentId;
      lastItem = file->parentId == RootIdOf(scope.fs) ? 0 : FileFolderItem(*file, scope);
      known = true;
    }
    if (!HasPath(lastItem, scope)) continue;
    if (PassesSearch(*file, UpperSearchText(RecordName(*file)), criteria, scope.fs))
      found({.file = file, .treeItem = lastItem});
  }
  return control.Checkpoint();
}
