#include "engine/records/RecordBuilders.h"

#include "engine/records/ScanState.h"

namespace {

// Exactly one name is kept: the 8-bit one when given, else the UTF-16 one.
template <class R>
bool CopyNames(RecordArena& arena, R& r, std::string_view ansi, std::u16string_view wide) {
  r.ansiName = {};
  r.wideName = {};
  if (!ansi.empty()) {
    r.ansiName = arena.CopyName(ansi);
    return r.ansiName.IsSet();
  }
  r.wideName = arena.CopyName(wide);
  return r.wideName.IsSet();
}

void Bump(std::atomic<uint32_t>& counter) {
  counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

}  // namespace

FileRecord* AddFileRecord(const NewFile& f) {
  ScanState& s = g_ScanState;
  FileRecord values;
  if (!CopyNames(s.fileList.Arena(), values, f.ansiName, f.wideName)) return nullptr;
  values.deleted = f.deleted;
  values.kind = 'F';
  values.modified = f.modified;
  values.created = f.created;
  values.accessed = f.accessed;
  values.size = f.size;
  values.parentId = f.parentId;
  values.id = f.id;
  values.locator = f.locator;
  values.selected = 'n';
  const uint32_t before = s.fileCount.load(std::memory_order_relaxed);
  FileRecord* r = s.fileList.Insert(values, before, before + 1);
  if (r) s.fileCount.store(before + 1, std::memory_order_relaxed);
  return r;
}

FolderRecord* AddFolderRecord(const NewFolder& f) {
  ScanState& s = g_ScanState;
  FolderRecord values;
  // Names are copied before the duplicate test; a dropped folder leaves its copy in the arena
  // until the list is freed, which costs less than searching twice.
  if (!CopyNames(s.folderList.Arena(), values, f.ansiName, f.wideName)) return nullptr;
  values.deleted = f.deleted;
  values.modified = f.modified;
  values.created = f.created;
  values.accessed = f.accessed;
  values.parentId = f.parentId;
  values.id = f.id;
  values.locator = f.locator;
  values.partition = f.partition;
  const uint32_t before = s.folderCount.load(std::memory_order_relaxed);
  FolderRecord* stored = nullptr;
  if (s.folderList.Add(values, before + 1, &stored) == FolderList::AddResult::Inserted)
    s.folderCount.store(before + 1, std::memory_order_relaxed);
  return stored;
}

void SetFolderParentInPlace(FolderRecord& f, uint32_t parentId) {
  g_ScanState.folderList.SetParentInPlace(f, parentId);
}

void UnlinkFolderRecord(FolderRecord& f) {
  g_ScanState.folderList.Unlink(f);
  const uint32_t n = g_ScanState.folderCount.load(std::memory_order_relaxed);
  if (n) g_ScanState.folderCount.store(n - 1, std::memory_order_relaxed);
}

size_t MoveFilesToParent(const std::function<bool(const FileRecord&)>& moves, uint32_t parentId) {
  return g_ScanState.fileList.MoveToParent(moves, parentId);
}

FolderRecord* FindFolderRecord(uint32_t id, int16_t partition) {
  return g_ScanState.folderList.FindByIdentity(id, partition);
}

void RenameFileRecord(FileRecord& f, std::u16string_view wide, std::string_view ansi) {
  RecordArena& arena = g_ScanState.fileList.Arena();
  if (f.ansiName.IsSet())
    f.ansiName = arena.CopyName(ansi);
  else
    f.wideName = arena.CopyName(wide);
}

void RenameFolderRecord(FolderRecord& f, std::u16string_view wide, std::string_view ansi) {
  RecordArena& arena = g_ScanState.folderList.Arena();
  if (f.ansiName.IsSet())
    f.ansiName = arena.CopyName(ansi);
  else
    f.wideName = arena.CopyName(wide);
}

FoundFileRecord* AddFoundFileRecord(RecordList<FoundFileRecord>& list, const NewFoundFile& f) {
  WideName name = list.arena.CopyName(f.wideName);
  if (!name.IsSet()) return nullptr;
  FoundFileRecord* r = list.AppendNew();
  if (!r) return nullptr;
  r->wideName = name;
  r->deleted = f.deleted;
  r->modified = f.modified;
  r->created = f.created;
  r->accessed = f.accessed;
  r->foundSequence = g_ScanState.foundFileCount.load(std::memory_order_relaxed);
  r->size = f.size;
  r->parentId = f.parentId;
  r->recordNumber = f.recordNumber;
  r->recordSector = f.recordSector;
  Bump(g_ScanState.foundFileCount);
  return r;
}

FoundDirectoryRecord* AddFoundDirectoryRecord(RecordList<FoundDirectoryRecord>& list,
                                              const NewFoundDirectory& d) {
  WideName name = list.arena.CopyName(d.wideName);
  if (!name.IsSet()) return nullptr;
  FoundDirectoryRecord* r = list.AppendNew();
  if (!r) return nullptr;
  r->wideName = name;
  r->deleted = d.deleted;
  r->modified = d.modified;
  r->created = d.created;
  r->accessed = d.accessed;
  r->parentId = d.parentId;
  r->directoryId = d.directoryId;
  r->recordSector = d.recordSector;
  r->indexLcn = d.indexLcn;
  r->assignedPartition = d.assignedPartition;
  return r;
}

FoundDirectoryRecord* AddFoundDirectoryRecordCounted(RecordList<FoundDirectoryRecord>& list,
                                                     const NewFoundDirectory& d) {
  FoundDirectoryRecord* r = AddFoundDirectoryRecord(list, d);
  if (r) Bump(g_ScanState.foundDirCount);
  return r;
}

NtfsBootCandidate* AddNtfsBootCandidate(RecordList<NtfsBootCandidate>& list,
                                        const NtfsBootCandidate& values) {
  NtfsBootCandidate* r = list.AppendNew();
  if (!r) return nullptr;
  *r = values;
  r->next = nullptr;
  Bump(g_ScanState.candidateCount);
  return r;
}

FatBootCandidate* AddFatBootCandidate(RecordList<FatBootCandidate>& list,
                                      const FatBootCandidate& values,
                                      std::u16string_view typeText) {
  FatBootCandidate* r = list.AppendNew();
  if (!r) return nullptr;
  *r = values;
  r->next = nullptr;
  CopyShortText(r->typeText, typeText);
  Bump(g_ScanState.candidateCount);
  return r;
}

IndxBlockRecord* AddIndxBlockRecord(RecordList<IndxBlockRecord>& list, uint64_t sector,
                                    uint32_t directoryId, uint32_t vcn, uint32_t mark) {
  IndxBlockRecord* r = list.AppendNew();
  if (!r) return nullptr;
  r->sector = sector;
  r->directoryId = directoryId;
  r->vcn = vcn;
  r->mark = mark;
  Bump(g_ScanState.indxCount);
  return r;
}

PartitionRecord* AddPartitionRecord(RecordList<PartitionRecord>& list,
                                    const PartitionRecord& values, std::u16string_view name) {
  PartitionRecord* r = list.AppendNew();
  if (!r) return nullptr;
  *r = values;
  r->next = nullptr;
  CopyShortText(r->name, name);
  return r;
}

uint32_t SystemFileRecordNumber(std::u16string_view name) {
  struct Entry {
    std::u16string_view name;
    uint32_t number;
  };
  static constexpr Entry kTable[] = {
      {u"$MFT", 1},    {u"$MFTMirr", 1}, {u"$LogFile", 2}, {u"$Volume", 3}, {u"$AttrDef", 4},
      {u"$Bitmap", 6}, {u"$Boot", 7},    {u"$BadClus", 8}, {u"$Secure", 9}, {u"$UpCase", 10}};
  for (const Entry& e : kTable)
    if (e.name == name) return e.number;
  return 0;
}
