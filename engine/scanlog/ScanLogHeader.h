// Reading a scan log's header and partition section back (the parsing and checks of Load Log;
// the page shows the file dialog and then runs the pages of the saved mode).
//
// A log is accepted only whole: every read lies inside the file, every count is bounded by the
// bytes that remain, the style is 0 or 1, the file-system names are known, the sector size is a
// power of two the program reads, the device and drive letter name a real device path, the
// chosen file system lies within the partition count, and every record section parses to its
// end. Nothing is stored in any global until all of that holds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/records/ResultRecords.h"
#include "engine/scanlog/ScanLogSource.h"
#include "storage/VolumeGeometry.h"

struct ScanLogHeader {
  uint16_t style = 0;  // ScanState::partitionStyle
  std::u16string diskModel;
  uint8_t currentDevice = 0;
  uint8_t driveLetter = 0;
  uint32_t bytesPerSector = 0;
  uint8_t selectedDiskNumber = 0;
  uint8_t selectedPartitionIndex = 0;
  std::u16string fileSystemName;
  std::u16string sourceNodeText;
  uint64_t startSector = 0;
  uint64_t endSector = 0;
  VolumeGeometry volumeGeometry{};
  VolumeGeometry scanGeometry{};  // the geometry the saved scan ran with
  std::u16string scanFileSystemName;
  int32_t formattedMode = 0;
  int32_t partitionMode = 0;
  int32_t partitionPass = 0;
  int32_t chosenFileSystem = 0;
  std::vector<PartitionRecord> partitions;  // the partition section (partition mode only)
  uint64_t recordOffset = 0;                // first byte after the partition section

  // Whether the record section starts with the found-directory and found-file sections.
  bool HasFoundSections() const { return partitionMode != 0 && style == 1; }
};

enum class ScanLogCheck {
  Valid,
  Invalid,      // "Log file is not valid. Invalid seeking. ."
  WrongDevice,  // "Please select proper device."
};

// Parses the header and the partition section. The disk model must equal diskModel exactly (an
// empty model only an empty one). The record section is not looked at.
ScanLogCheck ParseScanLogHeader(ScanLogSource& source, std::u16string_view diskModel,
                                ScanLogHeader& out);

// Parses the header (as above) and walks every record section to the end without building
// anything.
ScanLogCheck CheckScanLog(ScanLogSource& source, std::u16string_view diskModel, ScanLogHeader& out);

// Stores a checked header: ScanState's partitionStyle, geometry, file-system name,
// chosenFileSystem, recoveryMode (3 partition, 2 formatted, 1 deleted) and, in partition mode,
// its partition list and count (replacing what they held); g_CurrentDevice,
// g_SourceDriveLetter, g_DevicePaths entry 0, g_BytesPerSector, g_SelectedDiskNumber,
// g_SelectedPartitionIndex (-1 comes back as -1), g_FileSystemName, g_SourceNodeText, the sector
// range, g_VolumeGeometry, g_FormattedMode, g_PartitionMode, g_PartitionPass := 0,
// g_LogRecordOffset and g_LogPath. The $MFT map of the source chosen before is dropped.
void ApplyScanLogHeader(const ScanLogHeader& header, const std::string& path);

// Load Log after its dialog, up to the pages: checks the log at path against g_SourceDiskModel
// and stores its header. Notices: "You have not selected any path. Please try again." for an
// empty path, "Error found while opening log file. Please try again." when the file cannot be
// opened, "Please select proper device." for another disk's log, "Log file is not valid. Invalid
// seeking. ." for anything else wrong. On every failure g_LogLoaded := 0 and no other global
// changes. Returns 1 when the header was stored.
int LoadScanLogHeader(const std::string& path);
