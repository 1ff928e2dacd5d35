// Where a loaded scan log's records are: Load Log sets both after reading the header and the
// partition section; the scan thread's record reader opens the file again there.
#pragma once

#include <cstdint>
#include <string>

extern std::string g_LogPath;
extern uint64_t g_LogRecordOffset;  // first byte after the partition section

void ResetScanLogGlobals();
