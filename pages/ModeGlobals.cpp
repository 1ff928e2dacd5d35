#include "pages/ModeGlobals.h"

#include "engine/records/ScanState.h"

std::optional<ModeButtonValues> ValuesOfModeButton(int controlId) {
  switch (controlId) {
    case kIdDeletedButton:
      return ModeButtonValues{kDeletedDataRecovery, 0, 0, 0};
    case kIdFormattedButton:
      return ModeButtonValues{kFormattedDataRecovery, 0, 1, 0};
    case kIdPartitionButton:
      return ModeButtonValues{kPartitionDataRecovery, 1, std::nullopt, 0};
    case kIdCreateImageButton:
      return ModeButtonValues{kCreateDiskImage, 1, std::nullopt, 1};
    default:
      return std::nullopt;
  }
}

void ApplyModeButton(const ModeButtonValues& values) {
  g_ScanState.recoveryMode = values.recoveryMode;
  g_ScanState.partitionStyle = values.partitionStyle;
  if (values.formattedMode) g_FormattedMode.store(*values.formattedMode);
  g_CreateImageMode.store(values.createImageMode);
}

std::string_view ModeTitleSuffix(int32_t recoveryMode) {
  switch (recoveryMode) {
    case kDeletedDataRecovery:
      return " - Deleted Data Recovery";
    case kFormattedDataRecovery:
      return " - Formatted Data Recovery";
    case kPartitionDataRecovery:
      return " - Partition Data Recovery";
    case kRawDataRecovery:
      return " - Raw Data Recovery";
    case kCreateDiskImage:
      return " - Create Disk Image";
    default:
      return "";
  }
}

void ResetModeGlobals() {
  g_ScanState.recoveryMode = 0;
  g_ScanState.partitionStyle = 0;
  g_FormattedMode.store(0);
  g_CreateImageMode.store(0);
}
