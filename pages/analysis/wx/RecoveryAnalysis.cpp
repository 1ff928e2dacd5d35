#include "pages/analysis/wx/RecoveryAnalysis.h"

#include <chrono>

#include <wx/display.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "dialogs/HelpPage.h"
#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "pages/PageFlow.h"
#include "pages/analysis/AnalysisLayout.h"
#include "pages/analysis/AnalysisTexts.h"
#include "platform/TextCodec.h"
#include "prompts/CopyGlobals.h"
#include "prompts/ExitQuestion.h"
#include "prompts/UserPrompts.h"
#include "storage/SourceGlobals.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/GradientProgressCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

constexpr int kElapsedPeriodMs = 1000;
constexpr int kSlowPeriodMs = 2000;  // after a resume or a declined question
constexpr int kBarPeriodMs = 2000;
// A fast scan reports a thousand times in a third of a second; drawing each report kept the UI
// thread and the display server busy throughout and slowed the scan. The page draws what came at
// most once a frame of this length.
constexpr uint64_t kDrawPeriodMs = 40;

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

void Place(wxWindow* window, const PixelRect& r) {
  window->SetSize(r.x, r.y, r.width, r.height);
}

}  // namespace

// The worker's side of the page: keeps what the worker reports and asks the UI thread to draw it
// once per batch, so a fast scan cannot flood the event queue.
class RecoveryAnalysis::Observer final : public ScanObserver {
 public:
  explicit Observer(RecoveryAnalysis& page) : m_Page(page) {}

  void OnProgress(const ScanProgress& progress) override {
    Update([&](Pending& p) { p.progress = progress; });
  }
  void OnStepText(std::string_view text) override {
    Update([&](Pending& p) { p.step = std::string(text); });
  }
  void OnDetailText(std::string_view text) override {
    Update([&](Pending& p) { p.detail = std::string(text); });
  }
  void OnBar(int position) override {
    Update([&](Pending& p) { p.bar = position; });
  }
  void OnStepLinesVisible(bool shown) override {
    Update([&](Pending& p) { p.stepLinesShown = shown; });
  }
  void OnBarAnimation(bool running) override {
    Update([&](Pending& p) { p.animation = running; });
  }
  void OnSwitchToFormattedScan() override {
    Update([&](Pending& p) { p.switchToFormatted = true; });
  }
  void OnSizeLabel(std::string_view text) override {
    Update([&](Pending& p) { p.sizeLabel = std::string(text); });
  }

 private:
  template <class F>
  void Update(F change) {
    bool post = false;
    {
      std::lock_guard lock(m_Page.m_PendingMutex);
      change(m_Page.m_Pending);
      post = !m_Page.m_Pending.posted;
      m_Page.m_Pending.posted = true;
    }
    if (post) m_Page.CallAfter(&RecoveryAnalysis::DrawPending);
  }

  RecoveryAnalysis& m_Page;
};

RecoveryAnalysis::RecoveryAnalysis()
    : CWizardPage(nullptr, wxString()),
      m_Observer(std::make_unique<Observer>(*this)),
      m_ElapsedTimer(this),
      m_BarTimer(this),
      m_DrawTimer(this) {
  m_RunResultsPage = [] { return RunResultsPage(); };
  SetMinSize(wxSize(280, 250));
  wxWindow* client = Client();

  const char* const toolCaptions[5] = {"SaveLog", "LoadLog", "Settings", "Search", "Help"};
  const int toolIds[5] = {1015, 1010, 1017, 1016, kIdHelp};
  for (int i = 0; i < 5; ++i) m_Tools[i] = new CHoverButton(client, toolIds[i], toolCaptions[i]);
  m_HeadingBand = new wxWindow(client, wxID_ANY);
  m_HeadingBand->SetBackgroundColour(wxColour(0, 51, 102));
  m_Heading = new CLabel(m_HeadingBand, 1111, FromUtf8(kAnalysisHeading));
  m_StepPicture = new wxStaticBitmap(client, 1158, wxNullBitmap);
  m_HelpLine = new wxStaticText(client, 1159, wxString());
  const int infoIds[3] = {1049, 1050, 1054};
  for (int i = 0; i < 3; ++i) m_InfoLines[i] = new wxStaticText(client, infoIds[i], wxString());

  const std::string_view labelTexts[5] = {kTimeElapsedLabel, kTotalSizeLabel, kFoldersFoundLabel,
                                          kFilesFoundLabel, kLastNameLabel};
  const int labelIds[5] = {1046, 1047, 1040, 1041, 1042};
  const int valueIds[5] = {1031, 1032, 1043, 1044, 1045};
  for (int i = 0; i < 5; ++i) {
    m_Labels[i] = new CLabel(client, labelIds[i], FromUtf8(labelTexts[i]));
    m_Values[i] = new wxStaticText(client, valueIds[i], wxString(), wxDefaultPosition,
                                   wxDefaultSize, wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
  }
  m_StepLine = new wxStaticText(client, 1052, wxString());
  m_DetailLine = new wxStaticText(client, 1266, wxString());
  m_Bar = new CGradientProgressCtrl(client, kIdBar);
  m_Bar->SetShowPercent(true);
  m_Hint = new wxStaticText(client, wxID_ANY, FromUtf8(kHideDetailsHint));
  m_Hint->SetForegroundColour(wxColour(96, 96, 96));

  m_PauseButton = new CHoverButton(client, kIdPause, "&Pause");
  m_HideButton = new CHoverButton(client, kIdHideDetails, "&Hide Details");
  m_StopButton = new CHoverButton(client, kIdStop, "&Stop");
  m_BackButton = new CHoverButton(client, kIdBack, "< &Back");
  m_NextButton = new CHoverButton(client, kIdNext, "&Next >");

  m_PauseButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnPauseResume(); });
  m_HideButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHideShowDetails(); });
  m_StopButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStop(); });
  m_BackButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); });
  m_Tools[4]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHelp(); });
  Bind(wxEVT_TIMER, &RecoveryAnalysis::OnElapsedTimer, this, m_ElapsedTimer.GetId());
  Bind(wxEVT_TIMER, &RecoveryAnalysis::OnBarTimer, this, m_BarTimer.GetId());
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { DrawPending(); }, m_DrawTimer.GetId());
  Client()->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayOut();
    event.Skip();
  });
}

RecoveryAnalysis::~RecoveryAnalysis() {
  m_ElapsedTimer.Stop();
  m_BarTimer.Stop();
  m_DrawTimer.Stop();
  // The worker reads the lists and draws into this page's bar: it must be gone first.
  m_Worker.CancelAndJoin();
}

uint64_t RecoveryAnalysis::NowMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

void RecoveryAnalysis::OnInitPage() {
  m_Modes = {g_CreateImageMode.load() != 0, g_FormattedMode.load() != 0,
             g_PartitionMode.load() != 0};
  g_ScanState.totalSize = 0;
  g_ScanState.indxCount = 0;
  // The second pass of a partition search scans the file system the found-file-systems page
  // chose; every other scan starts with none chosen.
  if (g_LogLoaded.load() == 0 && !(m_Modes.partition && g_PartitionPass.load() == 1))
    g_ScanState.chosenFileSystem = 0;
  g_CopySkipOnce = 0;
  g_CopySkipAll = 0;
  g_CopyAbort = 0;
  g_TreeMode = 3;
  g_AppTitle = g_AppTitleCopy + std::string(ModeTitleSuffix(g_ScanState.recoveryMode));

  const wxRect desktop = wxDisplay(0u).GetGeometry();
  const PixelRect rect = ModePageWindowRect(
      {desktop.GetLeft(), desktop.GetTop(), desktop.GetRight() + 1, desktop.GetBottom() + 1});
  SetSize(rect.x, rect.y, rect.width, rect.height);

  const char* const toolBitmaps[5] = {"\\Save-Recovery-tbar.bmp", "\\Load-Recovery-tbar.bmp",
                                      "\\recover-tbar.bmp", "\\Search-tbar.bmp", "\\Help-tbar.bmp"};
  for (int i = 0; i < 5; ++i) {
    m_Tools[i]->LoadFrameStrip4(BitmapPath(g_BitmapFolder, toolBitmaps[i]));
    m_Tools[i]->EnableButton(i == 4);  // only Help acts on this page
  }
  m_NextButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Next-btn.bmp"));
  m_BackButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Back-btn.bmp"));
  m_StopButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Stop-btn.bmp"));
  if (m_Paused)
    SetButtonStrip(m_PauseButton, "&Resume", "\\Resume-btn.bmp");
  else
    SetButtonStrip(m_PauseButton, "&Pause", "\\Pause-btn.bmp");
  m_HideButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\HideDetails-btn.bmp"));
  m_NextButton->EnableButton(false);

  const DpiFactors factors = ApplyDialogLook(
      this, {.appWindow = true, .icons = true},
      {m_Labels[0], m_Labels[1], m_Labels[2], m_Labels[3], m_Labels[4]});
  m_Heading->SetFaceName("Arial")
      .SetPointSize(LabelPointSize(12, factors.y))
      .SetBold(true)
      .SetTransparent(true)
      .SetTextColor(*wxWHITE);
  wxFont lineFont = m_StepLine->GetFont();
  lineFont.SetWeight(wxFONTWEIGHT_BOLD);
  m_StepLine->SetFont(lineFont);

  m_InfoLines[0]->SetLabel(FromUtf8(ModeLineText(g_ScanState.recoveryMode)));
  m_InfoLines[1]->SetLabel(
      FromUtf8(DeviceLineText(CurrentDevicePath(), g_VirtualDiskMode != 0)));
  m_InfoLines[2]->SetLabel(
      FromUtf8(CapacityLineText(g_SourceStartSector, g_SourceEndSector, g_BytesPerSector)));
  const bool logLoaded = g_LogLoaded.load() != 0;
  m_HelpLine->SetLabel(FromUtf8(AnalysisHelpLine(m_Modes.createImage, m_Modes.partition,
                                                 g_PartitionPass.load(), m_Modes.formatted)));
  m_Hint->SetLabel(
      FromUtf8(AnalysisHint(m_Modes.createImage, m_Modes.partition, g_PartitionPass.load())));
  m_View.emplace(m_Modes.createImage, g_FileSystemName);

  ScanThreadFn worker = nullptr;
  if (m_Modes.createImage) {
    LoadPicture(m_StepPicture, "\\Step-3.bmp");
    m_Labels[3]->Hide();
    m_Values[3]->Hide();
    m_StepLine->Hide();
    SetSizeLabel(kCurrentSectorLabel);
    m_Labels[2]->SetLabel(FromUtf8(kSizeCopiedLabel));
    worker = SelectAnalysisWorker(m_Modes);
  } else {
    LoadPicture(m_StepPicture, "\\Step-2.bmp");
    PrepareScanState();
    const std::string_view label =
        SizeLabelForScan(g_FileSystemName, m_Modes.formatted, m_Modes.partition,
                         g_PartitionPass.load(), logLoaded);
    if (!label.empty()) SetSizeLabel(label);
    worker = SelectAnalysisWorker(m_Modes);
    // The deleted-data scans and the log reader show no step line until they have a step.
    const bool deleted = !m_Modes.formatted && !m_Modes.partition;
    if (deleted || logLoaded) m_StepLine->Hide();
  }
  m_Clock.Start(NowMs());
  m_ElapsedTimer.Start(kElapsedPeriodMs);
  m_Values[0]->SetLabel(FromUtf8(ElapsedClock::Text(0)));
  if (!m_Modes.createImage) {
    m_Values[2]->SetLabel("0");
    m_Values[3]->SetLabel("0");
  }
  LayOut();
  // With no worker for this file system and mode the page stays until Back or the close box.
  if (worker) StartWorker(worker);
}

void RecoveryAnalysis::LayOut() {
  AnalysisControlSizes sizes;
  const wxSize tool = m_Tools[0]->GetSize();
  if (m_Tools[0]->HasStrip()) sizes.toolWidth = tool.x, sizes.toolHeight = tool.y;
  CHoverButton* const buttons[5] = {m_PauseButton, m_HideButton, m_StopButton, m_BackButton,
                                    m_NextButton};
  for (int i = 0; i < 5; ++i)
    if (buttons[i]->HasStrip()) sizes.buttonWidths[i] = buttons[i]->GetSize().x;
  if (m_BackButton->HasStrip()) sizes.buttonHeight = m_BackButton->GetSize().y;
  const wxBitmap picture = m_StepPicture->GetBitmap();
  if (picture.IsOk()) sizes.pictureWidth = picture.GetWidth(), sizes.pictureHeight = picture.GetHeight();
  sizes.rowHeight = std::max(24, m_Labels[0]->GetBestSize().y);
  const wxSize client = Client()->GetClientSize();
  const AnalysisPageLayout l = LayoutAnalysisPage(client.x, client.y, sizes);
  for (int i = 0; i < 5; ++i) Place(m_Tools[i], l.toolbar[i]);
  Place(m_HeadingBand, l.headingBand);
  Place(m_Heading, {l.heading.x, l.heading.y - l.headingBand.y, l.heading.width, l.heading.height});
  Place(m_StepPicture, l.stepPicture);
  Place(m_HelpLine, l.helpLine);
  m_HelpLine->Wrap(l.helpLine.width);
  for (int i = 0; i < 3; ++i) Place(m_InfoLines[i], l.infoLines[i]);
  for (int i = 0; i < 5; ++i) {
    Place(m_Labels[i], l.labels[i]);
    Place(m_Values[i], l.values[i]);
  }
  Place(m_StepLine, l.stepLine);
  Place(m_DetailLine, l.detailLine);
  Place(m_Bar, l.bar);
  Place(m_Hint, l.hint);
  m_Hint->Wrap(l.hint.width);
  for (int i = 0; i < 5; ++i) Place(buttons[i], l.buttons[i]);
  Client()->Refresh();
}

void RecoveryAnalysis::StartWorker(ScanThreadFn worker) {
  const ProgressThrottle throttle(m_Modes.createImage ? ProgressThrottle::kImagePeriod
                                                      : ProgressThrottle::kScanPeriod);
  m_Worker.Start(
      [this, worker, throttle](ScanControl& control) {
        ScanJob job{control, *m_Observer, throttle};
        return RunWorker(worker, job);
      },
      [this](ScanEnd end) { OnWorkerEnded(end); });
}

// What came within a frame of the last draw waits for the rest of that frame, still marked as
// posted, so the worker posts nothing more meanwhile and the draw takes whatever it has by then.
void RecoveryAnalysis::DrawPending() {
  const uint64_t since = NowMs() - m_LastDrawMs;
  if (since < kDrawPeriodMs) {
    if (!m_DrawTimer.IsRunning()) m_DrawTimer.StartOnce(static_cast<int>(kDrawPeriodMs - since));
    return;
  }
  DrawPendingNow();
}

void RecoveryAnalysis::DrawPendingNow() {
  m_DrawTimer.Stop();
  m_LastDrawMs = NowMs();
  Pending p;
  {
    std::lock_guard lock(m_PendingMutex);
    p = std::move(m_Pending);
    m_Pending = Pending{};
  }
  if (p.switchToFormatted) OnSwitchToFormatted();
  if (p.sizeLabel) SetSizeLabel(*p.sizeLabel);
  if (p.stepLinesShown) {
    m_StepLine->Show(*p.stepLinesShown && !m_Modes.createImage);
    m_DetailLine->Show(*p.stepLinesShown);
  }
  if (p.step) m_StepLine->SetLabel(FromUtf8(*p.step));
  if (p.detail) m_DetailLine->SetLabel(FromUtf8(*p.detail));
  if (p.animation) {
    m_BarAnimating = *p.animation;
    if (m_BarAnimating && !m_Paused) m_BarTimer.Start(kBarPeriodMs);
    if (!m_BarAnimating) m_BarTimer.Stop();
  }
  if (p.bar) m_Bar->SetPos(*p.bar);
  if (p.progress && !m_DetailsHidden && m_View) {
    const AnalysisFieldTexts t = m_View->Update(*p.progress, g_ScanState.indxCount.load(),
                                                g_SourceEndSector, g_BytesPerSector);
    if (t.sizeOrSector) m_Values[1]->SetLabel(FromUtf8(*t.sizeOrSector));
    if (t.folders) m_Values[2]->SetLabel(FromUtf8(*t.folders));
    if (t.files) m_Values[3]->SetLabel(FromUtf8(*t.files));
    if (t.name) {
      g_ScanState.SetLastShownName(*t.name);
      m_Values[4]->SetLabel(FromUtf8(Utf16ToUtf8(*t.name)));
    }
    if (t.detail) m_DetailLine->SetLabel(FromUtf8(*t.detail));
  }
}

void RecoveryAnalysis::OnSwitchToFormatted() {
  m_BarTimer.Stop();
  m_BarAnimating = false;
  SetSizeLabel(g_FileSystemName == FileSystemKind::Ntfs ? kIndexesFoundLabel
                                                         : kCurrentSectorLabel);
  m_View.emplace(false, g_FileSystemName);
  m_Clock.Start(NowMs());
  m_ElapsedTimer.Start(kElapsedPeriodMs);
}

void RecoveryAnalysis::OnWorkerEnded(ScanEnd end) {
  DrawPendingNow();
  m_End = end;
  if (m_Leaving) return;  // Back is ending the page already
  m_ElapsedTimer.Stop();
  m_BarTimer.Stop();
  m_StopButton->EnableButton(false);
  m_PauseButton->EnableButton(false);
  SetTitle(FromUtf8(g_AppTitle));
  switch (AfterWorkerEnds(end)) {
    case AfterWorker::ShowResults: {
      Hide();
      if (m_RunResultsPage) m_RunResultsPage();
      EndDialog(ResultAfterResultsPage(end, m_Modes));
      return;
    }
    case AfterWorker::DiscardAndEnd:
      FreeFolderList();
      EndDialog(2);
      return;
    case AfterWorker::EndPage:
      EndDialog(2);
      return;
    case AfterWorker::StayOpen:
      return;
  }
}

void RecoveryAnalysis::OnElapsedTimer(wxTimerEvent&) {
  if (!m_DetailsHidden) m_Values[0]->SetLabel(FromUtf8(ElapsedClock::Text(m_Clock.ElapsedMs(NowMs()))));
}

void RecoveryAnalysis::OnBarTimer(wxTimerEvent&) {
  m_BarStep = m_BarStep >= 99 ? 0 : m_BarStep + 1;
  m_Bar->SetPos(m_BarStep);
}

void RecoveryAnalysis::StartTimers(int milliseconds, bool elapsed, bool bar) {
  if (elapsed) m_ElapsedTimer.Start(milliseconds);
  if (bar && m_BarAnimating) m_BarTimer.Start(milliseconds);
}

void RecoveryAnalysis::SetButtonStrip(CHoverButton* button, const wxString& caption,
                                      const char* bitmap) {
  button->SetLabel(caption);
  const wxPoint at = button->GetPosition();
  button->LoadFrameStrip4(BitmapPath(g_BitmapFolder, bitmap));
  button->Move(at);
  button->Refresh();
}

void RecoveryAnalysis::SetSizeLabel(std::string_view text) {
  m_Labels[1]->SetLabel(FromUtf8(text));
}

void RecoveryAnalysis::ShowValues(bool shown) {
  for (int i = 0; i < 5; ++i) {
    m_Labels[i]->Show(shown);
    m_Values[i]->Show(shown);
  }
  if (shown && m_Modes.createImage) {
    m_Labels[3]->Hide();
    m_Values[3]->Hide();
    m_StepLine->Hide();
  }
}

void RecoveryAnalysis::OnPauseResume() {
  if (m_End) return;
  if (!m_Paused) {
    m_Paused = true;
    m_Worker.Control().Pause();
    m_Clock.Pause(NowMs());
    SetButtonStrip(m_PauseButton, "&Resume", "\\Resume-btn.bmp");
    m_StopButton->EnableButton(false);
    if (!m_Modes.formatted) {
      m_ElapsedTimer.Stop();
      if (!m_Modes.partition) m_BarTimer.Stop();
    }
  } else {
    m_Paused = false;
    m_Worker.Control().Resume();
    m_Clock.Resume(NowMs());
    SetButtonStrip(m_PauseButton, "&Pause", "\\Pause-btn.bmp");
    m_StopButton->EnableButton(true);
    if (!m_Modes.formatted && m_Worker.Running())
      StartTimers(kSlowPeriodMs, true, !m_Modes.partition);
  }
  m_PauseButton->Refresh();
}

void RecoveryAnalysis::OnHideShowDetails() {
  m_DetailsHidden = !m_DetailsHidden;
  ShowValues(!m_DetailsHidden);
  if (m_DetailsHidden) {
    m_ElapsedTimer.Stop();
  } else {
    m_ElapsedTimer.Start(kElapsedPeriodMs);
    if (m_View) m_View.emplace(m_Modes.createImage, g_FileSystemName);  // redraw every field
  }
  if (m_DetailsHidden)
    SetButtonStrip(m_HideButton, "&Show Details", "\\ShowDetails-btn.bmp");
  else
    SetButtonStrip(m_HideButton, "&Hide Details", "\\HideDetails-btn.bmp");
  Client()->Refresh();
}

void RecoveryAnalysis::OnStop() {
  if (m_End || !m_Worker.Running()) return;
  const bool deleted = !m_Modes.formatted && !m_Modes.partition && !m_Modes.createImage;
  m_Worker.Control().Pause();
  if (deleted) {
    m_ElapsedTimer.Stop();
    m_BarTimer.Stop();
  } else if (m_Modes.partition) {
    m_ElapsedTimer.Stop();
  }
  const int answer = Prompts().ViewQuestionMsg(kStopAnalysisQuestion);
  if (answer == 1) {
    // The scan ends its current step and keeps what it found; its end shows the results. A
    // paused scan is let go so that it can end.
    m_Worker.Control().RequestStop();
    m_StopButton->EnableButton(false);
    if (m_Paused) {
      m_Paused = false;
      m_Clock.Resume(NowMs());
      SetButtonStrip(m_PauseButton, "&Pause", "\\Pause-btn.bmp");
    }
  } else if (deleted) {
    StartTimers(kSlowPeriodMs, true, true);
  } else if (m_Modes.partition) {
    StartTimers(kSlowPeriodMs, true, false);
  }
  if (!m_Paused) m_Worker.Control().Resume();
}

void RecoveryAnalysis::OnCancel() {
  if (m_Leaving) return;
  m_Worker.Control().Pause();
  if (!m_Modes.formatted) m_BarTimer.Stop();
  if (Prompts().ViewQuestionMsg(kBackQuestion) != 1) {
    if (!m_Modes.formatted && m_BarAnimating && !m_Paused) m_BarTimer.Start(kBarPeriodMs);
    if (!m_Paused) m_Worker.Control().Resume();
    return;
  }
  m_Leaving = true;
  m_ElapsedTimer.Stop();
  // The end still arrives and is kept, though the page is leaving.
  m_Worker.Cancel();
  m_Worker.Join();
  FreeFolderList();
  FreeFileList();
  g_LogLoaded = 0;
  EndDialog(2);
}

void RecoveryAnalysis::OnCloseBox() {
  if (Prompts().ViewQuestionMsg(kExitAnalysisQuestion) == 1) ExitApplication();
}

void RecoveryAnalysis::OnHelp() {
  OpenHelpWebPage();
}

int RunAnalysisPage() {
  RecoveryAnalysis page;
  return page.DoModal();
}
