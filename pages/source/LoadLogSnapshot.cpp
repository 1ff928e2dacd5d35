#include "pages/source/LoadLogSnapshot.h"

#include <cstring>

#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"

SourceSnapshot TakeSourceSnapshot() {
  SourceSnapshot s;
  std::memcpy(s.devicePath0.data(), g_DevicePaths[0], kDevicePathBytes);
  s.currentDevice = g_CurrentDevice;
  s.bytesPerSector = g_BytesPerSector;
  s.startSector = g_SourceStartSector;
  s.endSector = g_SourceEndSector;
  s.fileSystem = g_FileSystemName;
  s.driveLetter = g_SourceDriveLetter;
  s.diskNumber = g_SelectedDiskNumber;
  s.partitionIndex = g_SelectedPartitionIndex;
  s.nodeText = g_SourceNodeText;
  s.geometry = g_VolumeGeometry;
  s.recoveryMode = g_ScanState.recoveryMode;
  s.partitionStyle = g_ScanState.partitionStyle;
  s.formattedMode = g_FormattedMode.load();
  s.partitionMode = g_PartitionMode.load();
  s.partitionPass = g_PartitionPass.load();
  s.appTitle = g_AppTitle;
  return s;
}

void RestoreSourceSnapshot(const SourceSnapshot& s) {
  std::memcpy(g_DevicePaths[0], s.devicePath0.data(), kDevicePathBytes);
  g_CurrentDevice = s.currentDevice;
  g_BytesPerSector = s.bytesPerSector;
  g_SourceStartSector = s.startSector;
  g_SourceEndSector = s.endSector;
  g_FileSystemName = s.fileSystem;
  g_SourceDriveLetter = s.driveLetter;
  g_SelectedDiskNumber = s.diskNumber;
  g_SelectedPartitionIndex = s.partitionIndex;
  g_SourceNodeText = s.nodeText;
  g_VolumeGeometry = s.geometry;
  g_ScanState.recoveryMode = s.recoveryMode;
  g_ScanState.partitionStyle = s.partitionStyle;
  g_FormattedMode = s.formattedMode;
  g_PartitionMode = s.partitionMode;
  g_PartitionPass = s.partitionPass;
  g_AppTitle = s.appTitle;
}

std::string LoadedLogTitle(int32_t recoveryMode) {
  return g_AppTitleCopy + std::string(ModeTitleSuffix(recoveryMode));
}
