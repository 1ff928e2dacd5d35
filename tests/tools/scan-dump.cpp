// Test driver: runs one scan headlessly on an image file and prints what it found.
//
//   scan-dump --image FILE --fs NTFS|FAT12|FAT16|FAT32 --mode deleted|formatted|partition
//             [--start S] [--end E] [--bps N] [--extract DIR [--only-deleted]]
//
// The image stands in for "\\.\PhysicalDrive0"; the source globals are set as the source page
// sets them for a volume at sectors S..E (the whole file when omitted). Questions are answered
// No, bad sectors are skipped, notices go to stderr as "notice: TEXT". Output, sorted:
//   kind<TAB>deleted<TAB>size<TAB>id<TAB>path      (kind D or F, deleted y or n)
//   folders N files M
// Paths run from the root with "/" separators; folders under "Lost" print as Lost/...; a record
// whose parent chain does not reach the root prints "?<id>/" where the chain broke.
// --extract DIR writes every found file (only the deleted ones with --only-deleted) through the
// program's extraction to DIR/<path>; a file not written whole is named on stderr and the exit
// code is 4.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/RecordBuilders.h"
#include "engine/ResultLists.h"
#include "engine/ScanJob.h"
#include "engine/ScanSelect.h"
#include "engine/ScanState.h"
#include "platform/DeviceNamespace.h"
#include "platform/TextCodec.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "tests/tools/ExtractFound.h"

namespace {

struct Options {
  std::string image;
  std::string fs;
  std::string mode = "deleted";
  int64_t start = 0;
  int64_t end = -1;
  int32_t bps = 512;
  std::string extractDir;
  bool onlyDeleted = false;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr,
               "scan-dump: %s\nusage: scan-dump --image FILE --fs NTFS|FAT12|FAT16|FAT32 "
               "--mode deleted|formatted|partition [--start S] [--end E] [--bps N]\n"
               "       [--extract DIR [--only-deleted]]\n",
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
    else if (a == "--only-deleted")
      o.onlyDeleted = true;
    else if (a == "--bps")
      o.bps = static_cast<int32_t>(std::strtol(value().c_str(), nullptr, 10));
    else
      Usage(("unknown option " + a).c_str());
  }
  if (o.image.empty() || o.fs.empty()) Usage("--image and --fs are required");
  if (o.mode != "deleted" && o.mode != "formatted" && o.mode != "partition")
    Usage("--mode must be deleted, formatted or partition");
  if (o.bps < 512 || (o.bps & (o.bps - 1)) != 0) Usage("--bps must be a power of two >= 512");
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
  explicit PathMaker(uint32_t rootId) : rootId_(rootId) {}

  std::string FolderPathOf(uint32_t parentId, int16_t partition) const {
    std::vector<std::string> parts;
    uint32_t id = parentId;
    // Bounded: a cycle in damaged data ends after as many steps as there are folders.
    for (uint32_t steps = 0; id != rootId_; ++steps) {
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

 private:
  uint32_t rootId_;
};

class PrintingObserver : public ScanObserver {};

}  // namespace

int main(int argc, char** argv) {
  Options o = Parse(argc, argv);

  struct stat st {};
  if (::stat(o.image.c_str(), &st) != 0) Usage("cannot open the image");
  const int64_t lastSector = st.st_size / o.bps - 1;

  ResetSourceGlobals();
  ResetScanState();
  ResetScanFlags();
  MapDeviceToFile("\\\\.\\PhysicalDrive0", o.image);
  g_CurrentDevice = 0;
  g_BytesPerSector = o.bps;
  g_SourceStartSector = o.start;
  g_SourceEndSector = o.end >= 0 ? o.end : lastSector;
  g_FileSystemName = o.fs;
  if (o.mode == "formatted") g_FormattedMode = 1;
  if (o.mode == "partition") g_PartitionMode = 1;

  if (o.mode != "partition" && !DetectVolumeGeometry())
    std::fprintf(stderr, "scan-dump: no %s volume recognised at sector %lld\n", o.fs.c_str(),
                 static_cast<long long>(o.start));
  const VolumeGeometry& v = g_VolumeGeometry;
  g_ScanState.geometry = {v.SectorsPerMftRecord,  v.SectorsPerIndexRecord, v.MftStartSector,
                          v.MftMirrorStartSector, v.SectorsPerCluster,     v.FatSizeSectors,
                          v.RootDirectory,        v.RootDirectorySectors,  v.ReservedSectors,
                          v.ClusterBaseSector,    v.Fat1StartSector,       v.Fat2StartSector};
  g_ScanState.SetFileSystemName(o.fs);

  ScanThreadFn scan = SelectScanThread(o.fs);
  if (!scan) {
    std::fprintf(stderr, "scan-dump: no scan for %s in %s mode\n", o.fs.c_str(), o.mode.c_str());
    return 3;
  }

  ScanControl control;
  PrintingObserver observer;
  ScanEnd end = ScanEnd::Failed;
  std::thread worker([&] {
    ScanJob job{control, observer};
    end = scan(job);
  });
  worker.join();

  const uint32_t rootId = o.fs == "NTFS" ? kNtfsRootId : 0;
  PathMaker paths(rootId);
  std::vector<std::string> lines;
  auto line = [](char kind, uint8_t deleted, uint64_t size, uint32_t id, const std::string& path) {
    return std::string(1, kind) + "\t" + static_cast<char>(deleted) + "\t" + std::to_string(size) +
           "\t" + std::to_string(id) + "\t" + path;
  };
  uint32_t folders = 0, files = 0;
  for (const FolderRecord* f = g_ScanState.folderList.head; f; f = f->next, ++folders) {
    std::string path = f->id == kLostFolderId
                           ? NameOf(*f)
                           : paths.FolderPathOf(f->parentId, f->partition) + NameOf(*f);
    lines.push_back(line('D', f->deleted, 0, f->id, path));
  }
  for (const FileRecord* r = g_ScanState.fileList.head; r; r = r->next, ++files) {
    // Files carry no partition of their own; they belong to the chosen file system.
    int16_t partition = static_cast<int16_t>(g_ScanState.chosenFileSystem.load());
    lines.push_back(line('F', r->deleted, r->size, r->id,
                         paths.FolderPathOf(r->parentId, partition) + NameOf(*r)));
  }
  std::sort(lines.begin(), lines.end());
  for (const auto& l : lines) std::printf("%s\n", l.c_str());
  std::printf("folders %u files %u\n", folders, files);
  if (end == ScanEnd::Failed) return 1;
  if (!o.extractDir.empty() && extract_found::Extract(o.extractDir, o.fs, o.onlyDeleted) != 0)
    return 4;
  return 0;
}
