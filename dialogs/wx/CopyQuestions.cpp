#include "dialogs/wx/CopyQuestions.h"

#include "dialogs/wx/DialogPrompts.h"
#include "dialogs/wx/ErrorCopying.h"
#include "dialogs/wx/FileReplaceOptions.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/ReplacePrompt.h"

namespace {

// Asks over the installed dialog prompts' bridge; fallback when there is none.
int AskThroughBridge(std::unique_ptr<wxDialog> (*make)(), int fallback) {
  auto* prompts = dynamic_cast<DialogPrompts*>(&Prompts());
  if (prompts == nullptr) return fallback;
  return prompts->Bridge().Ask(make, fallback);
}

class DialogReplacePrompt final : public ReplacePrompt {
 public:
  int32_t AskReplace() override {
    return AskThroughBridge(&NewFileReplaceOptions, FileReplaceOptions::kNoChoice);
  }
};

class DialogCopyErrorPrompt final : public CopyErrorPrompt {
 public:
  CopyErrorAnswer AskCopyError() override {
    switch (AskThroughBridge(&NewErrorCopying, ErrorCopying::kNoChoice)) {
      case ErrorCopying::kSkip:
        return CopyErrorAnswer::Skip;
      case ErrorCopying::kSkipAll:
        return CopyErrorAnswer::SkipAll;
      case ErrorCopying::kAbort:
        return CopyErrorAnswer::Abort;
      default:
        return CopyErrorAnswer::Closed;
    }
  }
};

DialogReplacePrompt g_ReplaceDialog;
DialogCopyErrorPrompt g_CopyErrorDialog;

}  // namespace

void InstallCopyQuestions() {
  SetReplacePrompt(&g_ReplaceDialog);
  SetCopyErrorPrompt(&g_CopyErrorDialog);
}

void UninstallCopyQuestions() {
  SetReplacePrompt(nullptr);
  SetCopyErrorPrompt(nullptr);
}
