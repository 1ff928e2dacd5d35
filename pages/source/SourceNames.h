// What the source page calls the chosen source, besides the globals the sector path reads
// (storage/SourceGlobals.h): the name the device path is built from and the first piece of a
// disk image chosen as the source.
#pragma once

#include <string>
#include <string_view>

// "Disk" + N for a disk, a disk image's entry or a partition of either; a logical drive's node
// text ("Data (D:)"); or a group node's text ("Physical Disks", "Disk Image") while nothing
// that can be scanned is chosen. Empty before a choice.
extern std::string g_SourceName;
// Path of "DiskImage0.dmg" of the disk image last chosen.
extern std::string g_DiskImagePath;

inline constexpr std::string_view kThisPcText = "This PC";
inline constexpr std::string_view kPhysicalDisksText = "Physical Disks";
inline constexpr std::string_view kLogicalDrivesText = "Logical Drives";
inline constexpr std::string_view kDiskImageText = "Disk Image";
inline constexpr std::string_view kVirtualDisksText = "Virtual Disks";
inline constexpr std::string_view kFirstPieceName = "DiskImage0.dmg";

void ResetSourceNames();
