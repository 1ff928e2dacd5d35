#include "prompts/OutOfMemory.h"

#include "platform/ExitProcess.h"
#include "prompts/UserPrompts.h"

void ReportOutOfMemoryAndExit(std::string_view text) {
  Prompts().FatalBox(g_ProductCaption, text);
  ExitProcessNow(0);
}
