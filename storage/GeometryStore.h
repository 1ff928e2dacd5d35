// The disk facts the source and disk-imaging pages list disks from. They do not ask the devices
// each time: PublishDiskGeometry probes the physical disks once per listing and writes what it
// finds under "VrellGeometry" in the program's registry, one value "Disk<N>" per disk in the root
// key and in each of seven subkeys; the source page adds an entry for each disk image it opens.
// Every value is a decimal or plain text string.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view kGeometryKey = "VrellGeometry";
inline constexpr std::string_view kGeometryCylinderKey = "VrellGeometry\\Cylinder";
inline constexpr std::string_view kGeometryHeadKey = "VrellGeometry\\Head";
inline constexpr std::string_view kGeometryMediaTypeKey = "VrellGeometry\\MediaType";
inline constexpr std::string_view kGeometryModelKey = "VrellGeometry\\Model";
inline constexpr std::string_view kGeometrySectorsPerTrackKey = "VrellGeometry\\SectorsPerTrack";
inline constexpr std::string_view kGeometrySizeKey = "VrellGeometry\\Size";
inline constexpr std::string_view kGeometryBytesPerSectorKey = "VrellGeometry\\BytesPerSector";

// Physical disks take the numbers 0 to 9; disk images the first free numbers below 26.
inline constexpr int kGeometryEntryCount = 26;

inline constexpr uint32_t kRemovableMedia = 11;
inline constexpr uint32_t kFixedMedia = 12;

// Said when the store cannot be written, followed by the store's file path and ".".
inline constexpr std::string_view kGeometryStoreFailedText =
    "Unable to save the disk information in ";

// A drive's geometry as the disk drivers report it: 255 heads and 63 sectors per track stand in
// for the real layout, which no modern disk has. sizeBytes is the true length: cylinders x heads
// x sectors would cut off the disk's tail.
struct DiskGeometry {
  int64_t cylinders = 0;
  uint32_t mediaType = 0;  // kFixedMedia or kRemovableMedia
  uint32_t tracksPerCylinder = 0;
  uint32_t sectorsPerTrack = 0;
  uint32_t bytesPerSector = 0;
  uint64_t sizeBytes = 0;
};

// "Disk" followed by n in decimal: the value name of entry n.
std::string GeometryValueName(int n);

// The geometry of the disk or volume behind a device name ("\\.\PhysicalDrive0", "\\.\C:").
// Returns 1 when it is known, else 0. Nothing is opened on a real device.
int QueryDriveGeometry(std::string_view devicePath, DiskGeometry& geometry);

// Empties model, then fills it with the model text of "\\.\PhysicalDrive<drive>" (empty when the
// disk has none). Returns 0, or an errno value when the drive is unknown.
long GetPhysicalDriveModel(unsigned drive, std::string& model);

// Rebuilds the store from nothing for the physical disks 0 to 9 (a disk that cannot be probed is
// left out, so numbers may have gaps). Returns 1, or 0 after telling the user when the store
// could not be written.
int PublishDiskGeometry();

// Adds the entry of a disk image under the first free number and returns it, or -1 when every
// number is taken or the store could not be written (the user is told). model is the text that
// named the image in the source tree; totalBytes the sum of its pieces.
int AddDiskImageGeometry(std::string_view model, uint64_t totalBytes, uint32_t bytesPerSector);

// Entry n as the pages read it. Numbers that do not parse read as 0.
struct StoredDiskGeometry {
  std::string kind;  // root value: "HDD", "ZIP" or "Image"
  std::string mediaType;
  std::string model;
  uint64_t sizeBytes = 0;
  uint32_t bytesPerSector = 0;  // the disk's own sector size; 0 when not stored
};
// Nothing when entry n has no root value.
std::optional<StoredDiskGeometry> ReadDiskGeometry(int n);
