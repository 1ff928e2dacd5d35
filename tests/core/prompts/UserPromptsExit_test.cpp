#include <gtest/gtest.h>

#include "platform/ExitProcess.h"
#include "prompts/UserPrompts.h"

namespace {

TEST(UserPrompts, HeadlessDefaultsChangeNothing) {
  SetUserPrompts(nullptr);
  EXPECT_EQ(Prompts().ViewQuestionMsg("Do you want to exit."), 2);
  EXPECT_EQ(Prompts().AskBadSector(), 1);
}

TEST(ExitProcess, HookSeesTheCodeInsteadOfEnding) {
  int seen = -1;
  auto previous = SetExitHook([&](int code) { seen = code; });
  ExitProcessNow(0);
  EXPECT_EQ(seen, 0);
  SetExitHook(previous);
}

}  // namespace
