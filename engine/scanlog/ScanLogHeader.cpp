#include "engine/scanlog/ScanLogHeader.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/records/RecordBuilders.h"
#include "engine/scanlog/ScanLogFormat.h"
#include "engine/scanlog/ScanLogGlobals.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/records/ScanState.h"
#include "platform/ByteOrder.h"
#include "platform/TextCodec.h"
#include "prompts/UserPrompts.h"
#include "storage/DiskImageFolder.h"
#include "storage/SourceGlobals.h"
#include "storage/ntfs/NtfsMftMap.h"

namespace {

bool ReadGeometry(LogCursor& c, std::array<uint32_t, 12>& inVolumeOrder) {
  for (size_t index : kGeometryLogOrder)
    if (!c.Le32(inVolumeOrder[index])) return false;
  return true;
}

bool ReadPartition(LogCursor& c, PartitionRecord& p) {
  std::span<const std::byte> f;
  if (!c.Take(kPartitionEntryBytes, f)) return false;
  p = PartitionRecord{};
  p.endSector = bo::LoadLe64(f, 0);
  p.startSector = bo::LoadLe64(f, 8);
  p.clusterSize = bo::LoadLe32(f, 16);
  p.clusterBase = bo::LoadLe32(f, 20);
  p.fat1Start = bo::LoadLe32(f, 24);
  p.reservedSectors = bo::LoadLe32(f, 28);
  p.rootDirSectors = bo::LoadLe32(f, 32);
  p.rootStart = bo::LoadLe32(f, 36);
  p.fat2Start = bo::LoadLe32(f, 40);
  p.fatSize = bo::LoadLe32(f, 44);
  // The name runs to its first zero unit; the record keeps at most 9 units and a terminator.
  std::u16string name;
  for (size_t i = 0; i < kPartitionNameUnits; ++i) {
    const char16_t u = static_cast<char16_t>(bo::LoadLe16(f, 48 + 2 * i));
    if (u == 0) break;
    name.push_back(u);
  }
  CopyShortText(p.name, name);
  p.fileRecordSectors = bo::LoadLe32(f, 68);
  p.indexRecordSectors = bo::LoadLe32(f, 72);
  return true;
}

bool IsFlag(int32_t v) {
  return v == 0 || v == 1;
}

}  // namespace

ScanLogCheck ParseScanLogHeader(ScanLogSource& source, std::u16string_view diskModel,
                                ScanLogHeader& out) {
  ScanLogHeader h;
  LogCursor c(source, kStyleOffset);  // the title is never read
  if (!c.Le16(h.style) || (h.style != 0 && h.style != 1)) return ScanLogCheck::Invalid;

  uint32_t modelUnits = 0;
  if (!c.Le32(modelUnits) || modelUnits > kMaxModelUnits || !c.Units(modelUnits, h.diskModel))
    return ScanLogCheck::Invalid;
  if (h.diskModel != diskModel) return ScanLogCheck::WrongDevice;

  uint32_t formatted = 0, partition = 0, pass = 0, chosen = 0;
  if (!c.U8(h.currentDevice) || !c.U8(h.driveLetter) || !c.Le32(h.bytesPerSector) ||
      !c.U8(h.selectedDiskNumber) || !c.U8(h.selectedPartitionIndex) ||
      !c.ShortWide(h.fileSystemName) || !c.ShortWide(h.sourceNodeText) || !c.Le64(h.startSector) ||
      !c.Le64(h.endSector))
    return ScanLogCheck::Invalid;
  std::array<uint32_t, 12> volume{}, scan{};
  if (!ReadGeometry(c, volume) || !ReadGeometry(c, scan) ||
      !c.ShortWide(h.scanFileSystemName) || !c.Le32(formatted) || !c.Le32(partition) ||
      !c.Le32(pass) || !c.Le32(chosen))
    return ScanLogCheck::Invalid;
  h.volumeGeometry = GeometryFromArray(volume);
  h.scanGeometry = GeometryFromArray(scan);
  h.formattedMode = static_cast<int32_t>(formatted);
  h.partitionMode = static_cast<int32_t>(partition);
  h.partitionPass = static_cast<int32_t>(pass);
  h.chosenFileSystem = static_cast<int32_t>(chosen);

  const bool letterOk = h.driveLetter == 0 || (h.driveLetter >= 'A' && h.driveLetter <= 'Z');
  if (h.currentDevice >= kDevicePathCount || !letterOk || !IsValidSectorSize(h.bytesPerSector) ||
      !IsKnownLogFileSystem(h.fileSystemName) ||
      (!h.scanFileSystemName.empty() && !IsKnownLogFileSystem(h.scanFileSystemName)) ||
      h.startSector > static_cast<uint64_t>(kMaxSourceSector) ||
      h.endSector > static_cast<uint64_t>(kMaxSourceSector) || !IsFlag(h.formattedMode) ||
      !IsFlag(h.partitionMode))
    return ScanLogCheck::Invalid;

  if (h.partitionMode != 0) {
    uint32_t count = 0;
    if (!c.Le32(count) || count > c.Remaining() / kPartitionEntryBytes)
      return ScanLogCheck::Invalid;
    h.partitions.resize(count);
    for (PartitionRecord& p : h.partitions)
      if (!ReadPartition(c, p)) return ScanLogCheck::Invalid;
  }
  if (!IsLogChosenFileSystem(h.chosenFileSystem, h.partitions.size()))
    return ScanLogCheck::Invalid;

  h.recordOffset = c.Position();
  out = std::move(h);
  return ScanLogCheck::Valid;
}

ScanLogCheck CheckScanLog(ScanLogSource& source, std::u16string_view diskModel,
                          ScanLogHeader& out) {
  ScanLogHeader h;
  const ScanLogCheck check = ParseScanLogHeader(source, diskModel, h);
  if (check != ScanLogCheck::Valid) return check;
  if (!CheckScanLogRecords(source, h.recordOffset, h.HasFoundSections()))
    return ScanLogCheck::Invalid;
  out = std::move(h);
  return ScanLogCheck::Valid;
}

void ApplyScanLogHeader(const ScanLogHeader& h, const std::string& path) {
  ScanState& s = g_ScanState;
  s.partitionStyle = h.style;

  g_CurrentDevice = h.currentDevice;
  g_SourceDriveLetter = static_cast<char>(h.driveLetter);
  if (h.driveLetter == 0)
    SetDevicePath(0, "\\\\.\\PhysicalDrive0");  // reads then go to entry g_CurrentDevice
  else
    SetDevicePath(0, std::string("\\\\.\\") + static_cast<char>(h.driveLetter) + ":");
  g_BytesPerSector = static_cast<int32_t>(h.bytesPerSector);
  g_SelectedDiskNumber = h.selectedDiskNumber;
  // The log keeps one byte of the index; -1 (no partition) must come back as -1.
  g_SelectedPartitionIndex = static_cast<int8_t>(h.selectedPartitionIndex);
  g_FileSystemName = ParseFileSystemKind(h.fileSystemName);
  g_SourceNodeText = Utf16ToUtf8(h.sourceNodeText);
  g_SourceStartSector = static_cast<int64_t>(h.startSector);
  g_SourceEndSector = static_cast<int64_t>(h.endSector);
  // The scans read the geometry the saved scan ran with; a log saved before any scan has only
  // the volume's.
  g_VolumeGeometry = h.scanFileSystemName.empty() ? h.volumeGeometry : h.scanGeometry;
  s.fileSystem = ParseFileSystemKind(h.scanFileSystemName);

  g_FormattedMode = h.formattedMode;
  g_PartitionMode = h.partitionMode;
  // The range search of a loaded log always starts again from the first pass.
  g_PartitionPass = 0;
  s.chosenFileSystem = h.chosenFileSystem;
  if (h.partitionMode != 0) {
    FreePartitionList();
    for (const PartitionRecord& p : h.partitions) AddPartitionRecord(s.partitionList, p, p.Name());
    s.partitionCount = static_cast<uint32_t>(h.partitions.size());
  }
  s.recoveryMode = h.partitionMode != 0 ? 3 : h.formattedMode != 0 ? 2 : 1;

  g_LogRecordOffset = h.recordOffset;
  g_LogPath = path;
  // The source may have changed: a map of the $MFT of the disk chosen before would give another
  // disk's records under this log's names.
  ResetMftMap();
}

int LoadScanLogHeader(const std::string& path) {
  auto fail = [](std::string_view text) {
    Prompts().ViewMsgBox(text);
    g_LogLoaded = 0;
    return 0;
  };
  if (path.empty()) return fail(kLogNoPathText);
  std::unique_ptr<ScanLogSource> source = OpenScanLogFile(path);
  if (!source) return fail(kLogOpenErrorText);
  ScanLogHeader h;
  switch (CheckScanLog(*source, Utf8ToUtf16(g_SourceDiskModel), h)) {
    case ScanLogCheck::Valid:
      break;
    case ScanLogCheck::WrongDevice:
      return fail(kLogWrongDeviceText);
    case ScanLogCheck::Invalid:
      return fail(kLogInvalidText);
  }
  ApplyScanLogHeader(h, path);
  return 1;
}
