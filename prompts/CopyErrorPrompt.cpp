#include "prompts/CopyErrorPrompt.h"

#include <atomic>

#include "prompts/CopyGlobals.h"

namespace {

class HeadlessCopyErrorPrompt final : public CopyErrorPrompt {
 public:
  CopyErrorAnswer AskCopyError() override { return CopyErrorAnswer::Abort; }
};

HeadlessCopyErrorPrompt& Headless() {
  static HeadlessCopyErrorPrompt headless;
  return headless;
}

std::atomic<CopyErrorPrompt*> g_Installed{nullptr};

}  // namespace

void SetCopyErrorPrompt(CopyErrorPrompt* p) {
  g_Installed.store(p, std::memory_order_release);
}

CopyErrorAnswer AskCopyError() {
  CopyErrorPrompt* p = g_Installed.load(std::memory_order_acquire);
  const CopyErrorAnswer answer =
      (p ? *p : static_cast<CopyErrorPrompt&>(Headless())).AskCopyError();
  switch (answer) {
    case CopyErrorAnswer::Skip:
      g_CopySkipOnce = 1;
      g_CopySkipAll = 0;
      g_CopyAbort = 0;
      break;
    case CopyErrorAnswer::SkipAll:
      g_CopySkipAll = 1;
      g_CopySkipOnce = 0;
      g_CopyAbort = 0;
      break;
    case CopyErrorAnswer::Abort:
      g_CopyAbort = 1;
      g_CopySkipOnce = 0;
      g_CopySkipAll = 0;
      break;
    case CopyErrorAnswer::Closed:
      break;
  }
  return answer;
}
