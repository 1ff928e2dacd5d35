// Flags shared by every worker that writes recovered data (file extraction, the copy walk, the
// disk-image worker) and by the pages that drive them. Each flag is 0 or 1:
//   g_CopySkipOnce  leave the current file (or, while imaging, the current block); also set by the
//                   copy page's Skip button; the copy routines clear it at the start of each file;
//   g_CopySkipAll   leave every later failing file or block without asking;
//   g_CopyAbort     stop the whole copy or image.
// The copy-error question (prompts/CopyErrorPrompt.h) writes them exactly as its buttons say. The
// copy page and the analysis page clear them when they are constructed. The UI thread and one
// worker touch them, so they are atomics; nothing else is locked.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> g_CopySkipOnce;
extern std::atomic<int32_t> g_CopySkipAll;
extern std::atomic<int32_t> g_CopyAbort;

// Back to the program's initial state: every flag 0.
void ResetCopyGlobals();
