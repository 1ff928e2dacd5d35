#include "pages/source/SourceNext.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/source/LogicalDrives.h"
#include "pages/source/SourceNames.h"
#include "platform/DeviceNamespace.h"
#include "prompts/UserPrompts.h"
#include "storage/DiskImageFolder.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "storage/partitions/DiskPartitions.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

SourceNextStep Refuse(std::string_view text) {
  Prompts().ViewMsgBox(text);
  return SourceNextStep::Refused;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

}  // namespace

bool SourceCanBeOpened() {
  if (g_DiskImageSource) {
    std::error_code error;
    const std::string first = FirstImagePiecePath();
    return std::filesystem::is_regular_file(first, error) &&
           std::ifstream(first, std::ios::binary).is_open();
  }
  const std::string_view path = CurrentDevicePath();
  return !path.empty() && OpenDevice(path, DeviceAccess::Read) != nullptr;
}

std::string_view SourceOpenProblem() {
  if (g_DiskImageSource || g_VirtualDiskMode) return {};
  const std::string_view path = CurrentDevicePath();
  if (path.empty()) return {};
  DeviceOpenError error = DeviceOpenError::None;
  if (OpenDevice(path, DeviceAccess::Read, &error)) return {};
  if (error == DeviceOpenError::Permission) return kNeedsRightsText;
  if (error == DeviceOpenError::Changed) return kChosenDiskChangedText;
  return {};
}

bool SetDevicePathFromSelection() {
  if (!StartsWithNoCase(g_SourceName, "Disk")) {
    const char letter = DriveLetterOfNodeText(g_SourceName);
    if (letter == 0) return false;
    g_SourceDriveLetter = letter;
    g_CurrentDevice = 0;
    return SetDevicePath(0, std::string("\\\\.\\") + letter + ":");
  }
  const std::string_view digits = std::string_view(g_SourceName).substr(4);
  int n = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc() || end != digits.data() + digits.size() || n < 0 ||
      n >= kPartitionDiskCount)
    return false;
  g_CurrentDevice = static_cast<int16_t>(n);
  g_SourceDriveLetter = 0;
  return SetDevicePath(0, "\\\\.\\PhysicalDrive0");
}

std::optional<int64_t> ParseSectorNumber(std::string_view text) {
  text = Trimmed(text);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() ||
      value > static_cast<uint64_t>(kMaxSourceSector))
    return std::nullopt;
  return static_cast<int64_t>(value);
}

SourceNextStep CheckSourceNext(const SourceRangeInput& range, bool (*canOpen)(), int (*detect)()) {
  g_BadSectorChoice = 0;
  if (g_SourceName.empty() || g_SourceName == kLogicalDrivesText)
    return Refuse(kSelectLogicalDriveText);
  if (g_SourceName == kPhysicalDisksText || g_SourceName == kVirtualDisksText)
    return Refuse(kSelectPhysicalDiskText);
  if (g_SourceName == kDiskImageText) return Refuse(kSelectDiskImageText);
  if (!SetDevicePathFromSelection())
    return Refuse(StartsWithNoCase(g_SourceName, "Disk") ? kSelectPhysicalDiskText
                                                         : kSelectLogicalDriveText);
  if (!canOpen) canOpen = SourceCanBeOpened;
  if (!detect) detect = DetectVolumeGeometry;
  // Said before anything else: without the rights, or with another disk under the name, every
  // other answer would mislead.
  if (const std::string_view problem = SourceOpenProblem(); !problem.empty())
    return Refuse(problem);

  if (g_ScanState.partitionStyle == 0) {
    const FileSystemKind kind = g_FileSystemName;
    if (kind != FileSystemKind::Fat32 && kind != FileSystemKind::Fat16 &&
        kind != FileSystemKind::Ntfs)
      return Refuse(kSelectPartitionTypeText);
    if (g_SourceEndSector <= g_SourceStartSector) return Refuse(kEndAfterStartText);
    if (g_SourceStartSector > kMaxVolumeStartSector) return Refuse(kVolumeBeyondLimitText);
    // A source that cannot be opened would be scanned as zeros and show nothing found.
    if (!canOpen()) return Refuse(kCannotOpenSourceText);
    // A scan with the geometry of an earlier volume would read the wrong sectors.
    if (detect() != 1) return Refuse(kCannotReadFileSystemText);
    g_PartitionPass = 0;
    g_PartitionMode = 0;
    return SourceNextStep::Analysis;
  }

  g_PartitionPass = 0;
  g_SelectedDiskNumber = 0;
  g_PartitionMode = 1;
  // What the click put into the boxes, to tell a chosen volume from a number typed in.
  const int64_t chosenStart = g_SourceStartSector;
  const int64_t chosenEnd = g_SourceEndSector;
  // An image is copied sector by sector in 64 bits; the scans take volumes the geometry holds.
  const bool scan = g_ScanState.recoveryMode != kCreateDiskImage;
  auto start = ParseSectorNumber(range.start);
  if (start && scan && *start > kMaxVolumeStartSector) {
    if (*start == chosenStart) return Refuse(kVolumeBeyondLimitText);
    start.reset();
  }
  if (!start) return Refuse(kStartNotValidText);
  g_SourceStartSector = *start;
  auto end = ParseSectorNumber(range.end);
  if (end && scan && *end > kMaxVolumeStartSector + 1) {
    // A disk or volume that reaches past the limit is searched up to it; a typed number that
    // does not fit is refused.
    if (*end == chosenEnd)
      end = kMaxVolumeStartSector + 1;
    else
      end.reset();
  }
  if (!end) return Refuse(kEndNotValidText);
  g_SourceEndSector = *end;
  if (*end <= *start) return Refuse(kRangeEndAfterStartText);
  switch (range.fileSystem) {
    case 0:
      g_FileSystemName = FileSystemKind::Fat16;
      break;
    case 1:
      g_FileSystemName = FileSystemKind::Fat32;
      break;
    case 2:
      g_FileSystemName = FileSystemKind::Ntfs;
      break;
    case 3:
      if (g_ScanState.recoveryMode != kRawDataRecovery && g_CreateImageMode != 1)
        return Refuse(kRangePartitionTypeText);
      break;
    default:
      break;
  }
  if (!canOpen()) return Refuse(kCannotOpenSourceText);
  g_PartitionPass = 0;
  return g_ScanState.recoveryMode == kCreateDiskImage ? SourceNextStep::Imaging
                                                      : SourceNextStep::PartitionSearch;
}
