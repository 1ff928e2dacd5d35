// CWizardPage: the base of every wizard page (mode, source, analysis, found file systems,
// results, copy, imaging). A page carries a menu bar, which a GTK dialog cannot, so a page is a
// frame that runs modally on a nested event loop of its own:
//
//   DoModal():  OnInitPage(), show the page, disable every other top-level window
//               (wxWindowDisabler), run a nested wxGUIEventLoop until EndDialog, then hide the
//               page and return the result given to EndDialog.
//   EndDialog(result): schedules the exit of that loop. Called while a box or a nested page runs
//               on top, it waits until the page's own loop is the active one again.
//
// The caller hides itself, runs the next page and shows itself again, as the pages always did:
//
//   Hide();
//   {
//     DeletedFilesRecovery page;   // a page is an object on the caller's stack
//     page.DoModal();
//   }
//   Show();
//
// or RunPageInPlaceOf(this, page). Controls go on Client(), a white panel filling the frame
// (it gives Tab navigation). Esc, the close box and a wxID_CANCEL button call OnCancel, which
// ends the page with 2 unless the page overrides it (most pages ask "Do you want to exit.");
// F1 calls OnHelp. The close box never destroys the page: the object's owner does.
#pragma once

#include <wx/frame.h>

class wxGUIEventLoop;
class wxPanel;

class CWizardPage : public wxFrame {
 public:
  CWizardPage(wxWindow* parent, const wxString& title, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = wxDEFAULT_FRAME_STYLE);
  ~CWizardPage() override;

  // Runs the page modally and returns the EndDialog result (-1 when the page is already running).
  int DoModal();
  void EndDialog(int result);
  // Whether DoModal is running now.
  bool IsRunningModal() const { return m_Loop != nullptr; }

  wxPanel* Client() const { return m_Client; }

 protected:
  // Called by DoModal before the page is shown: the page's dialog initialisation.
  virtual void OnInitPage() {}
  // Esc and wxID_CANCEL; the close box too unless the page overrides OnCloseBox.
  virtual void OnCancel() { EndDialog(2); }
  // The close box.
  virtual void OnCloseBox() { OnCancel(); }
  // F1.
  virtual void OnHelp() {}

 private:
  void OnCharHook(wxKeyEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnIdle(wxIdleEvent& event);
  void ExitLoopWhenActive();

  wxPanel* m_Client = nullptr;
  wxGUIEventLoop* m_Loop = nullptr;
  bool m_EndRequested = false;
  int m_Result = 0;
};

// The toolkit's id for one of the program's menu command numbers. Those run from 32768 up (and
// the view commands from 59392), above the highest id a toolkit menu item may have, so they are
// moved down into a range of their own: 32768 + n becomes 20000 + n, 59392 + n becomes 21000 + n.
// Other numbers stay as they are.
constexpr int WxCommandId(int command) {
  if (command >= 59392 && command < 59392 + 1000) return 21000 + (command - 59392);
  if (command >= 32768 && command < 32768 + 1000) return 20000 + (command - 32768);
  return command;
}

// Hides caller (when given), runs page modally, shows caller again; returns the page's result.
int RunPageInPlaceOf(wxWindow* caller, CWizardPage& page);
