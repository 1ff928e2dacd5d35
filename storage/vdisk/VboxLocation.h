// The disk a VirtualBox machine file (".vbox") points to: the value of its first location=
// attribute, taken relative to the machine file's folder.
#pragma once

#include <string>

#include "storage/vdisk/VirtualDiskFile.h"

// How much of a machine file is searched; a machine file is a few KiB, and one that is not
// found in this much is not one.
inline constexpr size_t kVboxSearchBytes = 1 << 20;

// The path of the disk the ".vbox" file at vboxPath names, or an empty string when the file
// cannot be read or names none. Backslashes in the value become "/", and a value that is already
// absolute is kept as it is.
std::string ReadVboxDiskLocation(const std::string& vboxPath,
                                 const VirtualDiskOpener& opener = OpenVirtualDiskFile);
