// RecoveryAnalysis: the page that runs one worker (a scan, the log reader or the disk-image
// worker) and shows what it reports: elapsed time, size or current sector, folders and files
// found, the last name, the step and detail lines and the bar. Pause holds the worker at its gate,
// Stop asks it to finish early, Back cancels it and throws its lists away. When the worker ends
// the page runs the results page or ends itself so that its caller goes on.
//
// The worker never touches a window: its reports are kept under a lock and drawn by the UI
// thread, at most once per pending update, and its end arrives as an event. Every way out of the
// page cancels the worker and joins it before anything it reads is freed.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <wx/timer.h>

#include "engine/worker/ScanJob.h"
#include "pages/analysis/AnalysisFlow.h"
#include "pages/analysis/AnalysisProgress.h"
#include "pages/wx/PageWorker.h"
#include "pages/wx/WizardPage.h"

class CGradientProgressCtrl;
class CHoverButton;
class CLabel;
class wxStaticBitmap;
class wxStaticText;

class RecoveryAnalysis : public CWizardPage {
 public:
  static constexpr int kIdBar = 1011;
  static constexpr int kIdPause = 1012;
  static constexpr int kIdHideDetails = 1014;
  static constexpr int kIdStop = 1048;
  static constexpr int kIdBack = 1093;
  static constexpr int kIdNext = 1164;
  static constexpr int kIdHelp = 1013;

  RecoveryAnalysis();
  ~RecoveryAnalysis() override;

  // What runs once the worker has finished: the results page; tests may replace it.
  std::function<int()> m_RunResultsPage;

  // How the worker ended, once it has.
  std::optional<ScanEnd> WorkerEnd() const { return m_End; }
  bool WorkerRunning() const { return m_Worker.Running(); }

  CGradientProgressCtrl* m_Bar = nullptr;
  CHoverButton* m_PauseButton = nullptr;
  CHoverButton* m_HideButton = nullptr;
  CHoverButton* m_StopButton = nullptr;
  CHoverButton* m_BackButton = nullptr;
  CHoverButton* m_NextButton = nullptr;
  std::array<CHoverButton*, 5> m_Tools{};  // Save Log, Load Log, Settings, Search, Help
  CLabel* m_Heading = nullptr;
  wxWindow* m_HeadingBand = nullptr;
  // Elapsed time, size or sector, folders, files, last name.
  std::array<CLabel*, 5> m_Labels{};
  std::array<wxStaticText*, 5> m_Values{};
  wxStaticText* m_StepLine = nullptr;
  wxStaticText* m_DetailLine = nullptr;
  wxStaticText* m_HelpLine = nullptr;
  wxStaticText* m_Hint = nullptr;
  std::array<wxStaticText*, 3> m_InfoLines{};  // mode, device, capacity
  wxStaticBitmap* m_StepPicture = nullptr;

  // The buttons' handlers, as a click runs them.
  void OnPauseResume();
  void OnHideShowDetails();
  void OnStop();

 protected:
  void OnInitPage() override;
  void OnCancel() override;  // Back
  void OnCloseBox() override;
  void OnHelp() override;

 private:
  class Observer;

  void LayOut();
  void StartWorker(ScanThreadFn worker);
  void DrawPending();
  void DrawPendingNow();
  void OnWorkerEnded(ScanEnd end);
  void OnSwitchToFormatted();
  void OnElapsedTimer(wxTimerEvent& event);
  void OnBarTimer(wxTimerEvent& event);
  void StartTimers(int milliseconds, bool elapsed, bool bar);
  void SetSizeLabel(std::string_view text);
  void SetButtonStrip(CHoverButton* button, const wxString& caption, const char* bitmap);
  void ShowValues(bool shown);
  static uint64_t NowMs();

  AnalysisModes m_Modes;
  std::unique_ptr<Observer> m_Observer;
  std::optional<ScanEnd> m_End;
  std::optional<AnalysisProgressView> m_View;

  // What the worker reported and the UI thread has not drawn yet.
  std::mutex m_PendingMutex;
  struct Pending {
    std::optional<ScanProgress> progress;
    std::optional<std::string> step;
    std::optional<std::string> detail;
    std::optional<int> bar;
    std::optional<bool> stepLinesShown;
    std::optional<bool> animation;
    std::optional<std::string> sizeLabel;
    bool switchToFormatted = false;
    bool posted = false;
  } m_Pending;

  wxTimer m_ElapsedTimer;  // timer 2
  wxTimer m_BarTimer;      // timer 1
  wxTimer m_DrawTimer;     // a draw held back until a frame has passed since the last one
  uint64_t m_LastDrawMs = 0;
  ElapsedClock m_Clock;
  int m_BarStep = 0;
  bool m_BarAnimating = false;
  bool m_Paused = false;
  bool m_DetailsHidden = false;
  bool m_Leaving = false;
  // Last, so that it is joined before anything above that its worker reports into goes.
  PageWorker m_Worker{*this};
};
