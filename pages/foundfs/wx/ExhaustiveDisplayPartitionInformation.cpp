#include "pages/foundfs/wx/ExhaustiveDisplayPartitionInformation.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include "dialogs/HelpPage.h"
#include "dialogs/wx/AboutDlg.h"
#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "pages/PageFlow.h"
#include "pages/foundfs/FoundFileSystems.h"
#include "pages/wx/PageButtons.h"
#include "pages/wx/SaveScanLogThread.h"
#include "prompts/ExitQuestion.h"
#include "prompts/UserPrompts.h"
#include "storage/SourceGlobals.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace

ExhaustiveDisplayPartitionInformation::ExhaustiveDisplayPartitionInformation()
    : CWizardPage(nullptr, wxString()) {
  m_RunAnalysisPage = [] { return RunAnalysisPage(); };
  m_StartSaveLog = [](ExhaustiveDisplayPartitionInformation& page) {
    return SaveScanLogThread(page, [&page] { page.OnSaveLogEnded(); });
  };
  // Of the Data menu only Exit acts here; View Help and About act as on every page.
  SetMenuBar(CreatePageMenu(ViewItems::Plain, {kMenuExit, kMenuViewHelp, kMenuAbout}));
  SetMinSize(wxSize(480, 360));
  wxWindow* client = Client();
  const char* const toolCaptions[5] = {"Save Log", "Load log", "Search", "Settings", "Help"};
  const int toolIds[5] = {kIdSaveLog, 1010, 1016, 1015, kIdHelp};
  for (int i = 0; i < 5; ++i) m_Tools[i] = new CHoverButton(client, toolIds[i], toolCaptions[i]);
  m_Hint = new wxStaticText(client, wxID_ANY, FromUtf8(kFoundFileSystemsHint));
  m_Tree = new CFolderTreeCtrl(client, kIdTree);
  m_Tree->SetHooks(this);
  const char* const labelTexts[4] = {"Partition Type :", "Partition Size  :", "Start Sector    :",
                                     "End Sector     :"};
  const int labelIds[4] = {1033, 1034, 1035, 1036};
  const int valueIds[4] = {1022, 1023, 1024, 1025};
  for (int i = 0; i < 4; ++i) {
    m_Labels[i] = new CLabel(client, labelIds[i], labelTexts[i]);
    m_Values[i] = new wxStaticText(client, valueIds[i], wxString());
  }
  m_NextButton = new CHoverButton(client, kIdNext, "&Next >");
  m_BackButton = new CHoverButton(client, kIdBack, "< &Back");

  m_NextButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnNext(); });
  m_BackButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); });
  m_Tools[0]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSaveLog(); });
  m_Tools[4]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHelp(); });
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnCloseBox(); }, WxCommandId(kMenuExit));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnHelp(); }, WxCommandId(kMenuViewHelp));
  Bind(
      wxEVT_MENU, [](wxCommandEvent&) { ShowAboutDialog(); }, WxCommandId(kMenuAbout));
  Client()->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayOut();
    event.Skip();
  });
}

ExhaustiveDisplayPartitionInformation::~ExhaustiveDisplayPartitionInformation() {
  // The log writer reads the lists and tells this page when it ends.
  JoinSaveLogThread();
  m_Tree->SetHooks(nullptr);
}

void ExhaustiveDisplayPartitionInformation::OnInitPage() {
  g_AppTitle = g_AppTitleCopy + std::string(ModeTitleSuffix(g_ScanState.recoveryMode));
  SetTitle(FromUtf8(g_AppTitle));
  const wxRect desktop = wxDisplay(0u).GetGeometry();
  const PixelRect rect = ModePageWindowRect(
      {desktop.GetLeft(), desktop.GetTop(), desktop.GetRight() + 1, desktop.GetBottom() + 1});
  SetSize(rect.x, rect.y, rect.width, rect.height);

  const char* const toolBitmaps[5] = {"\\Save-Recovery-tbar.bmp", "\\Load-Recovery-tbar.bmp",
                                      "\\Search-tbar.bmp", "\\recover-tbar.bmp", "\\Help-tbar.bmp"};
  for (int i = 0; i < 5; ++i)
    m_Tools[i]->LoadFrameStrip4(BitmapPath(g_BitmapFolder, toolBitmaps[i]));
  m_NextButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Next-btn.bmp"));
  m_BackButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Back-btn.bmp"));
  ApplyDialogLook(this, {.appWindow = true, .icons = true},
                  {m_Labels[0], m_Labels[1], m_Labels[2], m_Labels[3]});

  g_TreeMode = 5;
  m_Tree->InitRoots();
  FolderTreeModel& model = m_Tree->Model();
  const std::vector<std::string> texts = FoundFileSystemNodeTexts();
  m_NodeNumbers.clear();
  for (size_t i = 0; i < texts.size(); ++i)
    m_NodeNumbers[model.InsertItem(model.RootItem(), texts[i], kImageSingleDisk)] =
        static_cast<int32_t>(i + 1);
  m_AnyFound = !texts.empty();
  const bool logLoaded = g_LogLoaded.load() != 0;
  if (!m_AnyFound) {
    g_PartitionPass = 0;
    m_NextButton->Hide();
  } else {
    // With a log loaded the log names the choice; else the first file system.
    const int32_t n = logLoaded ? FoundFileSystemNumberFromText(
                                      g_SourceNodeText, static_cast<uint32_t>(texts.size()))
                                : 1;
    ShowChosen(n >= 1 ? n : 1);
  }
  model.Expand(model.RootItem());
  if (m_Chosen) m_Tree->SelectItem(m_Tree->ShowItem(NodeOf(m_Chosen)));
  m_Tree->SetFocus();
  UpdateButtons();
  LayOut();
  if (!m_AnyFound)
    CallAfter([] { Prompts().ViewMsgBox(kNoFileSystemNotice); });
  else if (logLoaded)
    CallAfter([this] { OnNext(); });
}

TreeItem ExhaustiveDisplayPartitionInformation::NodeOf(int32_t n) const {
  for (const auto& [item, number] : m_NodeNumbers)
    if (number == n) return item;
  return kNoItem;
}

void ExhaustiveDisplayPartitionInformation::ShowFileSystemInfo(const std::string&) {
  // The clicked node is the selected one; its number is the page's own, not read from its text.
  const auto it = m_NodeNumbers.find(m_Tree->Model().SelectedItem());
  if (it != m_NodeNumbers.end()) ShowChosen(it->second);
}

void ExhaustiveDisplayPartitionInformation::ShowChosen(int32_t n) {
  const std::optional<FoundFileSystemFields> fields = ChooseFoundFileSystem(n);
  if (!fields) return;
  m_Chosen = n;
  g_SourceNodeText = m_Tree->Model().Text(NodeOf(n));
  const std::string* const texts[4] = {&fields->type, &fields->size, &fields->start, &fields->end};
  for (int i = 0; i < 4; ++i) m_Values[i]->SetLabel(FromUtf8(*texts[i]));
}

void ExhaustiveDisplayPartitionInformation::UpdateButtons() {
  const FoundFileSystemButtons b = FoundFileSystemButtonStates(m_AnyFound, m_SavingLog);
  m_NextButton->EnableButton(b.next);
  m_BackButton->EnableButton(b.back);
  m_Tools[0]->EnableButton(b.saveLog);
  for (int i = 1; i < 4; ++i) m_Tools[i]->EnableButton(false);  // only Save Log and Help act here
  m_Tools[4]->EnableButton(true);
}

void ExhaustiveDisplayPartitionInformation::LayOut() {
  const wxSize client = Client()->GetClientSize();
  if (client.x <= 0 || client.y <= 0) return;
  constexpr int kMargin = kPageMargin;
  const int hintTop = PlaceToolbar(m_Tools) + 12;
  m_Hint->SetSize(kMargin, hintTop, client.x - 2 * kMargin, -1);
  m_Hint->Wrap(client.x - 2 * kMargin);
  const int treeTop = hintTop + m_Hint->GetBestSize().y + 12;
  const int buttonTop = PlaceBackNext(m_BackButton, m_NextButton, client);

  const int treeWidth = client.x * 2 / 5;
  m_Tree->SetSize(kMargin, treeTop, treeWidth, std::max(80, buttonTop - 16 - treeTop));
  const int labelLeft = kMargin + treeWidth + 30;
  int labelWidth = 0;
  for (CLabel* label : m_Labels) labelWidth = std::max(labelWidth, label->GetBestSize().x);
  const int rowHeight = std::max(28, m_Labels[0]->GetBestSize().y + 10);
  const int valueLeft = labelLeft + labelWidth + 12;
  for (int i = 0; i < 4; ++i) {
    const int y = treeTop + i * rowHeight;
    m_Labels[i]->SetSize(labelLeft, y, labelWidth, rowHeight - 6);
    m_Values[i]->SetSize(valueLeft, y + 3, std::max(40, client.x - kMargin - valueLeft), -1);
  }
  Client()->Refresh();
}

void ExhaustiveDisplayPartitionInformation::OnNext() {
  if (!m_AnyFound || m_SavingLog || m_Chosen == 0) return;
  // The chosen file system's number and geometry once more: a second pass of another one may
  // have taken its own since.
  ShowChosen(m_Chosen);
  if (const auto fields = ChooseFoundFileSystem(m_Chosen); fields && fields->beyondLimit) {
    // Said in so many words instead of a scan that finds no layout.
    Prompts().ViewMsgBox(kVolumeBeyondLimitText);
    return;
  }
  Hide();
  if (m_RunAnalysisPage) m_RunAnalysisPage();
  Show();
  g_TreeMode = 5;
  SetTitle(FromUtf8(g_AppTitle));
}

void ExhaustiveDisplayPartitionInformation::OnSaveLog() {
  if (m_SavingLog || g_SaveLogThread.joinable()) return;
  if (!m_StartSaveLog || !m_StartSaveLog(*this)) return;
  m_SavingLog = true;
  UpdateButtons();
}

void ExhaustiveDisplayPartitionInformation::OnSaveLogEnded() {
  m_SavingLog = false;
  g_TreeMode = 5;
  UpdateButtons();
}

void ExhaustiveDisplayPartitionInformation::OnCancel() {
  if (m_SavingLog) return;  // the writer still reads the lists
  JoinSaveLogThread();
  FreeFoundFileSystemLists();
  EndDialog(2);
}

void ExhaustiveDisplayPartitionInformation::OnCloseBox() {
  ConfirmExit();
}

void ExhaustiveDisplayPartitionInformation::OnHelp() {
  OpenHelpWebPage();
}

int RunFoundFileSystemsPage() {
  ExhaustiveDisplayPartitionInformation page;
  return page.DoModal();
}
