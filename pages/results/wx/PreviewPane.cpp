#include "pages/results/wx/PreviewPane.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <wx/listctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "engine/records/RecordName.h"
#include "platform/ShellLauncher.h"
#include "prompts/UserPrompts.h"
#include "results/RtfText.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/GradientProgressCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/PictureCtrl.h"

namespace {

// Bytes of an RTF document read for its text; the rest of a larger one is not shown.
constexpr size_t kMaxRtfBytes = 16u << 20;

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

// The copy routines' link to the pane: the bar's percentage and the Stop answer.
class PreviewObserver final : public CopyObserver {
 public:
  PreviewObserver(std::atomic<int>& percent, std::atomic<bool>& stop)
      : m_Percent(percent), m_Stop(stop) {}
  void OnPreviewProgress(int percent) override { m_Percent = std::clamp(percent, 0, 100); }
  bool PreviewStopRequested() override { return m_Stop.load(); }

 private:
  std::atomic<int>& m_Percent;
  std::atomic<bool>& m_Stop;
};

}  // namespace

PreviewPane::PreviewPane(wxWindow* parent, wxWindowID id)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_SIMPLE) {
  SetBackgroundColour(*wxWHITE);
  m_OpenFile = [](const std::string& path) {
    if (!OpenFileWithShell(path)) Prompts().ViewMsgBox(kOpenFailedText);
  };
  m_Picture = new CPictureCtrl(this, 1189);
  m_Placeholder = new CPictureCtrl(this, 1191);
  m_NoPreview = new CPictureCtrl(this, 1193);
  m_RichText = new wxTextCtrl(this, 1246, wxString(), wxDefaultPosition, wxDefaultSize,
                              wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH2 | wxBORDER_NONE);
  m_ZipList = new wxListCtrl(this, 1248, wxDefaultPosition, wxDefaultSize,
                             wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_NONE);
  for (const char* header : {"File Name", "Modified Date", "Actual Size", "Compressed Size"})
    m_ZipList->AppendColumn(header, wxLIST_FORMAT_LEFT);
  m_Wait = new wxStaticText(this, 1256, FromUtf8(kPreviewWaitText));
  m_Bar = new CGradientProgressCtrl(this, 1058);
  m_Bar->SetRange(0, 100);
  m_StopButton = new CHoverButton(this, 1048, "Stop");
  m_StopButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStop(); });
  Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
    LayOut();
    e.Skip();
  });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { m_Bar->SetPos(m_Percent.load()); });
  m_Wait->Hide();
  m_Bar->Hide();
  m_StopButton->Hide();
  Show(Shown::Placeholder);
}

PreviewPane::~PreviewPane() {
  StopAndJoin();
}

void PreviewPane::LoadPictures() {
  m_Placeholder->Load(BitmapPath(g_BitmapFolder, "\\preview.bmp"));
  m_NoPreview->Load(BitmapPath(g_BitmapFolder, "\\NoPreview.bmp"));
  m_StopButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Stop-btn.bmp"));
  LayOut();
}

void PreviewPane::LayOut() {
  const wxSize size = GetClientSize();
  for (wxWindow* w :
       std::initializer_list<wxWindow*>{m_Placeholder, m_NoPreview, m_RichText, m_ZipList})
    w->SetSize(0, 0, size.x, size.y);
  // The picture a fifth of the width in from the left, 20 pixels down, three fifths wide.
  m_Picture->SetSize(size.x / 5, 20, std::max(1, size.x * 3 / 5), std::max(1, size.y - 40));
  // Each zip column a quarter of the list's width.
  const int quarter = std::max(1, size.x / 4);
  for (int c = 0; c < m_ZipList->GetColumnCount(); ++c) m_ZipList->SetColumnWidth(c, quarter);
  // The bar half the width and 20 high at a third of the height, indented by an eighth; Stop
  // at its right, centred on it, and the wait text below it.
  const int left = size.x / 8;
  const int top = size.y / 3;
  const int barWidth = std::max(1, size.x / 2);
  const wxSize stop = m_StopButton->GetBestSize();
  m_Bar->SetSize(left, top, barWidth, 20);
  m_StopButton->SetSize(left + barWidth + 10, top + 10 - stop.y / 2, stop.x, stop.y);
  m_Wait->SetSize(left, top + 28, barWidth + 10 + stop.x, 20);
}

void PreviewPane::Show(Shown what) {
  m_Shown = what;
  m_Picture->Show(what == Shown::Picture);
  m_Placeholder->Show(what == Shown::Placeholder);
  m_NoPreview->Show(what == Shown::NoPreview);
  m_RichText->Show(what == Shown::Rtf);
  m_ZipList->Show(what == Shown::Zip);
  Refresh();
}

void PreviewPane::Reset() {
  StopAndJoin();
  Show(Shown::Placeholder);
}

void PreviewPane::StopAndJoin() {
  m_Worker.Discard();  // whatever the running preview posts is dropped
  m_StopRequested = true;
  m_Worker.Control().Resume();
  m_Worker.Join();
  m_BarTimer.Stop();
  if (m_Running) {
    m_Running = false;
    m_Wait->Hide();
    m_Bar->Hide();
    m_StopButton->Hide();
    if (m_OnRunning) m_OnRunning(false);
  }
}

void PreviewPane::Start(const FileRecord* file, FileSystemKind fs, bool recordsAtLocator,
                        bool open) {
  StopAndJoin();
  if (!file) return;
  m_StopRequested = false;
  m_Percent = 0;
  const PreviewKind kind = open ? PreviewKind::None : PreviewKindOfName(RecordName(*file));
  if (!open && kind == PreviewKind::None) {
    Show(Shown::NoPreview);  // nothing to extract
    return;
  }
  m_Picture->Hide();
  m_Placeholder->Hide();
  m_NoPreview->Hide();
  m_RichText->Hide();
  m_ZipList->Hide();
  m_Bar->SetPos(0);
  m_Wait->Show();
  m_Bar->Show();
  m_StopButton->Show();
  m_Running = true;
  if (m_OnRunning) m_OnRunning(true);
  m_BarTimer.Start(100);
  m_Folder.Path();  // made here, on the UI thread, before the worker opens it
  m_Worker.Start(
      [this, file, fs, recordsAtLocator](ScanControl& control) {
        const PreviewRequest request{file, fs, recordsAtLocator, &control};
        PreviewObserver observer(m_Percent, m_StopRequested);
        std::optional<PreviewExtraction> result;
        if (const TargetFolder folder = m_Folder.Open(); folder.IsOpen())
          result = ExtractForPreview(request, folder, observer);
        return result;
      },
      [this, kind, open](std::optional<PreviewExtraction> result) {
        Finished(kind, std::move(result), open);
      });
}

void PreviewPane::Finished(PreviewKind kind, std::optional<PreviewExtraction> result, bool open) {
  m_BarTimer.Stop();
  m_Running = false;
  m_Wait->Hide();
  m_Bar->Hide();
  m_StopButton->Hide();
  m_ExtractedPath = result ? m_Folder.Path() + "/" + result->safeName : std::string();
  if (!result || result->stopped) kind = PreviewKind::None;
  if (open && result && !result->stopped && m_OpenFile) m_OpenFile(m_ExtractedPath);
  switch (kind) {
    case PreviewKind::Picture:
      Show(Shown::Picture);
      if (!m_Picture->Load(m_ExtractedPath)) Show(Shown::NoPreview);
      break;
    case PreviewKind::Rtf:
      ShowRtf(m_ExtractedPath);
      break;
    case PreviewKind::Zip:
      ShowZip(m_ExtractedPath);
      break;
    case PreviewKind::None:
      Show(Shown::NoPreview);
      break;
  }
  if (m_OnRunning) m_OnRunning(false);
}

void PreviewPane::ShowRtf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::string rtf(kMaxRtfBytes, '\0');
    in.read(rtf.data(), static_cast<std::streamsize>(rtf.size()));
    rtf.resize(static_cast<size_t>(in.gcount()));
    m_RichText->SetValue(FromUtf8(RtfToText(rtf)));
    m_RichText->SetInsertionPoint(0);
  }
  Show(Shown::Rtf);
}

void PreviewPane::ShowZip(const std::string& path) {
  m_ZipList->DeleteAllItems();
  m_Zip.Close();
  m_Zip.SetPath(path);
  if (m_Zip.Open() != 0) {
    Show(Shown::NoPreview);
    return;
  }
  for (int i = 0; i < m_Zip.GetCount(); ++i) {
    const ZipRowTexts t = ZipEntryTexts(*m_Zip.GetEntry(i));
    const long row = m_ZipList->InsertItem(i, FromUtf8(t.name));
    m_ZipList->SetItem(row, 1, FromUtf8(t.modified));
    m_ZipList->SetItem(row, 2, FromUtf8(t.actualSize));
    m_ZipList->SetItem(row, 3, FromUtf8(t.compressedSize));
  }
  Show(Shown::Zip);
}

void PreviewPane::OnStop() {
  if (!m_Running) return;
  // The worker waits at its next read while the question is open.
  m_Worker.Control().Pause();
  const bool yes = Prompts().ViewQuestionMsg(kPreviewStopQuestion) == 1;
  if (yes) m_StopRequested = true;
  m_Worker.Control().Resume();
}
