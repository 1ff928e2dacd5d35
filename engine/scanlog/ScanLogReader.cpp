#include "engine/scanlog/ScanLogReader.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "engine/records/RecordBuilders.h"
#include "engine/scanlog/ScanLogFormat.h"
#include "engine/scanlog/ScanLogGlobals.h"
#include "engine/records/ScanState.h"
#include "platform/ByteOrder.h"
#include "platform/TextCodec.h"
#include "prompts/UserPrompts.h"
#include "storage/SourceGlobals.h"

namespace {

enum class Step { GoOn, Stop, Cancel };
enum class Walk { Done, Invalid, Stopped, Cancelled };

struct EntryNames {
  std::u16string wide;
  std::string ansi;
};

using Fixed = std::span<const std::byte>;

TimeHalves TimeAt(Fixed f, size_t offset) {
  return {bo::LoadLe32(f, offset), bo::LoadLe32(f, offset + 4)};
}

// One section: its count, then that many entries of a fixed part and two short names. fn sees
// each entry and says whether to go on.
template <size_t FixedBytes, class Fn>
Walk ReadSection(LogCursor& c, Fn&& fn) {
  uint32_t count = 0;
  if (!c.Le32(count)) return Walk::Invalid;
  // Each entry takes at least its fixed part and two count bytes.
  if (count > c.Remaining() / (FixedBytes + 2)) return Walk::Invalid;
  std::array<std::byte, FixedBytes> fixed{};
  EntryNames names;
  for (uint32_t i = 0; i < count; ++i) {
    std::span<const std::byte> b;
    if (!c.Take(FixedBytes, b)) return Walk::Invalid;
    std::copy(b.begin(), b.end(), fixed.begin());
    if (!c.ShortWide(names.wide) || !c.ShortAnsi(names.ansi)) return Walk::Invalid;
    switch (fn(Fixed(fixed), names)) {
      case Step::GoOn:
        break;
      case Step::Stop:
        return Walk::Stopped;
      case Step::Cancel:
        return Walk::Cancelled;
    }
  }
  return Walk::Done;
}

NewFoundDirectory FoundDirectoryOf(Fixed f, const EntryNames& n) {
  NewFoundDirectory d;
  d.wideName = n.wide;
  d.accessed = TimeAt(f, 0);
  d.created = TimeAt(f, 8);
  d.assignedPartition = bo::LoadLe32(f, 16);
  d.modified = TimeAt(f, 20);
  d.indexLcn = bo::LoadLe32(f, 28);
  d.parentId = bo::LoadLe32(f, 32);
  d.recordSector = bo::LoadLe32(f, 36);  // the high half repeats indexLcn
  d.directoryId = bo::LoadLe32(f, 44);
  d.deleted = bo::Load8(f, 48);
  return d;
}

NewFoundFile FoundFileOf(Fixed f, const EntryNames& n) {
  NewFoundFile r;
  r.wideName = n.wide;
  r.accessed = TimeAt(f, 0);
  r.created = TimeAt(f, 8);
  // foundSequence (16) is given again by the builder.
  r.modified = TimeAt(f, 20);
  r.size = bo::LoadLe64(f, 28);
  r.parentId = bo::LoadLe32(f, 36);
  r.recordSector = bo::LoadLe32(f, 40);
  r.recordNumber = bo::LoadLe32(f, 48);
  r.deleted = bo::Load8(f, 52);
  return r;
}

NewFolder FolderOf(Fixed f, const EntryNames& n) {
  NewFolder r;
  r.ansiName = n.ansi;
  r.wideName = n.wide;
  // treeItem (0), selected (22), kind (48) mean nothing in a new run.
  r.accessed = TimeAt(f, 4);
  r.created = TimeAt(f, 12);
  r.partition = static_cast<int16_t>(bo::LoadLe16(f, 20));
  r.modified = TimeAt(f, 24);
  r.parentId = bo::LoadLe32(f, 32);
  r.locator = bo::LoadLe32(f, 36);
  r.id = bo::LoadLe32(f, 44);
  r.deleted = bo::Load8(f, 49);
  return r;
}

NewFile FileOf(Fixed f, const EntryNames& n) {
  NewFile r;
  r.ansiName = n.ansi;
  r.wideName = n.wide;
  // sequence (16), selected (44), kind (52) are given again by the builder.
  r.accessed = TimeAt(f, 0);
  r.created = TimeAt(f, 8);
  r.modified = TimeAt(f, 20);
  r.size = bo::LoadLe64(f, 28);
  r.parentId = bo::LoadLe32(f, 36);
  r.locator = bo::LoadLe32(f, 40);
  r.id = bo::LoadLe32(f, 48);
  r.deleted = bo::Load8(f, 53);
  return r;
}

// Walks the sections in file order, handing each entry to the visitor's four calls.
template <class V>
Walk WalkSections(LogCursor& c, bool foundSections, bool resultSections, V& v) {
  auto run = [](Walk w) { return w != Walk::Done; };
  Walk w = Walk::Done;
  if (foundSections) {
    w = ReadSection<kFoundDirFixedBytes>(
        c, [&](Fixed f, const EntryNames& n) { return v.FoundDirectory(f, n, c); });
    if (run(w)) return w;
    w = ReadSection<kFoundFileFixedBytes>(
        c, [&](Fixed f, const EntryNames& n) { return v.FoundFile(f, n, c); });
    if (run(w)) return w;
  }
  if (resultSections) {
    w = ReadSection<kFolderFixedBytes>(
        c, [&](Fixed f, const EntryNames& n) { return v.Folder(f, n, c); });
    if (run(w)) return w;
    w = ReadSection<kFileFixedBytes>(c,
                                     [&](Fixed f, const EntryNames& n) { return v.File(f, n, c); });
  }
  return w;
}

struct CheckOnly {
  Step FoundDirectory(Fixed, const EntryNames&, const LogCursor&) { return Step::GoOn; }
  Step FoundFile(Fixed, const EntryNames&, const LogCursor&) { return Step::GoOn; }
  Step Folder(Fixed, const EntryNames&, const LogCursor&) { return Step::GoOn; }
  Step File(Fixed, const EntryNames&, const LogCursor&) { return Step::GoOn; }
};

class Builder {
 public:
  explicit Builder(ScanJob& job) : m_Job(job) {}

  Step FoundDirectory(Fixed f, const EntryNames& n, const LogCursor& c) {
    AddFoundDirectoryRecordCounted(g_ScanState.foundDirList, FoundDirectoryOf(f, n));
    return After(n, c);
  }
  Step FoundFile(Fixed f, const EntryNames& n, const LogCursor& c) {
    const NewFoundFile r = FoundFileOf(f, n);
    AddFoundFileRecord(g_ScanState.foundFileList, r);
    AddSize(r.size);
    return After(n, c);
  }
  Step Folder(Fixed f, const EntryNames& n, const LogCursor& c) {
    AddFolderRecord(FolderOf(f, n));
    return After(n, c);
  }
  Step File(Fixed f, const EntryNames& n, const LogCursor& c) {
    const NewFile r = FileOf(f, n);
    if (!(m_FirstFile && IsOldLostPlaceholder(r))) {
      AddFileRecord(r);
      AddSize(r.size);
    }
    m_FirstFile = false;
    return After(n, c);
  }

 private:
  static void AddSize(uint64_t size) {
    g_ScanState.totalSize.store(g_ScanState.totalSize.load(std::memory_order_relaxed) + size,
                                std::memory_order_relaxed);
  }

  Step After(const EntryNames& n, const LogCursor& c) {
    m_Job.ReportCounts(ScanCounts::Lists,
                       [&] { return n.ansi.empty() ? n.wide : FatShortNameToUtf16(n.ansi); });
    const int bar =
        c.Size() ? static_cast<int>(std::min<uint64_t>(100, c.Position() * 100 / c.Size())) : 100;
    if (bar != m_LastBar) {
      m_LastBar = bar;
      m_Job.observer.OnBar(bar);
    }
    if (!m_Job.control.Checkpoint()) return Step::Cancel;
    if (m_Job.control.StopRequested()) return Step::Stop;
    return Step::GoOn;
  }

  // Logs of earlier versions begin an NTFS dump's file section with a placeholder: the file
  // "Lost" (parent 5, id 0, no size, no FILE record) that stood beside the folder "Lost". No
  // found file looks like it (the only record 0 is named $MFT), so it is left out.
  static bool IsOldLostPlaceholder(const NewFile& r) {
    return r.ansiName.empty() && r.wideName == u"Lost" && r.parentId == kNtfsRootId && r.id == 0 &&
           r.size == 0 && r.locator == 0 && !IsFatKind(g_FileSystemName);
  }

  ScanJob& m_Job;
  int m_LastBar = -1;
  bool m_FirstFile = true;
};

}  // namespace

bool CheckScanLogRecords(ScanLogSource& source, uint64_t offset, bool foundSections) {
  if (offset > source.Size()) return false;
  LogCursor c(source, offset);
  CheckOnly v;
  // The writer ends the file with the last file entry; anything after it means the counts
  // were read from the wrong place.
  return WalkSections(c, foundSections, true, v) == Walk::Done && c.Remaining() == 0;
}

ScanEnd LoadScanLogRecordsFrom(ScanLogSource& source, uint64_t offset, ScanJob& job) {
  const bool foundLists = g_ScanState.partitionStyle == 1 && g_PartitionMode.load() != 0;
  // A load replaces the lists it fills, so a failure can leave them empty rather than mixed.
  auto clear = [foundLists] {
    if (foundLists) {
      FreeFoundLists();
    } else {
      FreeFolderList();
      FreeFileList();
    }
  };
  clear();
  const uint64_t sizeBefore = g_ScanState.totalSize.load();
  Walk w = Walk::Invalid;
  if (offset <= source.Size()) {
    LogCursor c(source, offset);
    Builder v(job);
    w = WalkSections(c, foundLists, !foundLists, v);
    if (w == Walk::Done && !foundLists && c.Remaining() != 0) w = Walk::Invalid;
  }
  if (foundLists) g_LogLoaded = 0;
  switch (w) {
    case Walk::Done:
      return ScanEnd::Finished;
    case Walk::Stopped:
      return ScanEnd::Stopped;
    case Walk::Cancelled:
      return ScanEnd::Cancelled;
    case Walk::Invalid:
      break;
  }
  clear();
  g_ScanState.totalSize = sizeBefore;
  Prompts().ViewMsgBox(kLogInvalidText);
  return ScanEnd::Failed;
}

ScanEnd LoadScanLogRecords(ScanJob& job) {
  std::unique_ptr<ScanLogSource> source = OpenScanLogFile(g_LogPath);
  if (!source) {
    Prompts().ViewMsgBox(kLogUnableToOpenText);
    return ScanEnd::Failed;
  }
  return LoadScanLogRecordsFrom(*source, g_LogRecordOffset, job);
}
