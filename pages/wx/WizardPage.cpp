#include "pages/wx/WizardPage.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/panel.h>
#include <wx/utils.h>

CWizardPage::CWizardPage(wxWindow* parent, const wxString& title, const wxPoint& pos,
                         const wxSize& size, long style)
    : wxFrame(parent, wxID_ANY, title, pos, size, style) {
  SetBackgroundColour(*wxWHITE);
  m_Client = new wxPanel(this, wxID_ANY);
  m_Client->SetBackgroundColour(*wxWHITE);
  Bind(wxEVT_CHAR_HOOK, &CWizardPage::OnCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &CWizardPage::OnClose, this);
  Bind(wxEVT_IDLE, &CWizardPage::OnIdle, this);
  Bind(
      wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); }, wxID_CANCEL);
}

CWizardPage::~CWizardPage() {
  // A page destroyed while its loop runs would leave the loop without a way out.
  if (m_Loop) m_Loop->ScheduleExit(m_Result);
}

int CWizardPage::DoModal() {
  if (m_Loop) return -1;
  m_EndRequested = false;
  m_Result = 0;
  OnInitPage();
  Show();
  Raise();
  {
    wxWindowDisabler others(this);
    if (!m_EndRequested) {
      wxGUIEventLoop loop;
      m_Loop = &loop;
      loop.Run();
      m_Loop = nullptr;
    }
  }
  Hide();
  return m_Result;
}

void CWizardPage::EndDialog(int result) {
  m_Result = result;
  m_EndRequested = true;
  ExitLoopWhenActive();
  // Otherwise the idle handler finishes it once the boxes on top have closed.
  wxWakeUpIdle();
}

void CWizardPage::ExitLoopWhenActive() {
  // Scheduling the exit of a loop that is not the innermost one would end the wrong loop.
  if (m_Loop && m_EndRequested && m_Loop->IsRunning() && wxEventLoopBase::GetActive() == m_Loop) {
    m_Loop->ScheduleExit(m_Result);
  }
}

void CWizardPage::OnIdle(wxIdleEvent& event) {
  ExitLoopWhenActive();
  event.Skip();
}

void CWizardPage::OnCharHook(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
      OnCancel();
      return;
    case WXK_F1:
      OnHelp();
      return;
    default:
      event.Skip();
  }
}

void CWizardPage::OnClose(wxCloseEvent& event) {
  if (event.CanVeto()) {
    event.Veto();
    OnCloseBox();
    return;
  }
  // The toolkit is going down: let the loop end; the owner still destroys the object.
  EndDialog(2);
}

int RunPageInPlaceOf(wxWindow* caller, CWizardPage& page) {
  if (caller) caller->Hide();
  const int result = page.DoModal();
  if (caller) caller->Show();
  return result;
}
