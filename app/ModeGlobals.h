// What the mode page records before it opens the source page: the recovery mode, whether the
// scan works on one volume or a sector range, and the scan-kind flags. The scan state block of
// the engine takes these over once it is part of the program; until then they live here and
// ApplyModeButton is their one writer.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

// RecoveryMode values.
inline constexpr int32_t kDeletedDataRecovery = 1;
inline constexpr int32_t kFormattedDataRecovery = 2;
inline constexpr int32_t kPartitionDataRecovery = 3;
inline constexpr int32_t kRawDataRecovery = 4;  // nothing sets it; later pages still test for it
inline constexpr int32_t kCreateDiskImage = 5;

extern int32_t g_RecoveryMode;    // RecoveryMode of the current run; 0 before a button
extern int32_t g_PartitionStyle;  // 0 one selected volume, 1 a sector range
extern constinit std::atomic<int32_t> g_FormattedMode;
extern constinit std::atomic<int32_t> g_CreateImageMode;

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
void ApplyModeButton(const ModeButtonValues& values);

// The caption suffix pages add for a mode (" - Deleted Data Recovery"), "" for none.
std::string_view ModeTitleSuffix(int32_t recoveryMode);

void ResetModeGlobals();
