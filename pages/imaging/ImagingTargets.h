// The disk-imaging page without a window: which disks may receive the image, how a target is
// shown, the path Browse proposes, and what Next checks before the image is made.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RawDevice.h"

inline constexpr std::string_view kChooseTargetDiskText = "Please choose target disk.";
inline constexpr std::string_view kTargetPathMissingText =
    "Target path does not exist. Please choose correct path.";
inline constexpr std::string_view kNotEnoughSpaceQuestion =
    "Destination does not contain adequate space. Do you want to continue.";
inline constexpr std::string_view kImageFileName = "DiskImage.dmg";

struct TargetDisk {
  int number = 0;     // N of "DiskN", the index of its device name
  std::string name;   // "DiskN"
  std::string model;
  uint64_t sizeBytes = 0;
  std::string node;  // the system's device node ("/dev/sdb"), or the file standing in for it
  // The disk as listed: the image is written only while its name still names that disk.
  std::optional<DeviceIdentity> identity;
};

// Whether disk N is busy (mounted, or open by another program): it is never offered.
using DiskInUseFn = std::function<bool(int number)>;
// A disk is in use when the system refuses it an exclusive open. The open is read-only: a disk
// opened for writing is rescanned by the system when it is closed, and nothing is written here.
bool DiskOpenElsewhere(int number);

struct TargetDiskList {
  bool storeRead = false;  // false: the geometry store could not be written (the user was told)
  std::vector<TargetDisk> disks;
};

// Rewrites the geometry store, then lists the physical disks in number order but the source's own
// disk (the disk the source's device name names, or the disk that holds the chosen partition or
// logical drive), disk images and disks in use.
TargetDiskList ImagingTargetDisks(const DiskInUseFn& inUse);

// Sets the imaging globals for target (g_ImageToDisk, g_ImageTargetDisk, g_ImageTargetLabel) and
// holds its device name to the disk listed, so that a disk that took the name since is never
// written.
void ChooseImagingTarget(const TargetDisk& target);

// "%.1f" followed by " TB", " GB", " MB" (from 2^40, 2^30, 2^20 bytes) or " KB"; "0" for none.
std::string TargetDiskSizeText(uint64_t bytes);

// "All data will be lost in Target Disk -", the target's name and model, its size and device
// node (two disks of one model are told apart by them), and the question.
std::string DataLossQuestion(const TargetDisk& target);
// The target's label while the image is written: name, " - ", model.
std::string TargetDiskLabel(const TargetDisk& target);

// Browse: the chosen folder, a separator unless it ends in one, and "DiskImage.dmg".
std::string BrowsedImagePath(std::string_view folder);

// The folder Next requires to exist for an image path: the path up to its last separator when it
// names a ".dmg" file, else the path itself.
std::string ImageFolderOf(std::string_view path);

// Free bytes where path's folder lies; 0 when that cannot be told.
uint64_t FreeBytesAt(std::string_view path);

// The source's size in bytes.
uint64_t ImagingSourceBytes(int64_t startSector, int64_t endSector, int32_t bytesPerSector);
