#include "pages/source/wx/SourcePagePlaceholder.h"

#include <wx/display.h>
#include <wx/panel.h>

#include "widgets/AppGlobals.h"
#include "dialogs/HelpPage.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "engine/records/ScanState.h"
#include "prompts/ExitQuestion.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

CSourcePagePlaceholder::CSourcePagePlaceholder() : CWizardPage(nullptr, wxString()) {
  m_ModeLabel = new CLabel(Client(), wxID_ANY, wxString(), wxPoint(40, 40), wxSize(600, 24));
  m_BackButton = new CHoverButton(Client(), wxID_BACKWARD, "< &Back", wxPoint(40, 100));
  m_BackButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndDialog(wxID_BACKWARD); });
}

void CSourcePagePlaceholder::OnInitPage() {
  const std::string_view suffix = ModeTitleSuffix(g_ScanState.recoveryMode);
  g_AppTitle = g_AppTitleCopy + std::string(suffix);
  const DpiFactors factors =
      ApplyDialogLook(this, {.appWindow = true, .icons = true}, {m_ModeLabel});
  (void)factors;
  std::string mode(suffix.size() > 3 ? suffix.substr(3) : suffix);
  m_ModeLabel->SetLabel(wxString::FromUTF8(mode));
  m_BackButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Back-btn.bmp"));
  const wxRect desktop = wxDisplay(0u).GetGeometry();
  const PixelRect rect = ModePageWindowRect(
      {desktop.GetLeft(), desktop.GetTop(), desktop.GetRight() + 1, desktop.GetBottom() + 1});
  SetSize(rect.x, rect.y, rect.width, rect.height);
}

void CSourcePagePlaceholder::OnCancel() {
  ConfirmExit();
}

void CSourcePagePlaceholder::OnHelp() {
  OpenHelpWebPage();
}

int RunSourcePage() {
  CSourcePagePlaceholder page;
  return page.DoModal();
}
