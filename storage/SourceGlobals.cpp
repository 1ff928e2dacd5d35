#include "storage/SourceGlobals.h"

#include <cstring>

#include "platform/DeviceNamespace.h"

char g_DevicePaths[kDevicePathCount][kDevicePathBytes] = {
    "\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1", "\\\\.\\PhysicalDrive2",
    "\\\\.\\PhysicalDrive3", "\\\\.\\PhysicalDrive4", "\\\\.\\PhysicalDrive5",
    "\\\\.\\PhysicalDrive6", "\\\\.\\PhysicalDrive7", "\\\\.\\PhysicalDrive8",
    "\\\\.\\PhysicalDrive9"};
int16_t g_CurrentDevice = 0;
int32_t g_BytesPerSector = 512;
int64_t g_SourceStartSector = 0;
int64_t g_SourceEndSector = 0;
FileSystemKind g_FileSystemName = FileSystemKind::None;
int32_t g_VirtualDiskMode = 0;
VirtualDiskFormat g_VirtualDiskType = VirtualDiskFormat::Vmdk;
std::string g_VirtualDiskPath;
std::string g_VirtualBoxFilePath;
int32_t g_DiskImageSource = 0;
int32_t g_ImageMultiFile = 0;
std::string g_SourceImageFolder;
std::atomic<int32_t> g_BadSectorChoice{0};
char g_SourceDriveLetter = 0;
int16_t g_SelectedDiskNumber = 0;
int16_t g_SelectedPartitionIndex = 0;
std::string g_SourceDiskModel;
std::string g_SourceNodeText;
int32_t g_ImageToDisk = 0;
int32_t g_ImageTargetDisk = 0;

std::string_view DevicePathAt(int index) {
  if (index < 0 || index >= kDevicePathCount) return {};
  const char* p = g_DevicePaths[index];
  return std::string_view(p, strnlen(p, kDevicePathBytes));
}

std::string_view CurrentDevicePath() {
  return DevicePathAt(g_CurrentDevice);
}

bool SetDevicePath(int index, std::string_view path) {
  if (index < 0 || index >= kDevicePathCount || path.size() >= kDevicePathBytes) return false;
  std::memset(g_DevicePaths[index], 0, kDevicePathBytes);
  std::memcpy(g_DevicePaths[index], path.data(), path.size());
  return true;
}

void ResetSourceGlobals() {
  for (int i = 0; i < kDevicePathCount; ++i)
    SetDevicePath(i, std::string("\\\\.\\PhysicalDrive") + static_cast<char>('0' + i));
  g_CurrentDevice = 0;
  g_BytesPerSector = 512;
  g_SourceStartSector = 0;
  g_SourceEndSector = 0;
  g_FileSystemName = FileSystemKind::None;
  g_VirtualDiskMode = 0;
  g_VirtualDiskType = VirtualDiskFormat::Vmdk;
  g_VirtualDiskPath.clear();
  g_VirtualBoxFilePath.clear();
  g_DiskImageSource = 0;
  g_ImageMultiFile = 0;
  g_SourceImageFolder.clear();
  g_BadSectorChoice = 0;
  g_SourceDriveLetter = 0;
  g_SelectedDiskNumber = 0;
  g_SelectedPartitionIndex = 0;
  g_SourceDiskModel.clear();
  g_SourceNodeText.clear();
  g_ImageToDisk = 0;
  g_ImageTargetDisk = 0;
  // No device is held to a choice any more.
  ForgetExpectedDevices();
}
