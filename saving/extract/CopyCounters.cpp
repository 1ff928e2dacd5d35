#include "saving/extract/CopyCounters.h"

std::atomic<uint64_t> g_CopiedBytes{0};
std::atomic<uint32_t> g_CopiedFileCount{0};
std::atomic<uint32_t> g_CopyUnsupportedFileCount{0};
std::atomic<bool> g_CopyNoLayoutNoticed{false};
std::atomic<bool> g_CopyEncryptedNoticed{false};

void ResetCopyCounters() {
  g_CopiedBytes = 0;
  g_CopiedFileCount = 0;
  g_CopyUnsupportedFileCount = 0;
  g_CopyNoLayoutNoticed = false;
  g_CopyEncryptedNoticed = false;
}
