#include "prompts/UserPrompts.h"

#include <atomic>
#include <cstdio>

namespace {

class HeadlessPrompts final : public UserPrompts {
 public:
  void ViewMsgBox(std::string_view text) override {
    std::fprintf(stderr, "notice: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  int ViewQuestionMsg(std::string_view text) override {
    std::fprintf(stderr, "question (answered No): %.*s\n", static_cast<int>(text.size()),
                 text.data());
    return 2;
  }
  int AskBadSector() override { return 1; }
  void FatalBox(std::string_view caption, std::string_view text) override {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
  }
};

HeadlessPrompts& Headless() {
  static HeadlessPrompts headless;
  return headless;
}

std::atomic<UserPrompts*> g_Installed{nullptr};

}  // namespace

UserPrompts& Prompts() {
  UserPrompts* p = g_Installed.load(std::memory_order_acquire);
  return p ? *p : Headless();
}

void SetUserPrompts(UserPrompts* p) { g_Installed.store(p, std::memory_order_release); }
