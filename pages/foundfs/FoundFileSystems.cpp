#include "pages/foundfs/FoundFileSystems.h"

#include <charconv>

#include "engine/records/ScanState.h"
#include "engine/scans/FoundFileSystemChoice.h"
#include "platform/TextCodec.h"
#include "storage/SourceGlobals.h"

namespace {

const PartitionRecord* FoundFileSystem(int32_t n) {
  const PartitionRecord* r = g_ScanState.partitionList.head;
  for (int32_t i = 1; r && i < n; ++i) r = r->next;
  return n >= 1 ? r : nullptr;
}

}  // namespace

std::vector<std::string> FoundFileSystemNodeTexts() {
  std::vector<std::string> texts;
  const uint32_t count = g_ScanState.partitionCount.load();
  for (uint32_t n = 1; n <= count; ++n) {
    std::string text = FoundFileSystemNodeText(static_cast<int32_t>(n));
    if (text.empty()) break;  // the list is shorter than its count
    texts.push_back(std::move(text));
  }
  return texts;
}

int32_t FoundFileSystemNumberFromText(std::string_view text, uint32_t count) {
  constexpr std::string_view kPrefix = "File System ";
  if (!text.starts_with(kPrefix)) return 0;
  text.remove_prefix(kPrefix.size());
  const size_t dash = text.find(" -");
  if (dash == std::string_view::npos || dash == 0) return 0;
  uint32_t n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + dash, n);
  if (error != std::errc() || end != text.data() + dash) return 0;
  return n >= 1 && n <= count ? static_cast<int32_t>(n) : 0;
}

std::string FoundFileSystemSizeText(uint64_t startSector, uint64_t endSector,
                                    uint32_t bytesPerSector) {
  if (endSector <= startSector) return {};
  const uint64_t sectors = endSector - startSector;
  const uint64_t bps = bytesPerSector == 0 ? 512 : bytesPerSector;
  if (sectors > UINT64_MAX / bps) return std::to_string(sectors / (uint64_t{1} << 30) * bps) + " GB";
  const uint64_t bytes = sectors * bps;
  if (bytes > (uint64_t{1} << 30)) return std::to_string(bytes >> 30) + " GB";
  if (bytes >= (uint64_t{1} << 20)) return std::to_string(bytes >> 20) + " MB";
  return {};
}

std::optional<FoundFileSystemFields> ChooseFoundFileSystem(int32_t n) {
  const uint32_t count = g_ScanState.partitionCount.load();
  if (n < 1 || static_cast<uint32_t>(n) > count) return std::nullopt;
  const PartitionRecord* r = FoundFileSystem(n);
  if (!r) return std::nullopt;
  FoundFileSystemFields fields;
  // Taking the geometry may fill in the record's missing FATs, start and end: read it after.
  fields.scannable = TakeFoundFileSystem(n) == 1;
  g_ScanState.chosenFileSystem = n;
  fields.type = g_FileSystemName == FileSystemKind::Ntfs ? "NTFS" : Utf16ToUtf8(r->Name());
  fields.size = FoundFileSystemSizeText(r->startSector, r->endSector,
                                        static_cast<uint32_t>(g_BytesPerSector));
  fields.start = std::to_string(r->startSector);
  fields.end = std::to_string(r->endSector);
  fields.beyondLimit = r->startSector > static_cast<uint64_t>(kMaxVolumeStartSector);
  return fields;
}

void FreeFoundFileSystemLists() {
  FreeFoundLists();
  FreeFolderList();
  FreeFileList();
  g_LogLoaded = 0;
  FreePartitionList();
}

FoundFileSystemButtons FoundFileSystemButtonStates(bool anyFound, bool savingLog) {
  return {.next = anyFound && !savingLog, .back = !savingLog, .saveLog = !savingLog};
}
