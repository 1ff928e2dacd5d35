// Test driver: runs one scan headlessly on an image file and prints what it found.
//
//   scan-dump --image FILE --fs NTFS|FAT12|FAT16|FAT32 --mode deleted|formatted|partition
//             [--start S] [--end E] [--bps N] [--save-log LOG] [--choose N [--save-results-log LOG]]
//             [--extract DIR [--only-deleted] [--only-name NAME]] [--save DIR]
//   scan-dump --vdisk FILE --fs ... (the options of --image but --bps)
//   scan-dump --load-log LOG [--image FILE] [--extract DIR [--only-deleted] [--only-name NAME]]
//
// --save-log writes the scan's scan log (as the results page saves it) after the scan;
// --load-log restores the lists from a scan log instead of scanning and prints them the same way;
// with --image the image stands in for the disk the log names, as the disk chosen before Load Log.
// The image stands in for "\\.\PhysicalDrive0"; the source globals are set as the source page
// sets them for a volume at sectors S (its first) to E (one past its last; the whole file when
// omitted). Questions are answered No, bad sectors are skipped, notices go to stderr as
// "notice: TEXT".
// --vdisk reads a virtual-disk file instead, chosen as the virtual-path dialog chooses it (a name
// ending in ".vmdk" is taken as VMDK); the whole disk is the source, in 512-byte sectors. A
// refused file prints the dialog's message on stderr and exits 1. Output, sorted:
//   kind<TAB>deleted<TAB>size<TAB>id<TAB>path      (kind D or F, deleted y or n)
//   folders N files M
// Paths run from the root with "/" separators; folders under "Lost" print as Lost/...; a record
// whose parent chain does not reach the root prints "?<id>/" where the chain broke. Only the
// folders of the chosen file system print, as the results page shows them.
// --save DIR copies every found file as the results page's Save does: the results tree filled
// from the folder list, every folder taken, and the copy walk over that snapshot under the
// default saving settings; it prints the end text and exits 5 unless the copy was complete.
// --extract DIR writes every found file (only the deleted ones with --only-deleted, only those
// named NAME with --only-name) through the program's extraction to DIR/<path>; a file not written
// whole is named on stderr (a copy error is answered Skip and shown as "copy error: skip") and the
// exit code is 4.
//
// --mode partition runs the range search (first pass) and prints one line per found file system,
//   fs<TAB>N<TAB>name<TAB>start<TAB>end      (end one past the file system's last sector)
// and with --choose N it runs the second pass for file system N instead (taking its geometry, as
// the found-file-systems page does), prints its tree and extracts it with --extract.
// --save-log then saves the log between the passes, as the found-file-systems page does, and
// --load-log of that log prints the same lines; --save-results-log saves the log after the second
// pass, as the results page does.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/scans/FoundFileSystemChoice.h"
#include "engine/records/RecordBuilders.h"
#include "engine/records/ResultLists.h"
#include "engine/worker/ScanJob.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/scanlog/ScanLogWriter.h"
#include "engine/scans/ScanSelect.h"
#include "engine/records/ScanState.h"
#include "platform/DeviceNamespace.h"
#include "platform/TextCodec.h"
#include "storage/SourceGlobals.h"
#include "storage/VirtualDiskProbe.h"
#include "storage/VolumeGeometry.h"
#include "tests/tools/ExtractFound.h"
#include "saving/ProgramState.h"
#include "saving/copywalk/SaveData.h"
#include "saving/extract/CopyCounters.h"
#include "saving/settings/SettingsAdmission.h"
#include "widgets/FolderTreeModel.h"

namespace {

struct Options {
  std::string image;
  std::string vdisk;
  std::string fs;
  std::string mode = "deleted";
  int64_t start = 0;
  int64_t end = -1;
  int32_t bps = 512;
  std::string saveLog;
  std::string loadLog;
  std::string saveResultsLog;  // partition mode: the log saved after the second pass
  std::string extractDir;
  std::string saveDir;
  bool onlyDeleted = false;
  std::string onlyName;
  int32_t choose = 0;  // partition mode: the file system of the second pass, 0 none
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(
      stderr,
      "scan-dump: %s\nusage: scan-dump --image FILE --fs NTFS|FAT12|FAT16|FAT32 "
      "--mode deleted|formatted|partition [--start S] [--end E] [--bps N] [--save-log LOG]\n"
      "       [--extract DIR [--only-deleted] [--only-name NAME]] [--save DIR]\n"
      "       scan-dump --load-log LOG [--image FILE] [--extract DIR [--only-deleted] "
      "[--only-name NAME]]\n",
      why);
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value after " + a).c_str());
      return argv[++i];
    };
    if (a == "--image")
      o.image = value();
    else if (a == "--vdisk")
      o.vdisk = value();
    else if (a == "--fs")
      o.fs = value();
    else if (a == "--mode")
      o.mode = value();
    else if (a == "--start")
      o.start = std::strtoll(value().c_str(), nullptr, 10);
    else if (a == "--end")
      o.end = std::strtoll(value().c_str(), nullptr, 10);
    else if (a == "--extract")
      o.extractDir = value();
    else if (a == "--save")
      o.saveDir = value();
    else if (a == "--only-deleted")
      o.onlyDeleted = true;
    else if (a == "--only-name")
      o.onlyName = value();
    else if (a == "--bps")
      o.bps = static_cast<int32_t>(std::strtol(value().c_str(), nullptr, 10));
    else if (a == "--save-log")
      o.saveLog = value();
    else if (a == "--load-log")
      o.loadLog = value();
    else if (a == "--save-results-log")
      o.saveResultsLog = value();
    else if (a == "--choose")
      o.choose = static_cast<int32_t>(std::strtol(value().c_str(), nullptr, 10));
    else
      Usage(("unknown option " + a).c_str());
  }
  if (!o.loadLog.empty()) return o;
  if (o.image.empty() == o.vdisk.empty() || o.fs.empty())
    Usage("--fs and one of --image and --vdisk are required");
  if (!o.vdisk.empty() && o.bps != 512) Usage("a virtual disk has 512-byte sectors");
  if (o.mode != "deleted" && o.mode != "formatted" && o.mode != "partition")
    Usage("--mode must be deleted, formatted or partition");
  if (o.bps < 512 || (o.bps & (o.bps - 1)) != 0) Usage("--bps must be a power of two >= 512");
  if (o.choose < 0 || (o.choose && o.mode != "partition"))
    Usage("--choose N needs --mode partition");
  if (!o.saveResultsLog.empty() && o.choose == 0) Usage("--save-results-log needs --choose N");
  return o;
}

std::string NameOf(const auto& record) {
  if (record.ansiName.IsSet())
    return Utf16ToUtf8(FatShortNameToUtf16(std::string(record.ansiName.View())));
  return Utf16ToUtf8(record.wideName.View());
}

// Builds "a/b/c" for a record with parent parentId on partition; rootId ends the walk.
class PathMaker {
 public:
  explicit PathMaker(uint32_t rootId) : m_RootId(rootId) {}

  // Paths are remembered per folder: a large volume has many files per folder.
  const std::string& FolderPathOf(uint32_t parentId, int16_t partition) {
    const uint64_t key = (uint64_t{parentId} << 16) | static_cast<uint16_t>(partition);
    auto it = m_Cache.find(key);
    if (it == m_Cache.end()) it = m_Cache.emplace(key, MakePath(parentId, partition)).first;
    return it->second;
  }

 private:
  std::string MakePath(uint32_t parentId, int16_t partition) const {
    std::vector<std::string> parts;
    uint32_t id = parentId;
    // Bounded: a cycle in damaged data ends after as many steps as there are folders.
    for (uint32_t steps = 0; id != m_RootId; ++steps) {
      const FolderRecord* f = FindFolderRecord(id, partition);
      if (!f || steps > g_ScanState.folderCount.load() + 1) {
        parts.push_back("?" + std::to_string(id));
        break;
      }
      parts.push_back(NameOf(*f));
      if (f->id == kLostFolderId) break;
      id = f->parentId;
    }
    std::string path;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) path += *it + "/";
    return path;
  }

  uint32_t m_RootId;
  std::unordered_map<uint64_t, std::string> m_Cache;
};

class PrintingObserver : public ScanObserver {};

// Prints the folder and file lists, sorted, and their counts.
void PrintLists(FileSystemKind fs) {
  const uint32_t rootId = fs == FileSystemKind::Ntfs ? kNtfsRootId : 0;
  PathMaker paths(rootId);
  std::vector<std::string> lines;
  lines.reserve(g_ScanState.folderCount.load() + g_ScanState.fileCount.load());
  auto line = [](char kind, uint8_t deleted, uint64_t size, uint32_t id, const std::string& folder,
                 const std::string& name) {
    auto number = [](std::string& l, uint64_t v) {
      char digits[24];
      l.append(digits, std::to_chars(digits, digits + sizeof digits, v).ptr);
    };
    std::string l;
    l.reserve(48 + folder.size() + name.size());
    l.push_back(kind);
    l.push_back('\t');
    l.push_back(static_cast<char>(deleted));
    l.push_back('\t');
    number(l, size);
    l.push_back('\t');
    number(l, id);
    l.push_back('\t');
    l.append(folder).append(name);
    return l;
  };
  uint32_t folders = 0, files = 0;
  const int32_t chosen = g_ScanState.chosenFileSystem.load();
  for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next) {
    if (chosen != 0 && f->partition != chosen) continue;
    ++folders;
    static const std::string kNone;
    const std::string& folder =
        f->id == kLostFolderId ? kNone : paths.FolderPathOf(f->parentId, f->partition);
    lines.push_back(line('D', f->deleted, 0, f->id, folder, NameOf(*f)));
  }
  for (const FileRecord* r = g_ScanState.fileList.head; r; r = r->next, ++files) {
    // Files carry no partition of their own; they belong to the chosen file system.
    int16_t partition = static_cast<int16_t>(g_ScanState.chosenFileSystem.load());
    lines.push_back(line('F', r->deleted, r->size, r->id,
                         paths.FolderPathOf(r->parentId, partition), NameOf(*r)));
  }
  // Byte order, as sort would give; the first sixteen bytes compared as two numbers first spare
  // most of the short string compares of a large listing.
  struct Keyed {
    uint64_t a, b;
    const std::string* line;
  };
  std::vector<Keyed> order;
  order.reserve(lines.size());
  for (const auto& l : lines) {
    uint64_t k[2] = {0, 0};
    for (size_t i = 0; i < 16; ++i) k[i / 8] = (k[i / 8] << 8) | (i < l.size() ? uint8_t(l[i]) : 0);
    order.push_back({k[0], k[1], &l});
  }
  std::sort(order.begin(), order.end(), [](const Keyed& x, const Keyed& y) {
    if (x.a != y.a) return x.a < y.a;
    if (x.b != y.b) return x.b < y.b;
    return *x.line < *y.line;
  });
  size_t bytes = 0;
  for (const auto& l : lines) bytes += l.size() + 1;
  std::string out;
  out.reserve(bytes);
  for (const Keyed& k : order) out.append(*k.line).push_back('\n');
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::printf("folders %u files %u\n", folders, files);
}

// The scan log parts: save after a scan as the results page does (style 0), or restore the lists
// from a log as Load Log and the scan thread's record reader do.
int SaveLogAfterScan(const std::string& path) {
  g_TreeMode = 2;
  return SaveScanLog(path) ? 0 : 1;
}

int SaveEveryFile(const std::string& dir) {
  g_TreeMode = 2;
  FolderTreeModel model;
  model.InitRoots(2, g_ScanState.recoveryMode, std::string());
  uint32_t rootId = 0;
  if (!FolderTreeModel::RootFolderId(rootId)) return 1;
  model.BuildFolderTree(model.RootItem(), rootId);
  const FolderWalk walk = model.TakeFolderWalk(1);
  SizeTotals totals = SizeWalk(walk, [](const FileRecord& f) {
    return AdmittedBySettings(f, g_ScanState.fileSystem);
  });
  g_CopiedBytes = 0;
  g_CopiedFileCount = 0;
  SaveDataRequest request;
  request.walk = &walk;
  request.targetPath = dir;
  request.fileSystem = g_ScanState.fileSystem;
  request.recordsAtLocator = g_FormattedMode.load() != 0 || g_PartitionMode.load() != 0;
  CopyObserver observer;
  const SaveDataOutcome outcome = SaveDataThread(request, observer);
  const std::string_view end = SaveEndText(g_CopiedBytes.load(), totals.byteTotal, outcome);
  const std::string message = WithIncompleteCount(end, outcome);
  std::fprintf(stderr, "saved %d files, %llu bytes: %s\n", totals.fileCount,
               static_cast<unsigned long long>(g_CopiedBytes.load()), message.c_str());
  return end == kSavingCompleted ? 0 : 5;
}

// What follows a scan that made the final lists: they are printed, saved as the results page saves
// them and extracted, as asked.
int AfterResults(const Options& o, ScanEnd end) {
  if (!o.saveResultsLog.empty() && SaveLogAfterScan(o.saveResultsLog) != 0) return 1;
  PrintLists(g_FileSystemName);
  if (end == ScanEnd::Failed || end == ScanEnd::Cancelled) return 1;
  if (!o.extractDir.empty() &&
      extract_found::Extract(o.extractDir, FileSystemKindText(g_FileSystemName), o.onlyDeleted,
                             o.onlyName) != 0)
    return 4;
  if (!o.saveDir.empty()) return SaveEveryFile(o.saveDir);
  return 0;
}

// After the first pass of partition recovery: the found file systems, or, with choose, the second
// pass for that one (as the found-file-systems page passes its number and takes its geometry).
int PartitionPass(const Options& o, int32_t choose, const auto& run) {
  const uint32_t found = g_ScanState.partitionCount.load();
  if (choose == 0) {
    int32_t n = 1;
    for (const PartitionRecord* r = g_ScanState.partitionList.head; r; r = r->next, ++n)
      std::printf("fs\t%d\t%s\t%llu\t%llu\n", n, Utf16ToUtf8(r->Name()).c_str(),
                  static_cast<unsigned long long>(r->startSector),
                  static_cast<unsigned long long>(r->endSector));
    return 0;
  }
  if (static_cast<uint32_t>(choose) > found) {
    std::fprintf(stderr, "scan-dump: --choose %d but %u file system(s) found\n", choose, found);
    return 1;
  }
  g_ScanState.chosenFileSystem = choose;
  g_SourceNodeText = FoundFileSystemNodeText(choose);
  TakeFoundFileSystem(choose);
  g_ScanState.fileSystem = g_FileSystemName;
  ScanThreadFn second = SelectScanThread(g_FileSystemName);
  if (!second) return 1;
  return AfterResults(o, run(second));
}

int DumpFromLog(const Options& o) {
  ResetProgramState();
  if (!o.image.empty()) MapDeviceToFile("\\\\.\\PhysicalDrive0", o.image);
  g_LogLoaded = 1;
  if (!LoadScanLogHeader(o.loadLog)) return 1;
  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  // As after Load Log: the scan chosen for the log's file system and mode reads the log's
  // records; where no scan is chosen yet, the record reader runs alone.
  ScanThreadFn scan = SelectScanThread(g_FileSystemName);
  const ScanEnd end = scan ? scan(job) : LoadScanLogRecords(job);
  // A log saved between the passes of partition recovery: the found file systems, or the second
  // pass for the one the log names, as the found-file-systems page goes on with it.
  if (end == ScanEnd::PassDone)
    return PartitionPass(o, g_ScanState.chosenFileSystem.load(),
                         [&](ScanThreadFn fn) { return fn(job); });
  return end == ScanEnd::Finished ? AfterResults(o, end) : (PrintLists(g_FileSystemName), 1);
}

}  // namespace

int main(int argc, char** argv) {
  Options o = Parse(argc, argv);
  if (!o.loadLog.empty()) return DumpFromLog(o);

  ResetProgramState();
  int64_t sectors = 0;  // one past the source's last sector
  if (!o.vdisk.empty()) {
    const std::string refusal = OpenVirtualDiskSource(o.vdisk);
    if (!refusal.empty()) {
      std::fprintf(stderr, "%s\n", refusal.c_str());
      return 1;
    }
    sectors = g_SourceEndSector;
  } else {
    MapDeviceToFile("\\\\.\\PhysicalDrive0", o.image);
    // The size as the device reports it: a block device's file size is 0.
    const auto device = OpenDevice("\\\\.\\PhysicalDrive0", DeviceAccess::Read);
    const std::optional<uint64_t> bytes = device ? device->SizeBytes() : std::nullopt;
    if (!bytes) Usage("cannot open the image");
    sectors = static_cast<int64_t>(*bytes / static_cast<uint64_t>(o.bps));
  }
  g_CurrentDevice = 0;
  g_BytesPerSector = o.bps;
  g_SourceStartSector = o.start;
  g_SourceEndSector = o.end >= 0 ? o.end : sectors;
  g_FileSystemName = ParseFileSystemKind(o.fs);
  if (o.mode == "formatted") g_FormattedMode = 1;
  if (o.mode == "partition") g_PartitionMode = 1;

  if (o.mode != "partition" && !DetectVolumeGeometry())
    std::fprintf(stderr, "scan-dump: no %s volume recognised at sector %lld\n", o.fs.c_str(),
                 static_cast<long long>(o.start));
  g_ScanState.fileSystem = g_FileSystemName;

  ScanThreadFn scan = SelectScanThread(g_FileSystemName);
  if (!scan) {
    std::fprintf(stderr, "scan-dump: no scan for %s in %s mode\n", o.fs.c_str(), o.mode.c_str());
    return 3;
  }

  ScanControl control;
  PrintingObserver observer;
  auto run = [&](ScanThreadFn fn) {
    ScanEnd end = ScanEnd::Failed;
    std::thread worker([&] {
      ScanJob job{control, observer};
      end = fn(job);
    });
    worker.join();
    return end;
  };
  const ScanEnd end = run(scan);
  // The analysis page throws the folder list away after a scan that could not run.
  if (end == ScanEnd::Discard) FreeFolderList();
  if (end == ScanEnd::PassDone) {
    // Saved as the found-file-systems page saves it, naming the file system chosen next (0: none).
    if (!o.saveLog.empty()) {
      g_ScanState.chosenFileSystem = o.choose;
      g_TreeMode = 3;
      if (!SaveScanLog(o.saveLog)) return 1;
    }
    return PartitionPass(o, o.choose, run);
  }
  if (!o.saveLog.empty() && SaveLogAfterScan(o.saveLog) != 0) return 1;
  return AfterResults(o, end);
}
