// The dialogs' stand-in for fuzz targets: says nothing (notices would flood the run), answers No
// and skips bad sectors, the answers that change nothing.
#pragma once

#include <string_view>

#include "prompts/UserPrompts.h"

namespace fuzz_support {

class QuietPrompts final : public UserPrompts {
 public:
  void ViewMsgBox(std::string_view) override {}
  int ViewQuestionMsg(std::string_view) override { return 2; }
  int AskBadSector() override { return 1; }
  void FatalBox(std::string_view, std::string_view) override {}
};

}  // namespace fuzz_support
