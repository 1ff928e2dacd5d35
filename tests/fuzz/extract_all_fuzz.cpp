// Fuzzes the whole extraction of a damaged volume into a real folder: the scan of a mutated volume
// runs, then every file it found is written under a temporary target folder, each into the folders
// the copy walk would create for it. The target holds traps a hostile earlier copy could have left:
// a hard link and a symbolic link to a file outside it, and a link to a folder outside it, under
// names the seed volumes use. The run fails when anything outside the target changed, when a
// written file is longer than the volume, or when the files written hold more than their records
// claim (each claim counted at most at the volume's size).
//
// Input: byte 0 (bit 0: FAT16 instead of NTFS; bit 1: formatted instead of deleted-file recovery),
// then the volume's first bytes; the rest of the 4 MiB volume is zeros. Seeds: the first 112 KiB
// of the NTFS fixture with 4096-byte clusters (boot sector and $MFT) and the first 96 KiB of the
// FAT16 fixture with 512-byte clusters (boot sector, tables, root and the files' clusters), each
// also as tests/fixtures/hostile.py damages it (a sparse run claiming 64 GiB; two deleted entries
// shown under one name).
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "engine/scans/ScanSelect.h"
#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "platform/TextCodec.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "saving/extract/FatFileCopy.h"
#include "saving/extract/NtfsFileCopy.h"
#include "saving/extract/TargetFiles.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "tests/fuzz/QuietPrompts.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kVolumeBytes = 4u << 20;
constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";
constexpr const char* kVictimText = "outside the target\n";
// Names of the seed volumes' files and folders, under which the traps are planted.
constexpr const char* kHardLinks[] = {"README.TXT", "resident.txt", "_ONE.TXT"};
constexpr const char* kFileLinks[] = {"nonresident.bin", "MANY.BIN"};
constexpr const char* kFolderLinks[] = {"Docs"};

struct SkipErrors final : CopyErrorPrompt {
  CopyErrorAnswer AskCopyError() override { return CopyErrorAnswer::Skip; }
};

// The folder that holds the target and what lies outside it: made for each run and removed after
// it, so that a failing run leaves it for a look and a passing one leaves nothing.
fs::path g_Top;

void WriteText(const fs::path& path, const char* text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fputs(text, f);
  std::fclose(f);
}

std::string ReadText(const fs::path& path) {
  std::string text;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

// The target with its traps, and the files outside it they point at.
void PlantTraps(const fs::path& target) {
  fs::create_directories(target);
  fs::create_directory(g_Top / "victim-folder");
  WriteText(g_Top / "victim.txt", kVictimText);
  for (const char* name : kHardLinks) fs::create_hard_link(g_Top / "victim.txt", target / name);
  for (const char* name : kFileLinks) fs::create_symlink(g_Top / "victim.txt", target / name);
  for (const char* name : kFolderLinks)
    fs::create_directory_symlink(g_Top / "victim-folder", target / name);
}

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "extract_all_fuzz: %s\n", why.c_str());
  std::abort();
}

void CheckOutside(const fs::path& target) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(g_Top)) names.insert(e.path().filename());
  if (names != std::set<std::string>{target.filename(), "victim.txt", "victim-folder"})
    Fail("an entry beside the target was created or removed");
  if (ReadText(g_Top / "victim.txt") != kVictimText) Fail("a file outside the target changed");
  if (!fs::is_empty(g_Top / "victim-folder")) Fail("a folder outside the target was written");
}

// Sums the lengths of the files written (the planted traps left out) and checks each against the
// volume's size.
uint64_t WrittenBytes(const fs::path& target) {
  struct stat victim {};
  if (::stat((g_Top / "victim.txt").c_str(), &victim) != 0) Fail("the outside file is gone");
  uint64_t total = 0;
  for (auto it = fs::recursive_directory_iterator(target); it != fs::recursive_directory_iterator();
       ++it) {
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0) Fail("a written entry cannot be examined");
    if (S_ISLNK(st.st_mode)) continue;  // only planted links are links: none is followed
    if (!S_ISREG(st.st_mode) || st.st_ino == victim.st_ino) continue;
    if (static_cast<uint64_t>(st.st_size) > kVolumeBytes)
      Fail("a written file is longer than the volume: " + it->path().string());
    total += static_cast<uint64_t>(st.st_size);
  }
  return total;
}

template <class R>
std::u16string NameOf(const R& r) {
  if (r.ansiName.IsSet()) return FatShortNameToUtf16(std::string(r.ansiName.View()));
  return std::u16string(r.wideName.View());
}

// The folder a file of parentId goes into, created as the copy walk creates it; closed when its
// parents do not reach the root.
TargetFolder FolderFor(const TargetFolder& root, uint32_t parentId, uint32_t rootId) {
  std::vector<std::u16string> names;
  const auto partition = static_cast<int16_t>(g_ScanState.chosenFileSystem.load());
  for (uint32_t id = parentId, steps = 0; id != rootId; ++steps) {
    const FolderRecord* f = FindFolderRecord(id, partition);
    if (!f || steps > g_ScanState.folderCount.load()) return TargetFolder();
    names.insert(names.begin(), NameOf(*f));
    if (f->id == kLostFolderId) break;
    id = f->parentId;
  }
  TargetFolder at = root.Duplicate();
  for (const auto& n : names) {
    at = at.Subfolder(SafeFileName(n));
    if (!at.IsOpen()) break;
  }
  return at;
}

// Extracts every file found; returns what their records claim, each claim at most the volume.
uint64_t ExtractAll(const fs::path& target, bool fat) {
  const TargetFolder root = TargetFolder::Open(target.string());
  if (!root.IsOpen()) Fail("the target cannot be opened");
  CopyObserver observer;
  uint64_t claimed = 0;
  for (const FileRecord* r = g_ScanState.fileList.head; r; r = r->next) {
    const TargetFolder folder = FolderFor(root, r->parentId, fat ? 0 : kNtfsRootId);
    if (!folder.IsOpen()) continue;
    const std::u16string name = NameOf(*r);
    claimed += std::min<uint64_t>(r->size, kVolumeBytes);
    if (fat) {
      FatCopyRequest request;
      request.folder = &folder;
      request.name = name;
      request.size = static_cast<uint32_t>(r->size);
      request.firstCluster = r->id;
      request.deleted = r->deleted == 'y';
      request.dosDate = static_cast<uint16_t>(r->modified.first);
      request.dosTime = static_cast<uint16_t>(r->modified.second);
      CopyFatFile(request, observer);
    } else {
      NtfsCopyRequest request;
      request.folder = &folder;
      request.name = name;
      request.size = r->size;
      request.recordNumber = r->id;
      if (g_FormattedMode.load()) request.recordSector = r->locator;
      request.deleted = r->deleted == 'y';
      request.modified = r->modified.AsFileTime();
      CopyNtfsFile(request, observer);
    }
  }
  return claimed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static fuzz_support::QuietPrompts prompts;
  static SkipErrors skip;
  const bool fat = (data[0] & 1) != 0;
  const bool formatted = (data[0] & 2) != 0;

  ResetProgramState();
  ResetDeviceHandleCache();
  SetUserPrompts(&prompts);
  SetCopyErrorPrompt(&skip);
  // One volume for every run (nothing writes to it): only the bytes the last input set are
  // cleared, which spares zeroing 4 MiB each time.
  static const auto disk = [] {
    auto d = std::make_shared<MemoryDisk>();
    d->bytes.resize(kVolumeBytes);
    return d;
  }();
  static size_t lastInput = 0;
  std::memset(disk->bytes.data(), 0, lastInput);
  lastInput = std::min<size_t>(size - 1, kVolumeBytes);
  std::memcpy(disk->bytes.data(), data + 1, lastInput);
  MapDeviceToFactory(kDevice, [](DeviceAccess) { return std::make_unique<MemoryDevice>(disk); });
  SetDevicePath(0, kDevice);
  g_CurrentDevice = 0;
  g_BytesPerSector = 512;
  g_SourceStartSector = 0;
  g_SourceEndSector = kVolumeBytes / 512 - 1;
  g_FileSystemName = fat ? FileSystemKind::Fat16 : FileSystemKind::Ntfs;
  g_FormattedMode = formatted ? 1 : 0;
  if (DetectVolumeGeometry()) {
    g_ScanState.fileSystem = g_FileSystemName;
    if (ScanThreadFn scan = SelectScanThread(g_FileSystemName)) {
      ScanControl control;
      ScanObserver observer;
      ScanJob job{control, observer};
      scan(job);

      char pattern[] = "/tmp/merrowind-extract-fuzz-XXXXXX";
      if (!::mkdtemp(pattern)) std::abort();
      g_Top = pattern;
      const fs::path target = g_Top / "target";
      PlantTraps(target);
      const uint64_t claimed = ExtractAll(target, fat);
      CheckOutside(target);
      if (WrittenBytes(target) > claimed)
        Fail("the files written hold more than their records claim");
      fs::remove_all(g_Top);
    }
  }

  ResetProgramState();
  ResetDeviceHandleCache();
  ClearDeviceMappings();
  SetCopyErrorPrompt(nullptr);
  SetUserPrompts(nullptr);
  return 0;
}
