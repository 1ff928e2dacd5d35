#include "pages/results/wx/ResultsPagePlaceholder.h"

#include <wx/display.h>
#include <wx/panel.h>

#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "prompts/ExitQuestion.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

CResultsPagePlaceholder::CResultsPagePlaceholder() : CWizardPage(nullptr, wxString()) {
  m_CountsLabel = new CLabel(Client(), wxID_ANY, wxString(), wxPoint(40, 40), wxSize(700, 24));
  m_BackButton = new CHoverButton(Client(), wxID_BACKWARD, "< &Back", wxPoint(40, 100));
  m_BackButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndDialog(wxID_BACKWARD); });
}

void CResultsPagePlaceholder::OnInitPage() {
  g_AppTitle = g_AppTitleCopy + std::string(ModeTitleSuffix(g_ScanState.recoveryMode));
  ApplyDialogLook(this, {.appWindow = true, .icons = true}, {m_CountsLabel});
  m_CountsLabel->SetLabel(wxString::Format("Folders Found %u, Files Found %u",
                                           g_ScanState.folderCount.load(),
                                           g_ScanState.fileCount.load()));
  m_BackButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Back-btn.bmp"));
  const wxRect desktop = wxDisplay(0u).GetGeometry();
  const PixelRect rect = ModePageWindowRect(
      {desktop.GetLeft(), desktop.GetTop(), desktop.GetRight() + 1, desktop.GetBottom() + 1});
  SetSize(rect.x, rect.y, rect.width, rect.height);
}

void CResultsPagePlaceholder::OnCloseBox() {
  ConfirmExit();
}

int RunResultsPage() {
  CResultsPagePlaceholder page;
  return page.DoModal();
}
