// CAboutDlg: the about box, with the product title and version, the maker's notice, and links to
// its web site and its sales and support addresses. ShowAboutDialog runs a new one modally; the
// pages' about commands and the "Contact Us" link call it.
#pragma once

#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class CURLLinkButton;
class wxStaticBitmap;
class wxStaticBox;

class CAboutDlg : public CLookDialog {
 public:
  // Control ids of its template.
  static constexpr int kIdFrame = 1151;
  static constexpr int kIdSupportLink = 1170;
  static constexpr int kIdSalesLink = 1168;
  static constexpr int kIdWebsiteLink = 1167;
  static constexpr int kIdTitle = 1185;
  static constexpr int kIdNotice = 1252;
  static constexpr int kIdWebsiteCaption = 1165;
  static constexpr int kIdSalesCaption = 1250;
  static constexpr int kIdSupportCaption = 1251;
  static constexpr int kIdPicture = 1309;

  CAboutDlg();

  int DoModal();
  int ShowModal() override;

  DpiFactors m_DpiFactors;
  wxStaticBox* m_Frame = nullptr;
  CURLLinkButton* m_SupportLink = nullptr;
  CURLLinkButton* m_SalesLink = nullptr;
  CURLLinkButton* m_WebsiteLink = nullptr;
  CLabel* m_TitleLabel = nullptr;
  CLabel* m_NoticeLabel = nullptr;
  CLabel* m_WebsiteCaption = nullptr;
  CLabel* m_SalesCaption = nullptr;
  CLabel* m_SupportCaption = nullptr;
  CHoverButton* m_OkButton = nullptr;
  wxStaticBitmap* m_Picture = nullptr;

 private:
  void OnInitDialog();
  void OnCharHook(wxKeyEvent& event);
};

void ShowAboutDialog();
