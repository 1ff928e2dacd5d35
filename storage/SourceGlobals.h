// The globals that name the current source and steer the sector path. The source page sets them,
// the disk-imaging page sets the image target, and every reader of sectors consults them. Tests
// call ResetSourceGlobals() to start from the program's initial state.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/FileSystemKind.h"
#include "storage/vdisk/VirtualDiskReader.h"

inline constexpr int kDevicePathCount = 10;
inline constexpr int kDevicePathBytes = 20;  // ANSI name with its terminating NUL

// Device names; initially "\\.\PhysicalDrive0" to "\\.\PhysicalDrive9". The source page writes
// "\\.\X:" into entry 0 when a logical drive is chosen.
extern char g_DevicePaths[kDevicePathCount][kDevicePathBytes];
extern int16_t g_CurrentDevice;  // index into g_DevicePaths of the source

extern int32_t g_BytesPerSector;      // sector size of the source (512 until a source sets it)
extern int64_t g_SourceStartSector;   // first sector of the chosen volume
extern int64_t g_SourceEndSector;     // last sector of the source; 0 or below: no limit

// The highest sector a source may start or end at. No disk comes near it (2^47 sectors of 512
// bytes are 64 PiB), and every offset a volume's structures add to a start (at most 2^40 sectors)
// still fits 64 bits above it, so a damaged start can be refused instead of overflowing.
inline constexpr int64_t kMaxSourceSector = (int64_t{1} << 47) - 1;

// The volume geometry holds 32-bit sector numbers: a volume that starts past this sector (2 TiB
// into a disk of 512-byte sectors) cannot be scanned, and is refused in these words.
inline constexpr int64_t kMaxVolumeStartSector = int64_t{UINT32_MAX};
inline constexpr std::string_view kVolumeBeyondLimitText =
    "This volume starts at or after sector 4294967296 (2 TB into a disk of 512-byte sectors). "
    "The program can only read volumes that start before that sector.";

extern FileSystemKind g_FileSystemName;  // file system of the chosen volume; None before a choice

extern int32_t g_VirtualDiskMode;  // the source is a virtual-disk file
extern VirtualDiskFormat g_VirtualDiskType;  // format of that file
extern std::string g_VirtualDiskPath;     // the virtual-disk file chosen (a ".vbox" file's disk)
extern std::string g_VirtualBoxFilePath;  // the ".vbox" file last chosen, shown again next time

extern int32_t g_DiskImageSource;        // the source is a disk image folder
extern int32_t g_ImageMultiFile;         // that image is split into 2 GiB pieces
extern std::string g_SourceImageFolder;  // folder holding DiskImage0.dmg, ...

// Last answer to the bad-sector question: 0 retry, 1 skip, 2 retry all, 3 skip all. The source
// page's Next sets it to 0; a worker's question and the UI thread's reset may meet, hence atomic.
extern std::atomic<int32_t> g_BadSectorChoice;

// What the source tree's click chose besides the path and range; the scan log stores them.
extern char g_SourceDriveLetter;          // letter of a logical drive, 0 for a physical disk
extern int16_t g_SelectedDiskNumber;      // disk number N of the chosen disk or partition
extern int16_t g_SelectedPartitionIndex;  // index of the chosen partition in its disk, -1 none
extern std::string g_SourceDiskModel;     // model text of the last disk shown (UTF-8)
extern std::string g_SourceNodeText;      // text of the chosen partition node (UTF-8), or empty

extern int32_t g_ImageToDisk;      // disk imaging: 0 into image files, 1 onto another disk
extern int32_t g_ImageTargetDisk;  // that disk's index into g_DevicePaths

// Entry index of g_DevicePaths, never reading past its 20 bytes; empty for a bad index.
std::string_view DevicePathAt(int index);
// Entry g_CurrentDevice of g_DevicePaths.
std::string_view CurrentDevicePath();
// Writes entry index; false (nothing written) when the index is bad or the name is too long.
bool SetDevicePath(int index, std::string_view path);

void ResetSourceGlobals();
