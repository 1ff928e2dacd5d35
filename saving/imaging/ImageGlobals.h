// The disk-image target the imaging page hands to the image worker. The target kind, the target
// disk number and the multi-file option live with the sector path (storage/SourceGlobals.h:
// g_ImageToDisk, g_ImageTargetDisk, g_ImageMultiFile) because WriteImageSectors reads them.
#pragma once

#include <string>

// Path of the first image file, normally a folder followed by "/DiskImage.dmg": pieces are named
// from it less its ".dmg", then the piece number and ".dmg" (DiskImage0.dmg, DiskImage1.dmg, ...).
extern std::string g_ImagePath;
// The target disk's name ("Disk" and its number), " - " and its model; shown as the current name
// while copying onto another disk.
extern std::string g_ImageTargetLabel;

void ResetImageGlobals();
