// How far the current source really reaches, so that a range that runs past it is searched only
// up to its end instead of as zeros for hours.
#pragma once

#include <cstdint>
#include <optional>

// The sectors the current source holds: the size of the device (or image file) named by
// g_DevicePaths[g_CurrentDevice], or of the disk image's pieces (every piece but the last one
// being full). Nothing when it cannot be told (a virtual disk, a device that cannot be opened).
std::optional<uint64_t> SourceSectorCount();

// The end of the range a scan searches: g_SourceEndSector (one past the range's last sector; 0 or
// below when no range is set, then 0), cut at SourceSectorCount().
uint64_t SourceRangeEnd();
