// The one place a source choice is applied. Each step of the source page (a click on a disk, a
// partition, a logical drive, a disk image or a group node, and the reads the listing makes)
// describes what it chose as a SourceChoice, and ApplySourceChoice writes the source globals
// (storage/SourceGlobals.h, pages/source/SourceNames.h) from it.
//
// A choice that is read from a device also names that device's identity as it was when the user
// saw it listed: from then on the device name opens only while it still names that very device
// (platform/DeviceNamespace.h), so a scan, a copy, a preview or an image never reads another disk
// that has taken the name since, after disks were plugged in or out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/RawDevice.h"
#include "storage/FileSystemKind.h"

struct SourceChoice {
  std::string name;      // g_SourceName: "DiskN", a logical drive's or a group node's text
  std::string nodeText;  // g_SourceNodeText: the chosen partition node's text, or empty

  // A disk image: its folder (holding DiskImage0.dmg, ...) and whether it is in pieces.
  bool image = false;
  std::string imageFolder;
  bool multiFile = false;

  // Fields left empty keep what the globals hold.
  std::optional<int32_t> bytesPerSector;  // g_BytesPerSector
  std::optional<int16_t> device;          // g_CurrentDevice
  std::optional<std::string> firstEntry;  // g_DevicePaths[0]: "\\.\PhysicalDrive0" or "\\.\X:"
  std::optional<char> driveLetter;        // g_SourceDriveLetter
  std::optional<int16_t> diskNumber;      // g_SelectedDiskNumber

  int16_t partitionIndex = -1;  // g_SelectedPartitionIndex
  bool virtualFile = false;     // g_VirtualDiskMode
  int64_t startSector = 0;      // g_SourceStartSector
  int64_t endSector = 0;        // g_SourceEndSector
  FileSystemKind fileSystem = FileSystemKind::None;

  // The device name the source is read through ("\\.\PhysicalDriveN", "\\.\X:") and the identity
  // it had when listed; empty for a disk image or while nothing readable is chosen.
  std::string deviceName;
  std::optional<DeviceIdentity> identity;
};

// Writes the globals from choice, and holds its device name to its identity (releasing the
// device of the choice before).
void ApplySourceChoice(const SourceChoice& choice);

// Releases the device of the last choice: the next listing starts afresh.
void ForgetSourceDevice();
