#include "prompts/ExitQuestion.h"

#include "platform/ExitProcess.h"
#include "prompts/UserPrompts.h"

void ExitApplication() {
  ExitProcessNow(0);
}

bool ConfirmExit() {
  if (Prompts().ViewQuestionMsg(kExitQuestion) != 1) return false;
  ExitApplication();
  return true;
}
