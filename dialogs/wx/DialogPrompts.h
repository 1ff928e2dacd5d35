// The dialog side of the engine's prompts (prompts/UserPrompts.h) and the bridge that lets a
// worker thread ask the user.
//
// On the UI thread a prompt shows its box at once. From a worker it posts the box to the UI
// thread (CallAfter) and blocks the worker until the answer comes. The wait also ends, with the
// safe answer, when the worker's PromptCancelToken (prompts/PromptCancel.h) is cancelled or when the
// bridge is shut down; a box still open then is closed. Safe answers: No (2) for a question,
// -1 (closed without a choice) for the bad-sector question, nothing for notices.
//
// Start-up calls InstallDialogPrompts(&NewSectorsBadStatusAction) once the application object
// exists; the application's exit calls ShutdownDialogPrompts() before it joins any worker.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "prompts/UserPrompts.h"

class wxDialog;

// Runs a dialog on the UI thread for any thread and hands back its ShowModal result.
class UiQuestionBridge {
 public:
  // make builds the dialog on the UI thread; its ShowModal result is the answer. Returns
  // fallback when the caller's cancel token fires, when the bridge shuts down, or when there is
  // no application to show it.
  int Ask(const std::function<std::unique_ptr<wxDialog>()>& make, int fallback);

  // Ends every pending wait with its fallback, closes the boxes they opened, and makes later
  // worker questions return their fallback at once.
  void Shutdown();
  // Allows questions again (tests start each case fresh).
  void Restart();
  bool IsShutDown() const;

  // Questions waiting for an answer right now (for tests).
  int PendingCount() const;

 private:
  struct Pending;
  static int AskOnUiThread(const std::function<std::unique_ptr<wxDialog>()>& make, int fallback,
                           const std::shared_ptr<Pending>& pending);

  mutable std::mutex m_Mutex;
  std::vector<std::shared_ptr<Pending>> m_Pending;
  bool m_ShutDown = false;
};

class DialogPrompts final : public UserPrompts {
 public:
  // badSectorDialog builds the bad-sector question's dialog; its ShowModal gives 0..3 or -1.
  explicit DialogPrompts(std::function<std::unique_ptr<wxDialog>()> badSectorDialog);
  void SetBadSectorDialog(std::function<std::unique_ptr<wxDialog>()> make) {
    m_BadSectorDialog = std::move(make);
  }

  void ViewMsgBox(std::string_view text) override;
  int ViewQuestionMsg(std::string_view text) override;
  int AskBadSector() override;
  void FatalBox(std::string_view caption, std::string_view text) override;

  UiQuestionBridge& Bridge() { return m_Bridge; }

 private:
  std::function<std::unique_ptr<wxDialog>()> m_BadSectorDialog;
  UiQuestionBridge m_Bridge;
};

// Installs the dialog prompts for the whole program. badSectorDialog builds the bad-sector
// question's dialog (NewSectorsBadStatusAction from dialogs/wx/SectorsBadStatusAction.h); without
// one the question is answered "skip". Returns the installed prompts.
DialogPrompts& InstallDialogPrompts(std::unique_ptr<wxDialog> (*badSectorDialog)());

// Ends every open and future worker question with its safe answer (program exit).
void ShutdownDialogPrompts();
