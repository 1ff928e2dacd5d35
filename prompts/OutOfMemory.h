// What every record builder and list appender does when memory runs out: one fixed box, then the
// program ends at once, as it always has.
#pragma once

#include <string_view>

// Caption of the system-modal out-of-memory boxes.
inline constexpr std::string_view g_ProductCaption = "Software Dovrane Merrowind";

// Shows text ("Out Of Memory", "Memory Allocation Error", "Not Enough Memory") in the fatal box
// with g_ProductCaption, then ends the process with code 0. Returns only when a test has
// replaced the exit (platform/ExitProcess.h); the caller must then give up its step safely.
void ReportOutOfMemoryAndExit(std::string_view text);
