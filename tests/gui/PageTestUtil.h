// Helpers of the page tests: a script of steps run one after the other from a timer inside
// whatever modal loop is running, and lookups of running pages. Steps that open a box or a page
// start it with CallAfter, so the step itself returns and the script keeps ticking inside the new
// loop.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include "GuiTestUtil.h"
#include "ToolkitTestUtil.h"
#include "pages/wx/WizardPage.h"

namespace guitest {

class Script : public wxEvtHandler {
 public:
  using Step = std::function<bool()>;
  explicit Script(std::vector<Step> steps) : m_Steps(std::move(steps)), m_Timer(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
    m_Timer.Start(40);
  }
  bool Finished() const { return m_Index >= m_Steps.size(); }
  size_t StepReached() const { return m_Index; }

 private:
  void Tick() {
    if (m_Busy || Finished()) return;
    m_Busy = true;
    if (m_Steps[m_Index]()) ++m_Index;
    m_Busy = false;
    if (Finished()) m_Timer.Stop();
  }
  std::vector<Step> m_Steps;
  size_t m_Index = 0;
  bool m_Busy = false;
  wxTimer m_Timer;
};

// The running page of type T, shown, or nullptr.
template <class T>
T* FindRunningPage() {
  for (wxWindow* w : wxTopLevelWindows) {
    if (auto* p = dynamic_cast<T*>(w); p && p->IsShown() && p->IsRunningModal()) return p;
  }
  return nullptr;
}

// A step that waits until found() gives a window for a few ticks (mapped and painted), then acts.
template <class T>
Script::Step WhenShown(std::function<T*()> found, std::function<void(T&)> act) {
  auto ticks = std::make_shared<int>(0);
  return [found, act, ticks] {
    T* w = found();
    if (!w) {
      *ticks = 0;
      return false;
    }
    if (++*ticks < 6) return false;
    *ticks = 0;
    act(*w);
    return true;
  };
}

// A step that lets the screen paint for a few ticks, then saves a screenshot.
inline Script::Step ScreenshotStep(const std::string& name) {
  auto ticks = std::make_shared<int>(0);
  return [name, ticks] {
    if (++*ticks < 10) return false;
    SaveScreenshot(name);
    return true;
  };
}

// Opens the page's Data menu with Alt+D and chooses Exit with X, as a person does from the
// keyboard; the menu is saved as the screenshot `shot` while it is open. Without a window manager
// the keyboard goes where the pointer is, so the pointer is put onto the page first.
inline void ExitThroughTheDataMenu(CWizardPage& page, const std::string& shot) {
  page.Raise();
  MovePointerTo(page.Client(), wxPoint(page.Client()->GetClientSize().x / 2, 40));
  page.Client()->SetFocus();
  page.CallAfter([shot] {
    wxUIActionSimulator keys;
    keys.Char('d', wxMOD_ALT);
    Pump(10);
    SaveScreenshot(shot);
    keys.Char('x');
    Pump(5);
  });
}

}  // namespace guitest
