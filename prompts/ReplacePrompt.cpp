#include "prompts/ReplacePrompt.h"

std::atomic<int32_t> g_ReplaceChoice{0};

namespace {

class HeadlessReplacePrompt final : public ReplacePrompt {
 public:
  int32_t AskReplace() override { return kReplaceSkip; }
};

std::atomic<ReplacePrompt*> g_Installed{nullptr};

}  // namespace

void SetReplacePrompt(ReplacePrompt* p) {
  g_Installed.store(p, std::memory_order_release);
}

int32_t AskReplace() {
  static HeadlessReplacePrompt headless;
  ReplacePrompt* p = g_Installed.load(std::memory_order_acquire);
  int32_t answer = (p ? *p : static_cast<ReplacePrompt&>(headless)).AskReplace();
  if (answer < kReplaceOverwrite || answer > kReplaceRenameAll) answer = kReplaceSkip;
  g_ReplaceChoice = answer;
  return answer;
}
