// How a worker (scan, log reader, disk image, copy) and the page that runs it talk. The worker polls a
// ScanControl at every record, chunk and read, and reports through a ScanObserver; the page only
// draws. Nothing suspends or kills a worker: pause is a gate the worker passes, stop and cancel
// are flags it sees at its next checkpoint.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>

#include "prompts/PromptCancel.h"

class ScanControl {
 public:
  // UI side.
  void Pause();
  void Resume();
  // Asks the worker to finish early: the scans end their current step and still deliver what
  // they found.
  void RequestStop() { m_Stop.store(true, std::memory_order_release); }
  // Worker side: a scan whose steps each end early on Stop clears the request before its next
  // step, so that step runs on what was found.
  void ClearStop() { m_Stop.store(false, std::memory_order_release); }
  // Asks the worker to end at once, its results being thrown away by the caller. Also opens the
  // pause gate so a paused worker can see it, and closes a question the worker waits on with its
  // safe answer.
  void Cancel();

  // Worker side. Blocks while paused; returns false when the worker must end now (cancelled).
  bool Checkpoint();
  bool StopRequested() const { return m_Stop.load(std::memory_order_acquire); }
  bool Cancelled() const { return m_Cancel.load(std::memory_order_acquire); }
  bool Paused() const;

  // The token RunWorker installs on the worker thread; Cancel() cancels it.
  const std::shared_ptr<PromptCancelToken>& PromptToken() const { return m_PromptToken; }

 private:
  mutable std::mutex m_Mutex;
  std::condition_variable m_Resumed;
  bool m_Paused = false;
  std::atomic<bool> m_Stop{false};
  std::atomic<bool> m_Cancel{false};
  std::shared_ptr<PromptCancelToken> m_PromptToken = std::make_shared<PromptCancelToken>();
};

// What the value fields of the analysis page show. Counts are 32-bit as the page shows them;
// sizes and sectors are 64-bit.
struct ScanProgress {
  uint64_t sizeOrSector = 0;  // bytes in size mode, the current sector in sector mode
  uint32_t folders = 0;
  uint32_t files = 0;
  std::u16string name;  // last name seen
  char mode = 'n';      // 'n' size, 'e' sector
};

class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  // Called on the worker thread when the progress rule lets an update through.
  virtual void OnProgress(const ScanProgress& progress) { (void)progress; }
  // The step line and the detail line under it.
  virtual void OnStepText(std::string_view text) { (void)text; }
  virtual void OnDetailText(std::string_view text) { (void)text; }
  // Position of the progress bar, 0 to 100.
  virtual void OnBar(int position) { (void)position; }
  // Shows or hides the step line and the detail line together.
  virtual void OnStepLinesVisible(bool shown) { (void)shown; }
  // Starts (true) or stops (false) the bar's own animation, for scans that cannot tell how far
  // they are (the FAT deleted-file scan).
  virtual void OnBarAnimation(bool running) { (void)running; }
  // A deleted-file scan found nothing and goes on as the formatted scan on the same worker: the
  // page stops its timers and the bar animation, labels the size field for the formatted scan of
  // that file system ("Indexes Found" on NTFS, "Current Sector" on FAT) and starts the elapsed
  // time again.
  virtual void OnSwitchToFormattedScan() {}
  // The caption before the size-or-sector value ("Total Size", "Indexes Found" and the like), for
  // a worker that changes what that value means between its steps.
  virtual void OnSizeLabel(std::string_view text) { (void)text; }
};

// The page refreshes its texts only on the period-th call and then every (period - 1)-th call,
// so a scan may report every record without flooding the display. The period is 1000 for scans
// and 30 while imaging.
class ProgressThrottle {
 public:
  static constexpr int kScanPeriod = 1000;
  static constexpr int kImagePeriod = 30;

  explicit ProgressThrottle(int period = kScanPeriod) : m_Period(period) {}
  // True when this call should update the display.
  bool Tick() {
    if (++m_Calls < m_Period) return false;
    m_Calls = 1;
    return true;
  }
  // The calls of Tick still to come that would not update the display, and the way to make that
  // many at once: a scan passing over a run of items that change nothing counts them together.
  int QuietTicks() const { return m_Calls < m_Period ? m_Period - 1 - m_Calls : 0; }
  void SkipQuietTicks(int n) { m_Calls += n; }

 private:
  int m_Period;
  int m_Calls = 0;
};

// How a worker ended; the page decides what comes next from it.
enum class ScanEnd {
  Finished,   // results are complete: show them
  Stopped,    // the user stopped it; what was found is whole and can be shown
  PassDone,   // first pass of a partition search: show the found file systems
  ImageDone,  // disk image finished (its own end text says whether it succeeded)
  Discard,    // nothing usable (for example a formatted FAT scan that cannot run)
  Cancelled,  // the user went back: results must be thrown away
  Failed,     // the worker could not run (a notice has told the user why)
};

// Which counts of g_ScanState a scan's report shows (ScanJob::ReportCounts).
enum class ScanCounts {
  Lists,          // the result lists' folders and files and the files' total size (size mode)
  ListsAtSector,  // the result lists' folders and files, with the sector reached (sector mode)
  FoundAtSector,  // the directories and file records a sector search found, with the sector
                  // reached (sector mode)
};

// The report ReportCounts sends: the counts read from g_ScanState as it goes out.
ScanProgress CountsProgress(ScanCounts counts, uint64_t sector, std::u16string_view name);

// Everything a worker needs from its page.
struct ScanJob {
  ScanControl& control;
  ScanObserver& observer;
  ProgressThrottle throttle{};

  // Applies the progress rule and reports when it lets the update through.
  void Report(const ScanProgress& progress) {
    if (throttle.Tick()) observer.OnProgress(progress);
  }

  // The counts report of every scan and log reader, through the progress rule. `name` is the last
  // name seen: a string, or a callable that makes it, called only for a report that goes out, so
  // that a name is not converted for every entry. `sector` is the sector reached (sector modes).
  template <class Name>
  void ReportCounts(ScanCounts counts, const Name& name, uint64_t sector = 0) {
    if (!throttle.Tick()) return;
    if constexpr (std::is_invocable_v<const Name&>)
      observer.OnProgress(CountsProgress(counts, sector, name()));
    else
      observer.OnProgress(CountsProgress(counts, sector, name));
  }
};

// Runs a worker function on the calling (worker) thread with the job's prompt token installed,
// so a page that cancels the job also ends any question the worker is waiting on.
template <class Fn>
auto RunWorker(Fn&& fn, ScanJob& job) {
  ScopedPromptCancel guard(job.control.PromptToken());
  return fn(job);
}
