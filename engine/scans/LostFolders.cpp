#include "engine/scans/LostFolders.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/worker/ScanBar.h"
#include "engine/records/ScanState.h"

ScanEnd MoveLostFolders(ScanJob& job, uint32_t rootId, int16_t partition, uint32_t& moved,
                        bool showDetail) {
  moved = 0;
  ScanObserver& ui = job.observer;
  ScanBar bar(ui);

  // Folders of this file system by id; the list holds one record per id and partition.
  std::unordered_map<uint32_t, FolderRecord*> byId;
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next)
    if (f->partition == partition) byId.emplace(f->id, f);

  const uint32_t total = g_ScanState.folderCount.load(std::memory_order_relaxed);
  std::vector<FolderRecord*> lost;
  std::unordered_map<FolderRecord*, uint8_t> state;  // 1 on the current chain, 2 reaches the top
  ScanEnd end = ScanEnd::Finished;
  uint32_t n = 0;
  char text[64];
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    if (f->parentId == rootId || f->partition != partition || f->id == kLostFolderId) continue;
    if (!job.control.Checkpoint()) return ScanEnd::Cancelled;
    if (job.control.StopRequested()) {
      end = ScanEnd::Stopped;
      break;
    }
    if (f->parentId != kLostFolderId && !byId.count(f->parentId)) {
      lost.push_back(f);
      state[f] = 2;
    }
    ++n;
    // The detail text follows the bar, so a large list does not flood the page.
    if (showDetail && (bar.Changed(n, total) || n == total)) {
      std::snprintf(text, sizeof text, kAssigningLostFoldersFormat, static_cast<int>(n),
                    static_cast<int>(total));
      ui.OnDetailText(text);
    }
    bar.Set(n, total);
  }

  // A parent chain that loops never reaches the top, and a reader following it would never end:
  // the folder that closes the loop goes under "Lost" too.
  std::vector<FolderRecord*> chain;
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    if (f->partition != partition || state.count(f)) continue;
    chain.clear();
    FolderRecord* cur = f;
    for (;;) {
      chain.push_back(cur);
      state[cur] = 1;
      const uint32_t p = cur->parentId;
      if (p == rootId || p == kLostFolderId || cur->id == kLostFolderId) break;
      auto it = byId.find(p);
      if (it == byId.end()) break;  // a missing parent not visited (stopped): the chain ends
      auto st = state.find(it->second);
      if (st != state.end() && st->second == 2) break;
      if (st != state.end() && st->second == 1) {
        lost.push_back(cur);
        break;
      }
      cur = it->second;
    }
    for (FolderRecord* c : chain) state[c] = 2;
  }

  // Re-sort: each lost folder is taken off and inserted again with the parent "Lost", which puts
  // it at the end of the list. A lost folder that is already the last record goes first, so it
  // keeps its place before the others.
  std::stable_partition(lost.begin(), lost.end(),
                        [](FolderRecord* f) { return f == g_ScanState.folderList.tail; });
  for (FolderRecord* f : lost) {
    NewFolder again;
    again.ansiName = f->ansiName.View();
    again.wideName = f->wideName.View();
    again.deleted = f->deleted;
    again.parentId = kLostFolderId;
    again.id = f->id;
    again.locator = f->locator;
    again.modified = f->modified;
    again.created = f->created;
    again.accessed = f->accessed;
    again.partition = f->partition;
    UnlinkFolderRecord(*f);
    AddFolderRecord(again);
  }
  moved = static_cast<uint32_t>(lost.size());
  NameNamelessFolders(rootId, partition);
  MoveLostFiles(rootId, partition);
  return end;
}

void NameNamelessFolders(uint32_t rootId, int16_t partition) {
  RecordArena& arena = g_ScanState.folderList.Arena();
  for (FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    if (f->partition != partition || f->id == kLostFolderId) continue;
    if (!f->ansiName.View().empty() || !f->wideName.View().empty()) continue;
    const std::string name = "Dir" + std::to_string(f->id);
    // FAT folders carry 8-bit names, NTFS folders UTF-16 ones.
    if (rootId == kNtfsRootId) {
      const std::u16string wide(name.begin(), name.end());
      f->wideName = arena.CopyName(std::u16string_view(wide));
      f->ansiName = {};
    } else {
      f->ansiName = arena.CopyName(std::string_view(name));
      f->wideName = {};
    }
  }
}

uint32_t MoveLostFiles(uint32_t rootId, int16_t partition) {
  // A file belongs to the chosen file system whatever the partition of its parent folder, so
  // the folders of every partition count as parents.
  std::unordered_set<uint32_t> folderIds;
  for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) folderIds.insert(f->id);
  const auto orphan = [&](const FileRecord& r) {
    return r.parentId != rootId && r.parentId != kLostFolderId && !folderIds.count(r.parentId);
  };
  bool any = false;
  for (const FileRecord* r = g_ScanState.fileList.head; r && !any; r = r->next) any = orphan(*r);
  if (!any) return 0;
  if (!FindFolderRecord(kLostFolderId, partition)) {
    NewFolder lost;
    if (rootId == kNtfsRootId)
      lost.wideName = u"Lost";
    else
      lost.ansiName = "Lost";
    lost.parentId = rootId;
    lost.id = kLostFolderId;
    lost.partition = partition;
    AddFolderRecord(lost);
  }
  return static_cast<uint32_t>(MoveFilesToParent(orphan, kLostFolderId));
}
