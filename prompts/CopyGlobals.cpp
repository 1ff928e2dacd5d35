#include "prompts/CopyGlobals.h"

std::atomic<int32_t> g_CopySkipOnce{0};
std::atomic<int32_t> g_CopySkipAll{0};
std::atomic<int32_t> g_CopyAbort{0};

void ResetCopyGlobals() {
  g_CopySkipOnce = 0;
  g_CopySkipAll = 0;
  g_CopyAbort = 0;
}
