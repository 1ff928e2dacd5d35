#include "dialogs/wx/ViewQuestionMsg.h"

#include <wx/statbmp.h>
#include <wx/statbox.h>

#include "dialogs/wx/ViewMsgBox.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {
constexpr int kIdMessage = 1039;
constexpr int kIdPicture = 1172;
}  // namespace

ViewQuestionMsg::ViewQuestionMsg(wxWindow* parent, bool stayOnTop)
    : CLookDialog(parent, 273, 85, stayOnTop, /*enterResult=*/1, /*escapeResult=*/2) {
  // Template 138.
  // The frame holds the buttons too (see ViewMsgBox).
  const wxRect group = Dlu(6, 7, 261, 70);
  m_GroupBox = new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect picture = Dlu(10, 17, 15, 13);
  m_Picture =
      new wxStaticBitmap(this, kIdPicture, wxNullBitmap, picture.GetPosition(), picture.GetSize());
  const wxRect label = Dlu(47, 24, 150, 45);
  m_MessageLabel = new CLabel(this, kIdMessage, wxString(), label.GetPosition(), label.GetSize());
  const wxRect yes = Dlu(203, 21, 57, 16);
  m_YesButton = new CHoverButton(this, wxID_OK, "&Yes", yes.GetPosition(), yes.GetSize());
  const wxRect no = Dlu(203, 46, 57, 16);
  m_NoButton = new CHoverButton(this, wxID_CANCEL, "&No", no.GetPosition(), no.GetSize());
  m_YesButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (IsModal()) EndModal(1);
  });
  m_NoButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (IsModal()) EndModal(2);
  });
  DrawBoxEdge(this);
}

void ViewQuestionMsg::InitDialog() {
  m_MessageLabel->SetLabel(m_Message);
  m_DpiFactors = ApplyDialogLook(this, {.appWindow = true, .icons = true}, {m_MessageLabel});
  LoadPicture(m_Picture, "\\Question.bmp");
  m_YesButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Yes.bmp"));
  m_NoButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\no.bmp"));
  m_YesButton->SetFocus();
}

int ViewQuestionMsg::DoModal() {
  return ShowModal();
}

int ViewQuestionMsg::ShowModal() {
  InitDialog();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}
