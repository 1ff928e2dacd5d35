#include "platform/OutOfMemory.h"

#include "platform/ExitProcess.h"
#include "platform/UserPrompts.h"

void ReportOutOfMemoryAndExit(std::string_view text) {
  Prompts().FatalBox(g_ProductCaption, text);
  ExitProcessNow(0);
}
