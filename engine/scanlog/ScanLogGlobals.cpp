#include "engine/scanlog/ScanLogGlobals.h"

std::string g_LogPath;
uint64_t g_LogRecordOffset = 0;

void ResetScanLogGlobals() {
  g_LogPath.clear();
  g_LogRecordOffset = 0;
}
