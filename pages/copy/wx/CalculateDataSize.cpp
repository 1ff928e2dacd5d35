#include "pages/copy/wx/CalculateDataSize.h"

#include "pages/copy/CopyTexts.h"
#include "prompts/UserPrompts.h"
#include "saving/settings/SettingsAdmission.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

constexpr int kRefreshMs = 100;

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace

CalculateDataSize::CalculateDataSize(const FolderWalk& walk, FileSystemKind fileSystem,
                                     wxWindow* parent)
    : CLookDialog(parent, 220, 82, /*stayOnTop=*/false, /*enterResult=*/wxID_CANCEL,
                  /*escapeResult=*/wxID_CANCEL),
      m_Walk(walk),
      m_FileSystem(fileSystem),
      m_Timer(this) {
  SetTitle(FromUtf8(kSizeDialogTitle));
  auto label = [this](int id, std::string_view text, wxRect r) {
    return new CLabel(this, id, FromUtf8(text), r.GetPosition(), r.GetSize());
  };
  label(1053, kSizeChecking, Dlu(12, 8, 196, 12));
  label(1054, kSizeFilesCaption, Dlu(12, 24, 80, 12));
  label(1055, kSizeBytesCaption, Dlu(12, 38, 80, 12));
  m_CountValue = label(kIdCountValue, "0", Dlu(96, 24, 112, 12));
  m_SizeValue = label(kIdSizeValue, SizeTotalText(0), Dlu(96, 38, 112, 12));
  const wxRect stop = Dlu(60, 56, 50, 16);
  m_StopButton = new CHoverButton(this, kIdStop, "Stop", stop.GetPosition(), stop.GetSize());
  const wxRect cancel = Dlu(116, 56, 50, 16);
  m_CancelButton =
      new CHoverButton(this, kIdCancel, "Cancel", cancel.GetPosition(), cancel.GetSize());
  m_StopButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStop(); });
  m_CancelButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStop(); });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ShowTotals(); }, m_Timer.GetId());
}

CalculateDataSize::~CalculateDataSize() {
  m_Timer.Stop();
  m_Worker.CancelAndJoin();
}

SizeTotals CalculateDataSize::Totals() const {
  return {m_FileCount.load(), m_ByteTotal.load()};
}

int CalculateDataSize::ShowModal() {
  const DpiFactors factors = ApplyDialogLook(this, {.appWindow = true}, {});
  for (wxWindow* child : GetChildren())
    if (auto* l = dynamic_cast<CLabel*>(child)) ApplyLabelLook(l, factors);
  SetTitle(FromUtf8(kSizeDialogTitle));
  m_StopButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Stop-btn.bmp"));
  m_CancelButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\cancel.bmp"));
  CentreOnScreen();

  const FileSystemKind fs = m_FileSystem;
  m_Worker.Start(
      [this, fs](ScanControl& control) {
        SizeWalk(
            m_Walk, [fs](const FileRecord& f) { return AdmittedBySettings(f, fs); },
            [this, &control](const SizeTotals& t) {
              m_FileCount = t.fileCount;
              m_ByteTotal = t.byteTotal;
              return !control.StopRequested() && !control.Cancelled();
            });
      },
      [this] { OnWorkerEnded(); });
  m_Timer.Start(kRefreshMs);
  const int result = CLookDialog::ShowModal();
  m_Timer.Stop();
  m_Worker.Control().RequestStop();
  m_Worker.Join();
  return result;
}

void CalculateDataSize::ShowTotals() {
  m_CountValue->SetLabel(wxString::Format("%d", m_FileCount.load()));
  m_SizeValue->SetLabel(FromUtf8(SizeTotalText(m_ByteTotal.load())));
}

void CalculateDataSize::OnWorkerEnded() {
  if (m_Asking) {
    m_EndedWhileAsking = true;
    return;
  }
  m_Finished = !m_Worker.Control().StopRequested();
  ShowTotals();
  if (IsModal()) EndModal(m_Finished ? wxID_OK : wxID_CANCEL);
}

void CalculateDataSize::OnStop() {
  if (m_Asking) return;
  if (m_Worker.Running() && !m_EndedWhileAsking) {
    m_StopButton->EnableButton(false);
    m_Asking = true;
    const int answer = Prompts().ViewQuestionMsg(kTerminateQuestion);
    m_Asking = false;
    m_StopButton->EnableButton(true);
    if (answer != 1) {
      // The count goes on; if it ended meanwhile the box closes with its full totals.
      if (m_EndedWhileAsking) OnWorkerEnded();
      return;
    }
    m_Worker.Control().RequestStop();
  }
  m_Worker.Join();
  ShowTotals();
  if (IsModal()) EndModal(wxID_CANCEL);
}
