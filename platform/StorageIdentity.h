// Whether two places share storage, so that a writer can refuse to write where the source lives:
// a disk-to-disk target that is the source disk (or holds the source partition), or an image
// folder on a file system of the source disk.
#pragma once

#include <string>

// True when the operating-system paths a and b name the same file, or block devices of which one
// is the other or holds it as a partition. Paths that cannot be looked at give false.
bool SameStorage(const std::string& a, const std::string& b);

// True when the file system that holds folder lives on the block device at devicePath, on a
// partition of it, or on the disk that holds it. Paths that cannot be looked at give false.
bool FolderOnDevice(const std::string& folder, const std::string& devicePath);
