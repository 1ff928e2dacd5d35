#include "pages/copy/wx/DataCopyProgress.h"

#include <algorithm>
#include <ctime>

#include <wx/dcclient.h>
#include <wx/statbox.h>
#include <wx/toplevel.h>

#include "pages/copy/CopyTexts.h"
#include "platform/TextCodec.h"
#include "prompts/CopyGlobals.h"
#include "prompts/UserPrompts.h"
#include "engine/records/ScanState.h"
#include "saving/extract/CopyCounters.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/GradientProgressCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/TransparentStatic.h"

namespace {

constexpr int kRefreshMs = 200;

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

wxString FromUtf16(std::u16string_view text) {
  const std::string utf8 = Utf16ToUtf8(text);
  return wxString::FromUTF8(utf8.data(), utf8.size());
}

// A long name or folder loses its middle rather than its end.
void SetFitted(wxControl* control, const wxString& text) {
  wxClientDC dc(control);
  dc.SetFont(control->GetFont());
  control->SetLabel(
      wxControl::Ellipsize(text, dc, wxELLIPSIZE_MIDDLE, control->GetClientSize().x));
}

// The copy page stands over the page it was started from (the largest window shown behind it),
// centred across it and a third of the way down, clear of that page's hint and buttons at the
// bottom; its bars then stay above the end message, which comes up in the middle of the screen.
// With no such page, in the middle of the screen.
void CentreOverPage(wxDialog* dialog) {
  const wxTopLevelWindow* page = nullptr;
  for (const wxWindow* w : wxTopLevelWindows) {
    const auto* top = dynamic_cast<const wxTopLevelWindow*>(w);
    if (!top || top == dialog || !top->IsShown()) continue;
    if (!page || top->GetSize().x * top->GetSize().y > page->GetSize().x * page->GetSize().y)
      page = top;
  }
  if (!page) {
    dialog->CentreOnScreen();
    return;
  }
  const wxRect area = page->GetScreenRect();
  const wxSize size = dialog->GetSize();
  dialog->Move(area.x + (area.width - size.x) / 2, area.y + std::max(0, area.height - size.y) / 3);
}

// The page's own frame: without one it cannot be told from the white page behind it.
void DrawFrame(wxWindow* window) {
  wxPaintDC dc(window);
  const wxSize size = window->GetClientSize();
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.SetPen(wxPen(wxColour(0x1D, 0x4E, 0x89), 2));
  dc.DrawRectangle(1, 1, size.x - 1, size.y - 1);
}

int64_t Now() {
  return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

// The worker's side: keeps the last file and its bytes for the page's timer.
class DataCopyProgress::Observer final : public CopyObserver {
 public:
  explicit Observer(DataCopyProgress& page) : m_Page(page) {}

  void OnFileStarted(std::u16string_view folder, std::u16string_view name) override {
    std::lock_guard lock(m_Page.m_Mutex);
    m_Page.m_PendingFolder.assign(folder);
    m_Page.m_PendingName.assign(name);
    m_Page.m_PendingWritten = 0;
    m_Page.m_PendingSize = 0;
    m_Page.m_NameChanged = true;
  }
  void OnFileProgress(std::u16string_view name, uint64_t written, uint64_t size) override {
    std::lock_guard lock(m_Page.m_Mutex);
    if (name != m_Page.m_PendingName) {
      m_Page.m_PendingName.assign(name);
      m_Page.m_NameChanged = true;
    }
    m_Page.m_PendingWritten = written;
    m_Page.m_PendingSize = size;
  }

 private:
  DataCopyProgress& m_Page;
};

DataCopyProgress::DataCopyProgress(const CopyRun& run, wxWindow* parent)
    : CLookDialog(parent, 340, 196, /*stayOnTop=*/false, /*enterResult=*/wxID_NONE,
                  /*escapeResult=*/wxID_CANCEL),
      m_Run(run),
      m_Observer(std::make_unique<Observer>(*this)),
      m_Timer(this) {
  g_CopySkipOnce = 0;
  g_CopySkipAll = 0;
  g_CopyAbort = 0;

  auto caption = [this](int id, std::string_view text, wxRect r) {
    auto* c = new CTransparentStatic(this, id, FromUtf8(text), r.GetPosition(), r.GetSize());
    wxFont font = c->GetFont();
    font.SetPixelSize(wxSize(0, 12));
    font.SetWeight(wxFONTWEIGHT_BOLD);
    c->SetFont(font);
    m_Details.push_back(c);
    return c;
  };
  auto value = [this](int id, wxRect r) {
    auto* v = new CTransparentStatic(this, id, wxString(), r.GetPosition(), r.GetSize());
    m_Details.push_back(v);
    return v;
  };
  const wxRect box = Dlu(6, 6, 328, 74);
  new wxStaticBox(this, wxID_ANY, wxString(), box.GetPosition(), box.GetSize());
  caption(1046, kTimeElapsedCaption, Dlu(12, 16, 84, 11));
  m_Elapsed = value(1031, Dlu(98, 16, 70, 11));
  caption(1047, kTimeLeftCaption, Dlu(172, 16, 90, 11));
  m_TimeLeft = value(1082, Dlu(264, 16, 66, 11));
  caption(1087, kDataSizeCaption, Dlu(12, 31, 84, 11));
  m_DataSize = value(1083, Dlu(98, 31, 70, 11));
  caption(1088, kDataCopiedCaption, Dlu(172, 31, 90, 11));
  m_Copied = value(1084, Dlu(264, 31, 66, 11));
  caption(1089, kLastNameCaption, Dlu(12, 46, 84, 11));
  m_FileName = value(1086, Dlu(98, 46, 232, 11));
  caption(1090, kFolderNameCaption, Dlu(12, 61, 84, 11));
  m_FolderName = value(1085, Dlu(98, 61, 232, 11));

  const wxRect fileCaption = Dlu(8, 86, 200, 11);
  new CLabel(this, 1113, FromUtf8(kCurrentBarCaption), fileCaption.GetPosition(),
             fileCaption.GetSize());
  const wxRect fileBar = Dlu(8, 98, 324, 12);
  m_FileBar = new CGradientProgressCtrl(this, kIdFileBar, fileBar.GetPosition(), fileBar.GetSize());
  const wxRect overallCaption = Dlu(8, 114, 200, 11);
  new CLabel(this, 1114, FromUtf8(kOverallBarCaption), overallCaption.GetPosition(),
             overallCaption.GetSize());
  const wxRect overallBar = Dlu(8, 126, 324, 12);
  m_OverallBar =
      new CGradientProgressCtrl(this, kIdOverallBar, overallBar.GetPosition(), overallBar.GetSize());
  for (CGradientProgressCtrl* bar : {m_FileBar, m_OverallBar}) {
    bar->SetRange(0, 100);
    bar->SetShowPercent(true);
    bar->SetTextColour(*wxBLACK);
  }
  const wxRect hint = Dlu(8, 144, 324, 11);
  new CTransparentStatic(this, 1112, FromUtf8(kCopyHint), hint.GetPosition(), hint.GetSize());

  const wxRect details = Dlu(8, 166, 74, 20);
  m_DetailsButton =
      new CHoverButton(this, kIdDetails, "Hide Details", details.GetPosition(), details.GetSize());
  const wxRect pause = Dlu(142, 166, 62, 20);
  m_PauseButton = new CHoverButton(this, kIdPause, "&Pause", pause.GetPosition(), pause.GetSize());
  const wxRect skip = Dlu(208, 168, 54, 16);
  m_SkipButton = new CHoverButton(this, kIdSkip, "S&kip", skip.GetPosition(), skip.GetSize());
  const wxRect stop = Dlu(268, 166, 62, 20);
  m_StopButton = new CHoverButton(this, kIdStop, "&Stop", stop.GetPosition(), stop.GetSize());

  m_PauseButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnPauseResume(); });
  m_SkipButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSkip(); });
  m_StopButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStop(); });
  m_DetailsButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHideDetails(); });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Refresh(!m_DetailsHidden); }, m_Timer.GetId());
  Bind(wxEVT_PAINT, [this](wxPaintEvent&) { DrawFrame(this); });
}

DataCopyProgress::~DataCopyProgress() {
  m_Timer.Stop();
  // The worker reads the scan's lists and this page's observer: it must be gone first.
  m_Worker.CancelAndJoin();
}

int DataCopyProgress::ShowModal() {
  const DpiFactors factors = ApplyDialogLook(this, {.appWindow = true, .icons = true}, {});
  for (wxWindow* child : GetChildren())
    if (auto* l = dynamic_cast<CLabel*>(child)) ApplyLabelLook(l, factors);
  SetStrip(m_PauseButton, "&Pause", "\\Pause-btn.bmp", true);
  SetStrip(m_DetailsButton, "Hide Details", "\\HideDetails-btn.bmp", true);
  m_StopButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Stop-btn.bmp"));
  m_SkipButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\skip.bmp"));
  m_DataSize->SetLabel(FromUtf8(CopySizeText(m_Run.totals.byteTotal)));
  m_Copied->SetLabel(FromUtf8(CopySizeText(0)));
  m_Elapsed->SetLabel(FromUtf8(kZeroTime));
  m_TimeLeft->SetLabel(FromUtf8(kZeroTime));
  CentreOverPage(this);

  SaveDataRequest request;
  request.walk = m_Run.walk;
  request.targetPath = m_Run.targetPath;
  request.fileSystem = g_ScanState.fileSystem;
  request.recordsAtLocator = g_FormattedMode.load() != 0 || g_PartitionMode.load() != 0;
  m_Worker.Start(
      [this, request](ScanControl& control) mutable {
        request.control = &control;
        // Kept by the worker itself: Stop reads it right after the join, before the end told
        // on the event queue has run.
        m_Outcome = SaveDataThread(request, *m_Observer);
      },
      [this] { OnWorkerEnded(); });
  m_Timer.Start(kRefreshMs);
  const int result = CLookDialog::ShowModal();
  m_Timer.Stop();
  m_Worker.Cancel();
  m_Worker.Join();
  return result;
}

int64_t DataCopyProgress::ElapsedSeconds() const {
  const int64_t pausedNow = m_Paused ? Now() - m_PauseStart : 0;
  return Now() - m_PausedSeconds - pausedNow - g_CopyStartTime.load();
}

void DataCopyProgress::Refresh(bool texts) {
  std::u16string name, folder;
  uint64_t written = 0, size = 0;
  bool nameChanged = false;
  {
    std::lock_guard lock(m_Mutex);
    written = m_PendingWritten;
    size = m_PendingSize;
    nameChanged = m_NameChanged;
    m_NameChanged = false;
    if (nameChanged) name = m_PendingName, folder = m_PendingFolder;
  }
  const uint64_t copied = g_CopiedBytes.load();
  if (written != 0) m_FileBar->SetPos(PercentOf(written, size));
  if (copied != 0) m_OverallBar->SetPos(PercentOf(copied, m_Run.totals.byteTotal));
  if (!texts) return;
  if (nameChanged) {
    SetFitted(m_FileName, FromUtf16(name));
    if (!folder.empty()) SetFitted(m_FolderName, FromUtf16(folder));
  }
  m_Copied->SetLabel(FromUtf8(CopySizeText(copied)));
  if (const auto times = CopyTimeTexts(ElapsedSeconds(), copied, m_Run.totals.byteTotal)) {
    m_Elapsed->SetLabel(FromUtf8(times->elapsed));
    m_TimeLeft->SetLabel(FromUtf8(times->left));
  }
}

void DataCopyProgress::SetStrip(CHoverButton* button, const wxString& caption, const char* bitmap,
                                bool four) {
  button->SetLabel(caption);
  const std::string path = BitmapPath(g_BitmapFolder, bitmap);
  if (four)
    button->LoadFrameStrip4(path);
  else
    button->LoadFrameStrip3(path);
  button->Refresh();
}

void DataCopyProgress::OnPauseResume() {
  if (!m_Worker.Running()) return;
  if (!m_Paused) {
    m_Paused = true;
    m_PauseStart = Now();
    m_Worker.Control().Pause();
    SetStrip(m_PauseButton, "&Resume", "\\Resume-btn.bmp", true);
  } else {
    m_Paused = false;
    m_PausedSeconds += Now() - m_PauseStart;
    m_Worker.Control().Resume();
    SetStrip(m_PauseButton, "&Pause", "\\Pause-btn.bmp", true);
  }
}

void DataCopyProgress::OnSkip() {
  g_CopySkipOnce = 1;
}

void DataCopyProgress::OnHideDetails() {
  m_DetailsHidden = !m_DetailsHidden;
  for (wxWindow* w : m_Details) w->Show(!m_DetailsHidden);
  if (m_DetailsHidden)
    SetStrip(m_DetailsButton, "Show Details", "\\ShowDetails-btn.bmp", true);
  else
    SetStrip(m_DetailsButton, "Hide Details", "\\HideDetails-btn.bmp", true);
  if (!m_DetailsHidden) Refresh(true);
}

void DataCopyProgress::OnStop() {
  if (m_Asking || m_Finished) return;
  if (!m_Worker.Running()) {
    if (IsModal()) EndModal(wxID_CANCEL);
    return;
  }
  // The copy waits at its next read while the question is open.
  m_Worker.Control().Pause();
  m_Asking = true;
  const int answer = Prompts().ViewQuestionMsg(kStopCopyQuestion);
  m_Asking = false;
  if (answer != 1) {
    if (!m_Paused) m_Worker.Control().Resume();
    if (m_EndedWhileAsking) OnWorkerEnded();
    return;
  }
  m_Finished = true;
  m_Worker.Control().RequestStop();
  m_Worker.Control().Resume();
  // The file being written keeps what was written and gets its time before the message.
  m_Worker.Join();
  m_Timer.Stop();
  Refresh(!m_DetailsHidden);
  Prompts().ViewMsgBox(WithIncompleteCount(kSavingAborted, m_Outcome.value_or(SaveDataOutcome{})));
  if (IsModal()) EndModal(wxID_CANCEL);
}

void DataCopyProgress::OnWorkerEnded() {
  if (m_Asking) {
    m_EndedWhileAsking = true;
    return;
  }
  if (m_Finished) return;
  Finish();
}

void DataCopyProgress::Finish() {
  m_Finished = true;
  m_Worker.Join();
  m_Timer.Stop();
  Refresh(!m_DetailsHidden);
  const SaveDataOutcome outcome = m_Outcome.value_or(SaveDataOutcome{});
  Prompts().ViewMsgBox(WithIncompleteCount(
      SaveEndText(g_CopiedBytes.load(), m_Run.totals.byteTotal, outcome), outcome));
  if (IsModal()) EndModal(wxID_OK);
}

int RunCopyProgressPage(const CopyRun& run) {
  DataCopyProgress page(run);
  return page.ShowModal();
}
