#include "dialogs/wx/DialogPrompts.h"

#include <algorithm>
#include <chrono>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

#include "prompts/PromptCancel.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "dialogs/wx/ViewQuestionMsg.h"

struct UiQuestionBridge::Pending {
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  bool abandoned = false;
  int answer = 0;
  int fallback = 0;
  wxDialog* open = nullptr;  // touched on the UI thread only
};

namespace {

// Closes the box a pending question opened, if it is still open (UI thread).
void CloseOpenBox(wxDialog* dialog, int result) {
  if (dialog && dialog->IsModal()) dialog->EndModal(result);
}

}  // namespace

int UiQuestionBridge::AskOnUiThread(const std::function<std::unique_ptr<wxDialog>()>& make,
                                    int fallback, const std::shared_ptr<Pending>& pending) {
  std::unique_ptr<wxDialog> dialog = make();
  if (!dialog) return fallback;
  if (pending) {
    std::lock_guard lock(pending->mutex);
    if (pending->abandoned) return fallback;
    pending->open = dialog.get();
  }
  const int result = dialog->ShowModal();
  if (pending) {
    std::lock_guard lock(pending->mutex);
    pending->open = nullptr;
  }
  return result;
}

int UiQuestionBridge::Ask(const std::function<std::unique_ptr<wxDialog>()>& make, int fallback) {
  if (!wxTheApp) return fallback;
  if (wxThread::IsMain()) {
    if (IsShutDown()) return fallback;
    return AskOnUiThread(make, fallback, nullptr);
  }

  auto pending = std::make_shared<Pending>();
  pending->fallback = fallback;
  {
    std::lock_guard lock(m_Mutex);
    if (m_ShutDown) return fallback;
    m_Pending.push_back(pending);
  }
  auto forget = [this, &pending] {
    std::lock_guard lock(m_Mutex);
    m_Pending.erase(std::remove(m_Pending.begin(), m_Pending.end(), pending), m_Pending.end());
  };

  // The box is built and shown on the UI thread; the worker only waits.
  wxTheApp->CallAfter([make, fallback, pending] {
    {
      std::lock_guard lock(pending->mutex);
      if (pending->abandoned) return;
    }
    const int result = AskOnUiThread(make, fallback, pending);
    std::lock_guard lock(pending->mutex);
    if (!pending->abandoned) {
      pending->answer = result;
      pending->done = true;
    }
    pending->answered.notify_all();
  });

  const std::shared_ptr<PromptCancelToken> token = CurrentPromptCancel();
  std::unique_lock lock(pending->mutex);
  for (;;) {
    // The cancel token is polled: a page cancels without knowing which question is open.
    if (pending->answered.wait_for(lock, std::chrono::milliseconds(20),
                                   [&] { return pending->done || pending->abandoned; })) {
      break;
    }
    if (token && token->IsCancelled()) {
      pending->abandoned = true;
      break;
    }
  }
  const bool answered = pending->done && !pending->abandoned;
  const int answer = answered ? pending->answer : fallback;
  if (!answered) pending->abandoned = true;
  // Released before the call is queued: the UI thread takes the toolkit's queue lock before this
  // one, so holding it here as well would order the two locks both ways.
  lock.unlock();
  if (!answered) {
    // A box already on screen is closed; one not yet shown will not be.
    if (wxTheApp) {
      wxTheApp->CallAfter([pending] {
        wxDialog* open = nullptr;
        {
          std::lock_guard inner(pending->mutex);
          open = pending->open;
        }
        CloseOpenBox(open, pending->fallback);
      });
    }
  }
  forget();
  return answer;
}

void UiQuestionBridge::Shutdown() {
  std::vector<std::shared_ptr<Pending>> pending;
  {
    std::lock_guard lock(m_Mutex);
    m_ShutDown = true;
    pending = m_Pending;
  }
  for (const auto& p : pending) {
    std::lock_guard lock(p->mutex);
    p->abandoned = true;
    p->answered.notify_all();
  }
}

void UiQuestionBridge::Restart() {
  std::lock_guard lock(m_Mutex);
  m_ShutDown = false;
}

bool UiQuestionBridge::IsShutDown() const {
  std::lock_guard lock(m_Mutex);
  return m_ShutDown;
}

int UiQuestionBridge::PendingCount() const {
  std::lock_guard lock(m_Mutex);
  return static_cast<int>(m_Pending.size());
}

DialogPrompts::DialogPrompts(std::function<std::unique_ptr<wxDialog>()> badSectorDialog)
    : m_BadSectorDialog(std::move(badSectorDialog)) {}

void DialogPrompts::ViewMsgBox(std::string_view text) {
  const wxString message = wxString::FromUTF8(text.data(), text.size());
  m_Bridge.Ask(
      [message] {
        auto box = std::make_unique<::ViewMsgBox>();
        box->m_Message = message;
        return std::unique_ptr<wxDialog>(std::move(box));
      },
      2);
}

int DialogPrompts::ViewQuestionMsg(std::string_view text) {
  const wxString message = wxString::FromUTF8(text.data(), text.size());
  const bool fromWorker = !wxThread::IsMain();
  return m_Bridge.Ask(
      [message, fromWorker] {
        auto box = std::make_unique<::ViewQuestionMsg>(nullptr, fromWorker);
        box->m_Message = message;
        return std::unique_ptr<wxDialog>(std::move(box));
      },
      2);
}

int DialogPrompts::AskBadSector() {
  if (!m_BadSectorDialog) return 1;
  return m_Bridge.Ask(m_BadSectorDialog, -1);
}

void DialogPrompts::FatalBox(std::string_view caption, std::string_view text) {
  const wxString title = wxString::FromUTF8(caption.data(), caption.size());
  const wxString message = wxString::FromUTF8(text.data(), text.size());
  m_Bridge.Ask(
      [title, message] {
        return std::unique_ptr<wxDialog>(new wxMessageDialog(
            nullptr, message, title, wxOK | wxICON_ERROR | wxSTAY_ON_TOP | wxCENTRE));
      },
      1);
}

DialogPrompts& InstallDialogPrompts(std::unique_ptr<wxDialog> (*badSectorDialog)()) {
  static DialogPrompts prompts{nullptr};
  prompts.SetBadSectorDialog(badSectorDialog);
  prompts.Bridge().Restart();
  SetUserPrompts(&prompts);
  return prompts;
}

void ShutdownDialogPrompts() {
  UserPrompts* installed = &Prompts();
  if (auto* prompts = dynamic_cast<DialogPrompts*>(installed)) prompts->Bridge().Shutdown();
}
