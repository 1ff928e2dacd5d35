#include "pages/mode/wx/RecoveryMode.h"

#include <wx/display.h>
#include <wx/menu.h>
#include <wx/panel.h>

#include "widgets/AppGlobals.h"
#include "dialogs/HelpPage.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "pages/PageFlow.h"
#include "dialogs/wx/AboutDlg.h"
#include "prompts/ExitQuestion.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/FontFace.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

constexpr int kModeButtonIds[4] = {kIdDeletedButton, kIdFormattedButton, kIdPartitionButton,
                                   kIdCreateImageButton};
constexpr const char* kModeBitmaps[4] = {
    "\\deleted-data-recovery.bmp", "\\formatted-data-recovery.bmp", "\\partition-data-recovery.bmp",
    "\\create-disk-image.bmp"};
constexpr const char* kModeCaptions[4] = {"&Deleted Data Recovery", "&Formatted Data Recovery",
                                          "&Partition Data Recovery", "Create Disk &Image"};

wxWindow* NewLine(wxWindow* parent, int id) {
  auto* line = new wxWindow(parent, id, wxDefaultPosition, wxSize(10, 2), wxBORDER_NONE);
  line->SetBackgroundColour(wxColour(160, 160, 160));
  return line;
}

void Place(wxWindow* window, const PixelRect& r) {
  window->SetSize(r.x, r.y, r.width, r.height);
}

}  // namespace

CRecoveryMode::CRecoveryMode() : CWizardPage(nullptr, wxString()) {
  m_RunSourcePage = [] { return RunSourcePage(); };
  SetMenuBar(CreatePageMenu(ViewItems::Plain));
  SetMinSize(wxSize(280, 250));
  wxWindow* client = Client();

  m_SaveLogButton = new CHoverButton(client, kIdSaveLogButton, "Save Log");
  m_LoadLogButton = new CHoverButton(client, kIdLoadLogButton, "Load log");
  m_SearchButton = new CHoverButton(client, kIdSearchButton, "Search");
  m_SettingsButton = new CHoverButton(client, kIdSettingsButton, "Settings");
  m_HelpButton = new CHoverButton(client, kIdHelpButton, "Help");
  for (int i = 0; i < 4; ++i) {
    m_ModeButtons[i] = new CHoverButton(client, kModeButtonIds[i], kModeCaptions[i]);
    m_ModeButtons[i]->Bind(wxEVT_BUTTON, &CRecoveryMode::OnModeButton, this);
  }
  // The raw-data mode has its picture but no button on this page.
  m_Heading = new CLabel(client, kIdHeading, "Please Select Recovery Option");
  m_Line1206 = NewLine(client, kIdLine1206);
  m_Line1204 = NewLine(client, kIdLine1204);
  m_Line1204->Hide();
  m_Line1212 = NewLine(client, kIdLine1212);

  m_HelpButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHelp(); });
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnCancel(); }, WxCommandId(kMenuExit));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnHelp(); }, WxCommandId(kMenuViewHelp));
  Bind(
      wxEVT_MENU, [](wxCommandEvent&) { ShowAboutDialog(); }, WxCommandId(kMenuAbout));
  client->Bind(wxEVT_PAINT, &CRecoveryMode::OnPaint, this);
}

void CRecoveryMode::RestoreTitle() {
  g_AppTitle = g_AppTitleCopy;
  const wxString title = wxString::FromUTF8(g_AppTitle);
  if (GetTitle() != title) SetTitle(title);
}

void CRecoveryMode::OnInitPage() {
  g_AppTitle = g_AppTitleCopy;
  m_DpiFactors = ScreenDpiFactors(false);

  // Size and place from the desktop.
  const wxRect desktopRect = wxDisplay(0u).GetGeometry();
  const DesktopRect desktop{desktopRect.GetLeft(), desktopRect.GetTop(), desktopRect.GetRight() + 1,
                            desktopRect.GetBottom() + 1};
  const bool large = IsLargeDesktop(desktop.right, desktop.bottom);
  const PixelRect window = ModePageWindowRect(desktop);
  SetSize(window.x, window.y, window.width, window.height);

  // Bitmaps first: the buttons take their size from them.
  for (int i = 0; i < 4; ++i) {
    m_ModeButtons[i]->LoadFrameStrip3(BitmapPath(g_BitmapFolder, kModeBitmaps[i]));
  }
  struct Tool {
    CHoverButton* button;
    const char* bitmap;
    const char* tip;
  } const tools[] = {{m_HelpButton, "\\Help-tbar.bmp", "Help"},
                     {m_LoadLogButton, "\\Load-Recovery-tbar.bmp", "Load log"},
                     {m_SaveLogButton, "\\Save-Recovery-tbar.bmp", "Save Log"},
                     {m_SettingsButton, "\\recover-tbar.bmp", "Settings"},
                     {m_SearchButton, "\\Search-tbar.bmp", "Search"}};
  for (const Tool& t : tools) {
    t.button->LoadFrameStrip4(BitmapPath(g_BitmapFolder, t.bitmap));
    const wxString tip = t.tip;
    const bool help = t.button == m_HelpButton;
    t.button->SetToolTipText(&tip, help);
    t.button->EnableButton(help);
  }

  const wxSize mode = m_ModeButtons[0]->GetSize();
  const wxSize tool = m_SaveLogButton->GetSize();
  const ModePageLayout layout =
      LayoutModePage(GetClientSize().x, mode.x, mode.y, tool.x, tool.y, m_DpiFactors, large);
  for (int i = 0; i < 4; ++i) Place(m_ModeButtons[i], layout.modeButtons[i]);
  CHoverButton* const row[5] = {m_SaveLogButton, m_LoadLogButton, m_SearchButton, m_SettingsButton,
                                m_HelpButton};
  for (int i = 0; i < 5; ++i) Place(row[i], layout.toolbar[i]);
  Place(m_Line1206, layout.line1206);
  Place(m_Line1212, layout.line1212);

  // The heading: verdana, bold, transparent, dark orange-brown.
  const HeadingLook heading = ModePageHeading(window.width, window.height, m_DpiFactors.x, large);
  const uint32_t c = heading.colorRef;
  m_Heading->SetFaceName(wxString::FromUTF8(heading.face.data(), heading.face.size()))
      .SetPointSize(heading.points)
      .SetBold(heading.bold)
      .SetTransparent(heading.transparent)
      .SetTextColor(wxColour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  Place(m_Heading, heading.rect);

  ApplyDialogLook(this, {.appWindow = false, .icons = true}, {});

  // Only Exit, View Help and About work on this page.
  wxMenuBar* bar = GetMenuBar();
  for (int id :
       {kMenuFormatted, kMenuRecoverSelected, kMenuRecoveryFilter, kMenuSaveLog, kMenuLoadLog,
        kMenuSearch, kMenuRename, kMenuLargeIcons, kMenuDetails, kMenuSmallIcons}) {
    bar->Enable(WxCommandId(id), false);
  }
  Client()->Refresh();
}

void CRecoveryMode::OnPaint(wxPaintEvent& event) {
  // Pages that ran before added their mode to the title; this page shows it without.
  RestoreTitle();
  event.Skip();
}

void CRecoveryMode::OnModeButton(wxCommandEvent& event) {
  const auto values = ValuesOfModeButton(event.GetId());
  if (!values) return;
  ApplyModeButton(*values);
  Hide();
  if (m_RunSourcePage) m_RunSourcePage();
  Show();
  RestoreTitle();
}

void CRecoveryMode::OnCancel() {
  ConfirmExit();
}

void CRecoveryMode::OnHelp() {
  OpenHelpWebPage();
}
