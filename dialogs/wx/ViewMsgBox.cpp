#include "dialogs/wx/ViewMsgBox.h"

#include <wx/dcclient.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>

#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {
constexpr int kIdMessage = 1039;
constexpr int kIdPicture = 1172;
}  // namespace

ViewMsgBox::ViewMsgBox(wxWindow* parent)
    : CLookDialog(parent, 273, 85, /*stayOnTop=*/true, /*enterResult=*/1, /*escapeResult=*/2) {
  // Template 137; the group box comes first so the other controls lie above it.
  // The frame holds the button too, so that the box reads as one panel even where the desktop
  // draws no border round it.
  const wxRect group = Dlu(6, 7, 261, 70);
  m_GroupBox = new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect picture = Dlu(10, 17, 15, 13);
  m_Picture =
      new wxStaticBitmap(this, kIdPicture, wxNullBitmap, picture.GetPosition(), picture.GetSize());
  const wxRect label = Dlu(47, 23, 150, 50);
  m_MessageLabel = new CLabel(this, kIdMessage, wxString(), label.GetPosition(), label.GetSize());
  const wxRect ok = Dlu(203, 59, 57, 16);
  m_OkButton = new CHoverButton(this, wxID_OK, "&OK", ok.GetPosition(), ok.GetSize());
  m_OkButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (IsModal()) EndModal(1);
  });
  DrawBoxEdge(this);
}

void DrawBoxEdge(wxWindow* box) {
  box->Bind(wxEVT_PAINT, [box](wxPaintEvent&) {
    wxPaintDC dc(box);
    const wxSize size = box->GetClientSize();
    dc.SetPen(wxPen(wxColour(128, 128, 128)));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(0, 0, size.x, size.y);
  });
}

void ViewMsgBox::InitDialog() {
  m_MessageLabel->SetLabel(m_Message);
  m_DpiFactors = ApplyDialogLook(this, {.appWindow = true, .icons = true}, {m_MessageLabel});
  LoadPicture(m_Picture, "\\Information.bmp");
  m_OkButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\ok.bmp"));
  m_OkButton->SetFocus();
}

int ViewMsgBox::DoModal() {
  return ShowModal();
}

int ViewMsgBox::ShowModal() {
  InitDialog();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}
