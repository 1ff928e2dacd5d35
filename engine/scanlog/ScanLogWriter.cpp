#include "engine/scanlog/ScanLogWriter.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "engine/scanlog/ScanLogFormat.h"
#include "engine/records/ScanState.h"
#include "platform/ByteOrder.h"
#include "platform/TextCodec.h"
#include "prompts/UserPrompts.h"
#include "storage/DiskImageFolder.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

// Collects small writes into large ones and remembers the first failure.
class LogWriter {
 public:
  explicit LogWriter(FileSink& sink) : m_Sink(sink) { m_Buffer.reserve(kBufferBytes); }

  void Put(std::span<const std::byte> bytes) {
    if (!m_Ok) return;
    if (m_Buffer.size() + bytes.size() > kBufferBytes) Flush();
    if (bytes.size() >= kBufferBytes) {
      m_Ok = m_Ok && m_Sink.Write(bytes);
      return;
    }
    m_Buffer.insert(m_Buffer.end(), bytes.begin(), bytes.end());
  }
  template <class T>
  void Le(T value) {
    std::array<std::byte, sizeof(T)> b{};
    bo::StoreLe<T>(b, 0, value);
    Put(b);
  }
  void U8(uint8_t v) { Le<uint8_t>(v); }
  void Units(std::u16string_view text) {
    for (char16_t u : text) Le<uint16_t>(static_cast<uint16_t>(u));
  }
  // A short string keeps the first 255 units so that its count and its units agree.
  void ShortWide(std::u16string_view text) {
    text = text.substr(0, std::min(text.size(), kMaxShortUnits));
    U8(static_cast<uint8_t>(text.size()));
    Units(text);
  }
  void ShortAnsi(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kMaxShortUnits));
    U8(static_cast<uint8_t>(text.size()));
    Put(std::as_bytes(std::span(text.data(), text.size())));
  }
  void Fail() { m_Ok = false; }
  bool Finish() {
    Flush();
    return m_Ok;
  }

 private:
  static constexpr size_t kBufferBytes = 1 << 16;
  void Flush() {
    if (m_Ok && !m_Buffer.empty()) m_Ok = m_Sink.Write(m_Buffer);
    m_Buffer.clear();
  }
  FileSink& m_Sink;
  std::vector<std::byte> m_Buffer;
  bool m_Ok = true;
};

template <size_t N>
using Fixed = std::array<std::byte, N>;

template <size_t N>
void PutTime(Fixed<N>& f, size_t offset, const TimeHalves& t) {
  bo::StoreLe<uint32_t>(f, offset, t.first);
  bo::StoreLe<uint32_t>(f, offset + 4, t.second);
}

template <class R>
void PutNames(LogWriter& w, const R& r) {
  w.ShortWide(r.wideName.IsSet() ? r.wideName.View() : std::u16string_view{});
  w.ShortAnsi(r.ansiName.IsSet() ? r.ansiName.View() : std::string_view{});
}

template <class R>
uint32_t CountOf(const R* head) {
  uint64_t n = 0;
  for (const R* r = head; r; r = r->next) ++n;
  return static_cast<uint32_t>(std::min<uint64_t>(n, UINT32_MAX));
}

void WritePartition(LogWriter& w, const PartitionRecord& p) {
  Fixed<kPartitionEntryBytes> f{};
  bo::StoreLe<uint64_t>(f, 0, p.endSector);
  bo::StoreLe<uint64_t>(f, 8, p.startSector);
  bo::StoreLe<uint32_t>(f, 16, p.clusterSize);
  bo::StoreLe<uint32_t>(f, 20, static_cast<uint32_t>(p.clusterBase));
  bo::StoreLe<uint32_t>(f, 24, static_cast<uint32_t>(p.fat1Start));
  bo::StoreLe<uint32_t>(f, 28, p.reservedSectors);
  bo::StoreLe<uint32_t>(f, 32, p.rootDirSectors);
  bo::StoreLe<uint32_t>(f, 36, static_cast<uint32_t>(p.rootStart));
  bo::StoreLe<uint32_t>(f, 40, static_cast<uint32_t>(p.fat2Start));
  bo::StoreLe<uint32_t>(f, 44, p.fatSize);
  for (size_t i = 0; i < kPartitionNameUnits; ++i)
    bo::StoreLe<uint16_t>(f, 48 + 2 * i, static_cast<uint16_t>(p.name[i]));
  bo::StoreLe<uint32_t>(f, 68, p.fileRecordSectors);
  bo::StoreLe<uint32_t>(f, 72, p.indexRecordSectors);
  w.Put(f);
}

void WriteFoundDirectory(LogWriter& w, const FoundDirectoryRecord& d) {
  Fixed<kFoundDirFixedBytes> f{};
  PutTime(f, 0, d.accessed);
  PutTime(f, 8, d.created);
  bo::StoreLe<uint32_t>(f, 16, d.assignedPartition);
  PutTime(f, 20, d.modified);
  bo::StoreLe<uint32_t>(f, 28, d.indexLcn);
  bo::StoreLe<uint32_t>(f, 32, d.parentId);
  bo::StoreLe<uint32_t>(f, 36, static_cast<uint32_t>(d.recordSector));
  bo::StoreLe<uint32_t>(f, 40, d.indexLcn);
  bo::StoreLe<uint32_t>(f, 44, d.directoryId);
  f[48] = std::byte{d.deleted};
  w.Put(f);
  w.ShortWide(d.wideName.IsSet() ? d.wideName.View() : std::u16string_view{});
  w.ShortAnsi({});
}

void WriteFoundFile(LogWriter& w, const FoundFileRecord& r) {
  Fixed<kFoundFileFixedBytes> f{};
  PutTime(f, 0, r.accessed);
  PutTime(f, 8, r.created);
  bo::StoreLe<uint32_t>(f, 16, r.foundSequence);
  PutTime(f, 20, r.modified);
  bo::StoreLe<uint64_t>(f, 28, r.size);
  bo::StoreLe<uint32_t>(f, 36, r.parentId);
  bo::StoreLe<uint32_t>(f, 40, static_cast<uint32_t>(r.recordSector));
  bo::StoreLe<uint32_t>(f, 48, r.recordNumber);
  f[52] = std::byte{r.deleted};
  w.Put(f);
  w.ShortWide(r.wideName.IsSet() ? r.wideName.View() : std::u16string_view{});
  w.ShortAnsi({});
}

void WriteFolder(LogWriter& w, const FolderRecord& r) {
  Fixed<kFolderFixedBytes> f{};
  // The tree item handle means nothing in another run; readers skip it.
  bo::StoreLe<uint32_t>(f, 0, static_cast<uint32_t>(r.treeItem));
  PutTime(f, 4, r.accessed);
  PutTime(f, 12, r.created);
  bo::StoreLe<uint16_t>(f, 20, static_cast<uint16_t>(r.partition));
  f[22] = std::byte{r.selected};
  PutTime(f, 24, r.modified);
  bo::StoreLe<uint32_t>(f, 32, r.parentId);
  bo::StoreLe<uint32_t>(f, 36, static_cast<uint32_t>(r.locator));
  // The high half of the locator slot repeats the partition slot.
  for (size_t i = 0; i < 4; ++i) f[40 + i] = f[20 + i];
  bo::StoreLe<uint32_t>(f, 44, r.id);
  f[48] = std::byte{r.kind};
  f[49] = std::byte{r.deleted};
  w.Put(f);
  PutNames(w, r);
}

void WriteFile(LogWriter& w, const FileRecord& r) {
  Fixed<kFileFixedBytes> f{};
  PutTime(f, 0, r.accessed);
  PutTime(f, 8, r.created);
  bo::StoreLe<uint32_t>(f, 16, r.sequence);
  PutTime(f, 20, r.modified);
  bo::StoreLe<uint64_t>(f, 28, r.size);
  bo::StoreLe<uint32_t>(f, 36, r.parentId);
  bo::StoreLe<uint32_t>(f, 40, static_cast<uint32_t>(r.locator));
  f[44] = std::byte{r.selected};
  bo::StoreLe<uint32_t>(f, 48, r.id);
  f[52] = std::byte{r.kind};
  f[53] = std::byte{r.deleted};
  w.Put(f);
  PutNames(w, r);
}

bool Fits32(uint64_t v) {
  return v <= UINT32_MAX;
}

template <class R, class Sector>
bool AllFit(const R* head, Sector sector) {
  for (const R* r = head; r; r = r->next)
    if (!Fits32(sector(*r))) return false;
  return true;
}

void WriteGeometry(LogWriter& w, const std::array<uint32_t, 12>& inVolumeOrder) {
  for (size_t index : kGeometryLogOrder) w.Le<uint32_t>(inVolumeOrder[index]);
}

}  // namespace

std::string ScanLogReplaceQuestion(std::string_view fileName) {
  return std::string(fileName) + " already exists.\nDo you want to replace it?";
}

std::string ScanLogFileName(std::string_view chosenPath) {
  std::string name(chosenPath);
  const size_t slash = name.rfind('/');
  const std::string_view base =
      std::string_view(name).substr(slash == std::string::npos ? 0 : slash + 1);
  bool hasExtension = base.size() >= kScanLogExtension.size();
  for (size_t i = 0; hasExtension && i < kScanLogExtension.size(); ++i) {
    char c = base[base.size() - kScanLogExtension.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    hasExtension = c == kScanLogExtension[i];
  }
  if (!hasExtension) name += kScanLogExtension;
  return name;
}

bool ScanLogValuesFit() {
  const ScanState& s = g_ScanState;
  const std::u16string scanFileSystem = Utf8ToUtf16(FileSystemKindText(s.fileSystem));
  const bool partitionMode = g_PartitionMode.load() != 0;
  const uint64_t partitions = partitionMode ? CountOf(s.partitionList.head) : 0;
  const auto isFlag = [](int32_t v) { return v == 0 || v == 1; };
  return Utf8ToUtf16(g_SourceDiskModel).size() <= kMaxModelUnits && g_CurrentDevice >= 0 &&
         g_CurrentDevice < kDevicePathCount &&
         IsLogDriveLetter(static_cast<unsigned char>(g_SourceDriveLetter)) &&
         IsValidSectorSize(g_BytesPerSector) &&
         IsKnownLogFileSystem(Utf8ToUtf16(FileSystemKindText(g_FileSystemName))) &&
         (scanFileSystem.empty() || IsKnownLogFileSystem(scanFileSystem)) &&
         g_SourceStartSector >= 0 && g_SourceEndSector >= 0 && isFlag(g_FormattedMode.load()) &&
         isFlag(g_PartitionMode.load()) &&
         IsLogChosenFileSystem(s.chosenFileSystem.load(), partitions);
}

bool ScanLogRecordsFit(uint16_t style) {
  const ScanState& s = g_ScanState;
  const bool partitionMode = g_PartitionMode.load() != 0;
  if (partitionMode && !AllFit(s.partitionList.head, [](const PartitionRecord& p) {
        return std::max({p.clusterBase, p.fat1Start, p.fat2Start, p.rootStart});
      }))
    return false;
  if (partitionMode && style == 1 &&
      (!AllFit(s.foundDirList.head, [](const FoundDirectoryRecord& d) { return d.recordSector; }) ||
       !AllFit(s.foundFileList.head, [](const FoundFileRecord& f) { return f.recordSector; })))
    return false;
  return AllFit(s.folderList.head, [](const FolderRecord& f) { return f.locator; }) &&
         AllFit(s.fileList.head, [](const FileRecord& f) { return f.locator; });
}

bool WriteScanLog(FileSink& out, uint16_t style) {
  if (!ScanLogValuesFit() || !ScanLogRecordsFit(style)) return false;
  const ScanState& s = g_ScanState;
  const bool partitionMode = g_PartitionMode.load() != 0;
  LogWriter w(out);

  std::u16string title(kScanLogTitle.substr(0, kScanLogTitleUnits));
  title.resize(kScanLogTitleUnits, u'\0');
  w.Units(title);
  w.Le<uint16_t>(style);
  const std::u16string model = Utf8ToUtf16(g_SourceDiskModel);
  w.Le<uint32_t>(static_cast<uint32_t>(model.size()));
  w.Units(model);
  w.U8(static_cast<uint8_t>(g_CurrentDevice & 0xFF));
  w.U8(static_cast<uint8_t>(g_SourceDriveLetter));
  w.Le<uint32_t>(static_cast<uint32_t>(g_BytesPerSector));
  w.U8(static_cast<uint8_t>(g_SelectedDiskNumber & 0xFF));
  w.U8(static_cast<uint8_t>(g_SelectedPartitionIndex & 0xFF));
  w.ShortWide(Utf8ToUtf16(FileSystemKindText(g_FileSystemName)));
  w.ShortWide(Utf8ToUtf16(g_SourceNodeText));
  w.Le<uint64_t>(static_cast<uint64_t>(g_SourceStartSector));
  w.Le<uint64_t>(static_cast<uint64_t>(g_SourceEndSector));
  // The volume's geometry and the one the scan ran with are one copy; the format keeps both.
  WriteGeometry(w, GeometryAsArray(g_VolumeGeometry));
  WriteGeometry(w, GeometryAsArray(g_VolumeGeometry));
  w.ShortWide(Utf8ToUtf16(FileSystemKindText(s.fileSystem)));
  w.Le<uint32_t>(static_cast<uint32_t>(g_FormattedMode.load()));
  w.Le<uint32_t>(static_cast<uint32_t>(g_PartitionMode.load()));
  w.Le<uint32_t>(static_cast<uint32_t>(g_PartitionPass.load()));
  w.Le<uint32_t>(static_cast<uint32_t>(s.chosenFileSystem.load()));

  // Counts come from the lists themselves, so a count can never disagree with its entries.
  if (partitionMode) {
    w.Le<uint32_t>(CountOf(s.partitionList.head));
    for (const PartitionRecord* p = s.partitionList.head; p; p = p->next) WritePartition(w, *p);
  }
  if (partitionMode && style == 1) {
    w.Le<uint32_t>(CountOf(s.foundDirList.head));
    for (const FoundDirectoryRecord* d = s.foundDirList.head; d; d = d->next)
      WriteFoundDirectory(w, *d);
    w.Le<uint32_t>(CountOf(s.foundFileList.head));
    for (const FoundFileRecord* f = s.foundFileList.head; f; f = f->next) WriteFoundFile(w, *f);
  }
  w.Le<uint32_t>(CountOf(s.folderList.head));
  for (const FolderRecord* f = s.folderList.head; f; f = f->next) WriteFolder(w, *f);
  w.Le<uint32_t>(CountOf(s.fileList.head));
  for (const FileRecord* f = s.fileList.head; f; f = f->next) WriteFile(w, *f);
  return w.Finish();
}

int SaveScanLog(std::string_view chosenPath) {
  return SaveScanLog(chosenPath, [](const std::string& path) { return CreateReplacingFile(path); });
}

int SaveScanLog(std::string_view chosenPath, const FileSinkOpener& open) {
  if (chosenPath.empty()) {
    Prompts().ViewMsgBox(kLogNoPathText);
    return 0;
  }
  const uint16_t style = g_TreeMode.load() != 2 ? 1 : 0;
  if (!ScanLogValuesFit() || !ScanLogRecordsFit(style)) {
    Prompts().ViewMsgBox(kLogCreateErrorText);
    return 0;
  }
  const std::string fileName = ScanLogFileName(chosenPath);
  // The save dialog asked about the name as typed; the file written may be another one.
  struct stat st {};
  if (fileName != chosenPath && ::lstat(fileName.c_str(), &st) == 0 &&
      Prompts().ViewQuestionMsg(ScanLogReplaceQuestion(fileName)) != 1)
    return 0;
  std::unique_ptr<FileSink> out = open(fileName);
  if (!out) {
    Prompts().ViewMsgBox(kLogCreateErrorText);
    return 0;
  }
  if (style == 1) g_TreeMode = 5;
  if (!WriteScanLog(*out, style) || !out->Commit()) {
    Prompts().ViewMsgBox(kLogCreateErrorText);
    return 0;
  }
  return 1;
}
