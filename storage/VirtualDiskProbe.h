// Choosing a virtual-disk file as the source, as the virtual-path dialog does: the reader
// objects, the probe of the readers in their fixed order, and the check of the OK button with
// its messages. The dialog (dialogs/wx/VPath.h) is a window over these; test drivers call
// OpenVirtualDiskSource to read a virtual disk as the program would.
#pragma once

#include <string>

#include "storage/vdisk/VirtualDiskReader.h"
#include "storage/vdisk/parallels/ParallelsImage.h"
#include "storage/vdisk/qcow/QcowImage.h"
#include "storage/vdisk/qed/QedImage.h"
#include "storage/vdisk/vdi/VdiImage.h"
#include "storage/vdisk/vhd/VhdImage.h"
#include "storage/vdisk/vhdx/VhdxImage.h"
#include "storage/vdisk/vmdk/VmdkImage.h"

inline constexpr const char* kVirtualPathMissing =
    "Please specify Virtual Path to continue further.";
inline constexpr const char* kVirtualFileShared =
    "This virtual file is being shared by some other Application. Please close.";
inline constexpr const char* kVirtualFileCorrupted =
    "This virtual file is highly corrupted. Cannot recover data.";
inline constexpr const char* kParentFileShared =
    "Parent virtual file is being shared by some other Application. Please close.";
inline constexpr const char* kParentFileCorrupted =
    "Parent virtual file is highly corrupted. Cannot recover data.";
inline constexpr const char* kParentFileNotFound =
    "Parent virtual file not found. Plz. keep that file in the same child path.";
inline constexpr const char* kSelectValidFile = "Please select valid file.";
inline constexpr const char* kChooseCorrectFile = "Please choose correct virtual file.";
// Sound files that cannot be read alone: part of their data lives in another file.
inline constexpr const char* kVirtualFileNeedsParent =
    "This virtual file is a delta disk that needs its parent virtual file, which is not read. "
    "Please choose the parent virtual file.";
inline constexpr const char* kVirtualFileNeedsBacking =
    "This virtual file depends on another file (its backing file) for part of its data. "
    "Cannot recover data from it alone.";

// One reader object per format; VHD has three, for a differencing disk's parent and grandparent.
struct VirtualDiskReaders {
  QcowImage qcow;
  QedImage qed;
  ParallelsImage parallels;
  VdiImage vdi;
  VhdImage vhd;
  VhdImage vhdParent;
  VhdImage vhdGrandparent;
  VhdxImage vhdx;
  VmdkImage vmdk;
};

// The program's reader objects, made on first use.
VirtualDiskReaders& TheVirtualDiskReaders();

// The reader object that serves a format (for VHD, the disk itself); nullptr when none does.
VirtualDiskReader* ReaderObjectOf(VirtualDiskFormat format);

// Probes path with QCOW, QED, Parallels, VDI, VHD and VHDX in that order and stops at the first
// whose Open gives 1 or 2, setting g_VirtualDiskType to its format. When none claims the file
// the format is VMDK, which is not probed here. A file QCOW cannot open (3) ends the probe with
// g_VirtualDiskType unchanged. Returns the last Open result.
int ProbeVirtualDisk(const std::string& path);

// Browse's choice of path: g_VirtualDiskPath becomes path and g_VirtualBoxFilePath is emptied;
// a ".vbox" file (any case) is remembered in g_VirtualBoxFilePath and stands for the disk it
// names. Returns the probe's result, or 0 when nothing was probed.
int ChooseVirtualDiskPath(const std::string& path);

// The OK button's check of the chosen file, given the last probe result: an empty string when
// the file is accepted (its reader, and a VHD's parents, are then open and registered for the
// sector path), otherwise the message to show.
std::string CheckVirtualDiskChoice(int probeResult);

// For test drivers: chooses path as Browse and OK would (a name ending in ".vmdk" is taken as
// VMDK without probing) and, when accepted, makes it the source (g_VirtualDiskMode set,
// 512-byte sectors, g_SourceEndSector its last sector). Returns the refusal's message, or an
// empty string.
std::string OpenVirtualDiskSource(const std::string& path);
