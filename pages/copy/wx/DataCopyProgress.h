// DataCopyProgress: the copy page. A worker runs the copy of the accepted snapshot while the page
// shows two bars (the current file and the whole copy), the evaluated and copied sizes, the time
// elapsed and left, and the last file name and folder. Pause holds the worker at its next read,
// Skip leaves the current file, Stop (also Esc and the close box) asks, then waits for the worker
// to end before "Saving aborted.". The worker never touches a window: the page reads what it
// reported on a timer. Every way out joins the worker first.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <wx/timer.h>

#include "engine/worker/ScanJob.h"
#include "pages/PageFlow.h"
#include "pages/wx/PageWorker.h"
#include "saving/copywalk/SaveData.h"
#include "widgets/wx/DialogLook.h"

class CGradientProgressCtrl;
class CHoverButton;
class CLabel;
class CTransparentStatic;

class DataCopyProgress : public CLookDialog {
 public:
  static constexpr int kIdPause = 1;
  static constexpr int kIdStop = 2;
  static constexpr int kIdSkip = 1004;
  static constexpr int kIdDetails = 1014;
  static constexpr int kIdFileBar = 1058;
  static constexpr int kIdOverallBar = 1059;

  explicit DataCopyProgress(const CopyRun& run, wxWindow* parent = nullptr);
  ~DataCopyProgress() override;

  // Starts the copy and runs the page until it ends; wxID_OK after the end message, wxID_CANCEL
  // after Stop.
  int ShowModal() override;

  // The handlers, as a click runs them.
  void OnPauseResume();
  void OnSkip();
  void OnStop();
  void OnHideDetails();

  bool WorkerRunning() const { return m_Worker.Running(); }
  std::optional<SaveDataOutcome> Outcome() const { return m_Outcome; }
  bool Paused() const { return m_Paused; }

  CGradientProgressCtrl* m_FileBar = nullptr;
  CGradientProgressCtrl* m_OverallBar = nullptr;
  CHoverButton* m_PauseButton = nullptr;
  CHoverButton* m_StopButton = nullptr;
  CHoverButton* m_SkipButton = nullptr;
  CHoverButton* m_DetailsButton = nullptr;
  CTransparentStatic* m_Elapsed = nullptr;    // 1031
  CTransparentStatic* m_TimeLeft = nullptr;   // 1082
  CTransparentStatic* m_DataSize = nullptr;   // 1083
  CTransparentStatic* m_Copied = nullptr;     // 1084
  CTransparentStatic* m_FileName = nullptr;   // 1086
  CTransparentStatic* m_FolderName = nullptr; // 1085

 protected:
  void OnEscape() override { OnStop(); }

 private:
  class Observer;

  void Refresh(bool texts);
  void OnWorkerEnded();
  void Finish();
  void SetStrip(CHoverButton* button, const wxString& caption, const char* bitmap, bool four);
  int64_t ElapsedSeconds() const;

  CopyRun m_Run;
  std::unique_ptr<Observer> m_Observer;
  std::optional<SaveDataOutcome> m_Outcome;  // set by the worker; read only after the join
  wxTimer m_Timer;

  // What the worker reported last, read by the timer.
  std::mutex m_Mutex;
  std::u16string m_PendingName;
  std::u16string m_PendingFolder;
  uint64_t m_PendingWritten = 0;
  uint64_t m_PendingSize = 0;
  bool m_NameChanged = false;

  std::vector<wxWindow*> m_Details;  // the captions and values Hide Details hides
  bool m_DetailsHidden = false;
  bool m_Paused = false;
  bool m_Asking = false;
  bool m_EndedWhileAsking = false;
  bool m_Finished = false;
  int64_t m_PausedSeconds = 0;
  int64_t m_PauseStart = 0;
  // Last, so that it is joined before anything above that its worker reports into goes.
  PageWorker m_Worker{*this};
};
