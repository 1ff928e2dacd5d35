#include "pages/source/SourceChoice.h"

#include "pages/source/SourceNames.h"
#include "platform/DeviceNamespace.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {

// The name the last choice holds to its identity.
std::string& HeldDeviceName() {
  static std::string name;
  return name;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

void HoldDevice(const std::string& name, const std::optional<DeviceIdentity>& identity) {
  std::string& held = HeldDeviceName();
  const bool same = !name.empty() && held == name;
  if (!held.empty() && !same) ForgetExpectedDevice(held);
  held.clear();
  if (name.empty() || !identity) {
    if (!same) ResetDeviceHandleCache();
    return;
  }
  ExpectDevice(name, *identity);
  held = name;
  // A handle opened before the choice was not checked against it.
  ResetDeviceHandleCache();
}

}  // namespace

void ApplySourceChoice(const SourceChoice& choice) {
  g_SourceName = choice.name;
  g_SourceNodeText = choice.nodeText;
  g_DiskImageSource = choice.image ? 1 : 0;
  if (choice.image) {
    g_SourceImageFolder = WithSlash(choice.imageFolder);
    g_DiskImagePath = g_SourceImageFolder + std::string(kFirstPieceName);
    g_ImageMultiFile = choice.multiFile ? 1 : 0;
  }
  if (choice.bytesPerSector) g_BytesPerSector = *choice.bytesPerSector;
  if (choice.firstEntry) SetDevicePath(0, *choice.firstEntry);
  if (choice.device) g_CurrentDevice = *choice.device;
  if (choice.driveLetter) g_SourceDriveLetter = *choice.driveLetter;
  if (choice.diskNumber) g_SelectedDiskNumber = *choice.diskNumber;
  g_SelectedPartitionIndex = choice.partitionIndex;
  g_VirtualDiskMode = choice.virtualFile ? 1 : 0;
  g_SourceStartSector = choice.startSector;
  g_SourceEndSector = choice.endSector;
  g_FileSystemName = choice.fileSystem;
  HoldDevice(choice.image ? std::string() : choice.deviceName, choice.identity);
}

void ForgetSourceDevice() {
  HoldDevice({}, std::nullopt);
}
