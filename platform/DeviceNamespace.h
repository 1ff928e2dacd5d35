// The program names its sources as it always has: "\\.\PhysicalDrive0" to "\\.\PhysicalDrive9"
// and "\\.\C:" style logical drives. Only this layer turns such a name into something that can be
// opened; everything above keeps the names as they are.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/LinuxDisks.h"
#include "platform/RawDevice.h"

// Why OpenDevice gave nothing.
enum class DeviceOpenError {
  None,
  Unknown,     // the name names no device
  Changed,     // the name now names another device than the one the user chose
  Permission,  // the system refused: reading disks needs administrator rights
  Failed,      // any other failure
};

// Opens the device that devicePath names. A test mapping for the name wins over the operating
// system's devices. When an identity is expected for the name (ExpectDevice), a device that is
// not that one is closed again unread. Returns nullptr when the name is unknown or the open
// failed, with the reason in *error when error is given.
std::unique_ptr<RawDevice> OpenDevice(std::string_view devicePath, DeviceAccess access,
                                      DeviceOpenError* error = nullptr);

// The identity of the device devicePath names now, taken without opening it for writing (a test
// mapping's factory is opened for reading); nothing when the name names nothing.
std::optional<DeviceIdentity> IdentifyDevice(std::string_view devicePath);

// From now on devicePath opens only while it names the device of that identity: the disk the
// user chose stays the disk read and written, even when disks come and go and the names move.
void ExpectDevice(std::string devicePath, DeviceIdentity identity);
void ForgetExpectedDevice(std::string_view devicePath);
void ForgetExpectedDevices();

// The operating-system path a device name resolves to (a test mapping's file included), or
// nothing when the name is unknown.
std::optional<std::string> ResolveDevicePath(std::string_view devicePath);

// Test mapping: devicePath is served by an ordinary file, so tests and test drivers can treat an
// image file as "\\.\PhysicalDrive0".
void MapDeviceToFile(std::string devicePath, std::string filePath);

// Test mapping: devicePath is served by whatever factory returns (nullptr = the open fails; a
// factory may set errno to say why, EACCES for a device the user may not open).
using DeviceFactory = std::function<std::unique_ptr<RawDevice>(DeviceAccess)>;
void MapDeviceToFactory(std::string devicePath, DeviceFactory factory);

// Removes every test mapping.
void ClearDeviceMappings();

// What the system tells about the disk or volume behind devicePath, without opening it: a disk
// the user may not open (no root rights) is still known by its size, sector size and model. A
// test mapping is opened instead and gives its size (512-byte sectors for a plain file). Nothing
// when the name is unknown or the device has no size.
std::optional<DiskFacts> QueryDiskFacts(std::string_view devicePath);

// The folder that stands for "/" wherever the namespace looks at the operating system: the
// kernel's block devices (root/sys/block), the mount table (root/proc/self/mountinfo), the device
// nodes (root/dev/...), the volume labels and the mount points. Empty, as a process starts, means
// no operating-system device at all: only test mappings resolve. The program's own start sets "/";
// a test that needs disks points it at a tree it made, so that no test can reach a disk of the
// machine it runs on.
void SetSystemRoot(std::string root);
std::string SystemRoot();

// absolutePath ("/dev/sda1", "/media/stick") as seen under the system root; empty when there is
// no system root or the path is not absolute.
std::string SystemPath(std::string_view absolutePath);

// The mount table of the system root (its proc/self/mountinfo); empty without a system root.
std::string ReadSystemMountInfo();
