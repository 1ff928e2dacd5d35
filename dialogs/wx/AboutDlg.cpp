#include "dialogs/wx/AboutDlg.h"

#include <wx/statbmp.h>
#include <wx/statbox.h>

#include "dialogs/AboutTexts.h"
#include "widgets/AppGlobals.h"
#include "widgets/LinkClick.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/URLLinkButton.h"

namespace {
wxString Wx(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}
}  // namespace

CAboutDlg::CAboutDlg()
    : CLookDialog(nullptr, 296, 176, /*stayOnTop=*/false, /*enterResult=*/1,
                  /*escapeResult=*/2) {
  // Template 100, in dialog units.
  auto place = [this](int x, int y, int w, int h) { return Dlu(x, y, w, h); };
  wxRect r = place(4, 44, 230, 128);
  m_Frame = new wxStaticBox(this, kIdFrame, wxString(), r.GetPosition(), r.GetSize());
  r = place(9, 54, 219, 25);
  m_TitleLabel = new CLabel(this, kIdTitle, wxString(), r.GetPosition(), r.GetSize());
  r = place(9, 82, 206, 8);
  m_NoticeLabel = new CLabel(this, kIdNotice, wxString(), r.GetPosition(), r.GetSize());
  r = place(12, 94, 47, 8);
  m_WebsiteCaption =
      new CLabel(this, kIdWebsiteCaption, "Website : ", r.GetPosition(), r.GetSize());
  r = place(12, 105, 50, 8);
  m_SalesCaption = new CLabel(this, kIdSalesCaption, "Sales     : ", r.GetPosition(), r.GetSize());
  r = place(12, 115, 49, 8);
  m_SupportCaption =
      new CLabel(this, kIdSupportCaption, "Support  : ", r.GetPosition(), r.GetSize());
  r = place(58, 92, 116, 11);
  m_WebsiteLink =
      new CURLLinkButton(this, kIdWebsiteLink, wxString(), r.GetPosition(), r.GetSize());
  r = place(58, 103, 116, 11);
  m_SalesLink = new CURLLinkButton(this, kIdSalesLink, wxString(), r.GetPosition(), r.GetSize());
  r = place(58, 114, 122, 11);
  m_SupportLink =
      new CURLLinkButton(this, kIdSupportLink, wxString(), r.GetPosition(), r.GetSize());
  r = place(237, 155, 53, 16);
  m_OkButton = new CHoverButton(this, wxID_OK, "OK", r.GetPosition(), r.GetSize());
  r = place(0, 0, 20, 20);
  m_Picture = new wxStaticBitmap(this, kIdPicture, wxNullBitmap, r.GetPosition(), r.GetSize());
  m_OkButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (IsModal()) EndModal(1);
  });
  // Return on a focused link clicks the link rather than OK.
  Bind(wxEVT_CHAR_HOOK, &CAboutDlg::OnCharHook, this);
}

void CAboutDlg::OnCharHook(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  const bool linkKey = key == WXK_RETURN || key == WXK_NUMPAD_ENTER || key == WXK_SPACE;
  if (linkKey && dynamic_cast<CURLLinkButton*>(FindFocus())) {
    event.DoAllowNextEvent();
    return;
  }
  event.Skip();
}

void CAboutDlg::OnInitDialog() {
  m_DpiFactors = ApplyDialogLook(
      this, {.appWindow = true, .icons = true},
      {m_TitleLabel, m_NoticeLabel, m_WebsiteCaption, m_SalesCaption, m_SupportCaption});
  SetTitle(Wx(kAboutCaption));
  m_OkButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\ok.bmp"));
  m_TitleLabel->SetLabel(wxString::FromUTF8(AboutTitleText(g_AppTitleCopy, g_VersionText)));
  m_WebsiteLink->SetLabel(Wx(kWebsiteCaption));
  m_WebsiteLink->SetPrefix(Wx(kWebsitePrefix));
  m_SalesLink->SetLabel(Wx(kSalesAddress));
  m_SupportLink->SetLabel(Wx(kSupportAddress));
  m_NoticeLabel->SetLabel(Wx(kNoticeLine));
  m_OkButton->SetFocus();
}

int CAboutDlg::DoModal() {
  return ShowModal();
}

int CAboutDlg::ShowModal() {
  OnInitDialog();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}

void ShowAboutDialog() {
  CAboutDlg about;
  about.DoModal();
}
