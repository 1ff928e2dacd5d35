#include "pages/analysis/AnalysisTexts.h"

#include "pages/ModeGlobals.h"
#include "pages/SizeText.h"

std::string_view AnalysisHelpLine(bool createImage, bool partition, int32_t pass, bool formatted) {
  if (createImage) return kImagingHelpLine;
  if (partition && pass == 0) return kPartitionHelpLine;
  if (formatted) return kFormattedHelpLine;
  return kDeletedHelpLine;
}

std::string_view AnalysisHint(bool createImage, bool partition, int32_t pass) {
  if (createImage) return kImagingHint;
  if (partition && pass == 0) return kPartitionSearchHint;
  return kHideDetailsHint;
}

std::string ModeLineText(int32_t recoveryMode) {
  std::string_view name;
  switch (recoveryMode) {
    case kDeletedDataRecovery: name = "Deleted Data Recovery"; break;
    case kFormattedDataRecovery: name = "Formatted Data Recovery"; break;
    case kPartitionDataRecovery: name = "Partition Data Recovery"; break;
    case kRawDataRecovery: name = "Raw Data Recovery"; break;
    case kCreateDiskImage: name = "Create Disk Image"; break;
    default: break;
  }
  return "Mode     :  " + std::string(name);
}

std::string DeviceLineText(std::string_view devicePath, bool virtualDisk) {
  if (virtualDisk) return "Device   :  Virtual Disk";
  return "Device   :  " + std::string(devicePath.size() > 4 ? devicePath.substr(4) : "");
}

std::string CapacityLineText(int64_t startSector, int64_t endSector, int32_t bytesPerSector) {
  const uint64_t sectors =
      endSector > startSector ? static_cast<uint64_t>(endSector - startSector) : 0;
  const uint64_t bps = bytesPerSector > 0 ? static_cast<uint64_t>(bytesPerSector) : 0;
  const uint64_t bytes = bps && sectors > UINT64_MAX / bps ? UINT64_MAX : sectors * bps;
  return "Capacity :  " + SizeTextOneDecimal(bytes);
}

std::string_view SizeLabelForScan(FileSystemKind fileSystem, bool formatted, bool partition,
                                  int32_t pass, bool logLoaded) {
  if (fileSystem == FileSystemKind::Ntfs) {
    if (partition && pass == 1) return {};
    if (formatted || partition) return logLoaded ? kTotalSizeLabel : kIndexesFoundLabel;
    return kTotalSizeLabel;
  }
  if (IsFatKind(fileSystem)) {
    if (formatted || partition) return logLoaded ? kTotalSizeLabel : kCurrentSectorLabel;
    return kTotalSizeLabel;
  }
  return {};
}
