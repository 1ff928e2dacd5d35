// The few ways the engine speaks to the user: the OK box, the yes/no box and the bad-sector
// question. The program installs its dialog implementation at start-up; tests install scripted
// answers. The engine never includes a toolkit header: it only calls through this interface.
#pragma once

#include <string>
#include <string_view>

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // OK box with a notice.
  virtual void ViewMsgBox(std::string_view text) = 0;

  // Yes/No box: 1 for Yes, 2 for No (also Esc and the close box).
  virtual int ViewQuestionMsg(std::string_view text) = 0;

  // Bad-sector question: 0 retry, 1 skip, 2 retry all, 3 skip all, or -1 when the user closed it
  // without choosing (the caller then keeps the previous choice).
  virtual int AskBadSector() = 0;

  // System-modal box shown before the program ends after a failed allocation.
  virtual void FatalBox(std::string_view caption, std::string_view text) = 0;
};

// Without an installed implementation (headless tools), notices go to stderr, questions are
// answered No and bad sectors are skipped: the answers that change nothing on any disk.
UserPrompts& Prompts();

// Installs p (nullptr restores the headless default). The caller keeps ownership and must keep
// it alive while any worker may call it.
void SetUserPrompts(UserPrompts* p);
