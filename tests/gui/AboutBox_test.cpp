// The about box: the title line with its "&" shown as a character, the version, the maker's links
// and the OK button; and the link button's states and keys on it.
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/statbox.h>

#include "PageTestUtil.h"
#include "dialogs/AboutTexts.h"
#include "widgets/AppGlobals.h"
#include "dialogs/wx/AboutDlg.h"
#include "platform/FakeShellLauncher.h"
#include "widgets/LinkClick.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/URLLinkButton.h"

namespace {

using guitest::Script;
using guitest::WhenShown;

CAboutDlg* ShownAbout() {
  return guitest::FindShownDialog<CAboutDlg>();
}

class AboutBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    guitest::UseBuildBitmaps();
    InitAppGlobals(MERROWIND_BUILD_BITMAP_DIR);
  }
  void TearDown() override { ResetAppGlobals(); }
};

TEST_F(AboutBoxTest, ShowsTheTitleWithItsAmpersandAndTheVersion) {
  g_AppTitleCopy = "Software Dovrane & Merrowind";
  bool checked = false;
  Script script({WhenShown<CAboutDlg>(ShownAbout, [&](CAboutDlg& about) {
    EXPECT_EQ(about.GetTitle(), "About Quarvel");
    EXPECT_EQ(about.GetParent(), nullptr);
    // The text set holds the first "&" doubled; the label draws it as one character.
    EXPECT_EQ(about.m_TitleLabel->GetLabel(), "Software Dovrane && Merrowind\r\nVersion 4.0");
    EXPECT_EQ(about.m_TitleLabel->LayoutLines(),
              (std::vector<std::string>{"Software Dovrane & Merrowind", "Version 4.0"}));
    EXPECT_EQ(about.m_TitleLabel->LabelFont().GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_TRUE(about.m_TitleLabel->IsTransparent());
    EXPECT_EQ(about.m_WebsiteLink->GetLabel(), wxString::FromUTF8(kWebsiteCaption.data()));
    EXPECT_EQ(about.m_WebsiteLink->GetLinkAddress(), wxString::FromUTF8(kWebsiteAddress.data()));
    // Every link text fits its template width.
    for (CURLLinkButton* link : {about.m_WebsiteLink, about.m_SalesLink, about.m_SupportLink}) {
      wxClientDC dc(link);
      dc.SetFont(link->LinkFont());
      EXPECT_LE(dc.GetTextExtent(link->GetLabel()).x, link->GetSize().x)
          << link->GetLabel().utf8_string();
    }
    EXPECT_EQ(about.m_SalesLink->GetLabel(), wxString::FromUTF8(kSalesAddress.data()));
    EXPECT_EQ(about.m_SupportLink->GetLabel(), wxString::FromUTF8(kSupportAddress.data()));
    EXPECT_EQ(about.m_NoticeLabel->GetLabel(), wxString::FromUTF8(kNoticeLine.data()));
    EXPECT_EQ(about.m_WebsiteCaption->GetLabel(), "Website : ");
    EXPECT_TRUE(about.m_OkButton->HasStrip());
    // Controls stand where the template's dialog units put them.
    EXPECT_EQ(about.m_OkButton->GetPosition(), about.ConvertDialogToPixels(wxPoint(237, 155)));
    // The link font: 14 pixels, extra bold, underlined; the normal colour before any click.
    const wxFont& font = about.m_SupportLink->LinkFont();
    EXPECT_TRUE(font.GetUnderlined());
    EXPECT_EQ(font.GetNumericWeight(), 800);
    EXPECT_FALSE(about.m_SupportLink->IsVisited());
    EXPECT_FALSE(guitest::SaveScreenshot("about-box").empty());
    checked = true;
    guitest::ClickButton(about, wxID_OK);
  })});
  CAboutDlg about;
  EXPECT_EQ(about.DoModal(), 1);
  EXPECT_TRUE(checked);
}

TEST_F(AboutBoxTest, EscEndsItAndOnlyTheFirstAmpersandIsDoubled) {
  g_AppTitleCopy = "A & B & C";
  std::string title;
  Script script({WhenShown<CAboutDlg>(ShownAbout, [&](CAboutDlg& about) {
    title = about.m_TitleLabel->GetLabel().utf8_string();
    guitest::PressKey(about, WXK_ESCAPE);
  })});
  CAboutDlg about;
  EXPECT_EQ(about.DoModal(), 2);
  EXPECT_EQ(title, "A && B & C\r\nVersion 4.0");
}

// Sends a key down and up to the link as the keyboard would.
void Key(CURLLinkButton& link, int key, wxEventType type) {
  wxKeyEvent event(type);
  event.m_keyCode = key;
  event.SetEventObject(&link);
  link.GetEventHandler()->ProcessEvent(event);
}

TEST_F(AboutBoxTest, LinksOpenMailAndTurnVisitedOnlyOnClick) {
  ScopedFakeLauncher launcher;
  Script script({WhenShown<CAboutDlg>(ShownAbout, [&](CAboutDlg& about) {
    CURLLinkButton& support = *about.m_SupportLink;
    const wxColour normal = support.CaptionColour();
    // Space never clicks; Return clicks only when a key went down on the link first.
    Key(support, WXK_RETURN, wxEVT_KEY_UP);
    Key(support, WXK_SPACE, wxEVT_KEY_DOWN);
    Key(support, WXK_SPACE, wxEVT_KEY_UP);
    Key(support, 'A', wxEVT_KEY_DOWN);  // any other key forgets the key-down
    Key(support, WXK_RETURN, wxEVT_KEY_UP);
    EXPECT_TRUE(launcher.fake.opened.empty());
    EXPECT_FALSE(support.IsVisited());
    Key(support, WXK_RETURN, wxEVT_KEY_DOWN);
    Key(support, WXK_RETURN, wxEVT_KEY_UP);
    EXPECT_EQ(launcher.fake.opened, std::vector<std::string>{"mailto:support@softdovrane.example"});
    EXPECT_TRUE(support.IsVisited());
    EXPECT_EQ(support.CaptionColour(), wxColour(128, 0, 128));
    EXPECT_NE(normal, wxColour(128, 0, 128));

    // A disabled link ignores clicks and keeps its state.
    CURLLinkButton& website = *about.m_WebsiteLink;
    website.Disable();
    website.OnClicked();
    EXPECT_FALSE(website.IsVisited());
    website.Enable();
    launcher.fake.opened.clear();

    // A page the desktop cannot open falls back to a mail; when that fails too the link stays
    // unvisited.
    launcher.fake.succeed = false;
    website.OnClicked();
    EXPECT_EQ(launcher.fake.opened.size(), 2u);
    EXPECT_FALSE(website.IsVisited());
    launcher.fake.succeed = true;
    website.OnClicked();
    EXPECT_EQ(launcher.fake.opened.back(), std::string(kWebsiteAddress));
    EXPECT_TRUE(website.IsVisited());
    guitest::ClickButton(about, wxID_OK);
  })});
  CAboutDlg about;
  EXPECT_EQ(about.DoModal(), 1);
  EXPECT_TRUE(script.Finished());
}

TEST_F(AboutBoxTest, ReturnOnAFocusedLinkClicksTheLinkNotOk) {
  ScopedFakeLauncher launcher;
  bool stillOpen = false;
  Script script({WhenShown<CAboutDlg>(ShownAbout, [&](CAboutDlg& about) {
    about.m_SalesLink->SetFocus();
    // The dialog sees the key first (as the keyboard delivers it); the link must get it.
    guitest::PressKey(about, WXK_RETURN);
    stillOpen = about.IsModal();
    guitest::ClickButton(about, wxID_OK);
  })});
  CAboutDlg about;
  EXPECT_EQ(about.DoModal(), 1);
  EXPECT_TRUE(stillOpen);
}

TEST_F(AboutBoxTest, ContactUsLinkOpensTheAboutBox) {
  SetLinkCommands({[] { ShowAboutDialog(); }, nullptr});
  auto frame = std::make_unique<wxFrame>(nullptr, wxID_ANY, "links");
  auto* contact = new CURLLinkButton(frame.get(), 1200, "Contact Us", wxPoint(10, 10));
  frame->Show();
  bool shown = false;
  Script script({WhenShown<CAboutDlg>(ShownAbout, [&](CAboutDlg& about) {
    shown = true;
    guitest::ClickButton(about, wxID_OK);
  })});
  contact->OnClicked();  // runs the about box modally and returns when it closes
  EXPECT_TRUE(shown);
  EXPECT_TRUE(contact->IsVisited());
  SetLinkCommands({});
}

}  // namespace
