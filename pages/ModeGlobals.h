// What the mode page records before it opens the source page: the recovery mode and whether the
// scan works on one volume or a sector range (recoveryMode and partitionStyle of g_ScanState),
// and the scan-kind flags g_FormattedMode and g_CreateImageMode (engine/records/ScanState.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// RecoveryMode values.
inline constexpr int32_t kDeletedDataRecovery = 1;
inline constexpr int32_t kFormattedDataRecovery = 2;
inline constexpr int32_t kPartitionDataRecovery = 3;
inline constexpr int32_t kRawDataRecovery = 4;  // nothing sets it; later pages still test for it
inline constexpr int32_t kCreateDiskImage = 5;

// The control ids of the mode buttons.
inline constexpr int kIdDeletedButton = 1016;
inline constexpr int kIdFormattedButton = 1024;
inline constexpr int kIdPartitionButton = 1017;
inline constexpr int kIdCreateImageButton = 1018;

struct ModeButtonValues {
  int32_t recoveryMode = 0;
  int32_t partitionStyle = 0;
  std::optional<int32_t> formattedMode;  // empty: the button keeps the last value
  int32_t createImageMode = 0;
};

// The values a mode button writes; nothing for an id that is not a mode button.
std::optional<ModeButtonValues> ValuesOfModeButton(int controlId);
// Writes them into g_ScanState and the flag globals.
void ApplyModeButton(const ModeButtonValues& values);

// The caption suffix pages add for a mode (" - Deleted Data Recovery"), "" for none.
std::string_view ModeTitleSuffix(int32_t recoveryMode);

// The four values a mode button writes back to 0 (tests).
void ResetModeGlobals();
