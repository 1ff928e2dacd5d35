// PageWorker: the one way a page runs work off the UI thread. It owns the thread and the run's
// ScanControl, tells the worker's end on the page's event queue once the thread has been joined,
// and on destruction cancels the worker and joins it. A page keeps one per kind of work (the scan,
// the copy, the preview, the list fill...) and never holds a std::thread of its own.
//
// The rules a page still keeps itself: join (or destroy) the worker before freeing anything the
// worker reads, and remember that members declared after a PageWorker are destroyed before it,
// so a page whose worker reads its members joins in its own destructor. Nothing suspends or kills
// a thread: Pause, Stop and Cancel go through the ScanControl, which the work polls.
//
// Everything but the work itself runs on the UI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>
#include <type_traits>
#include <utility>

#include <wx/event.h>

#include "engine/worker/ScanJob.h"

class PageWorker {
 public:
  // page: where the end is told; it must outlive the worker's thread (the page joins first).
  explicit PageWorker(wxEvtHandler& page);
  // Cancels the worker, joins it and drops its end if that was not told yet.
  ~PageWorker();
  PageWorker(const PageWorker&) = delete;
  PageWorker& operator=(const PageWorker&) = delete;

  // Runs work(control) on a new thread, with a ScanControl of its own whose prompt token is
  // installed on that thread (the control a page paused before its first run, else a new one).
  // When work returns, ended runs on the page's event queue, after the thread has been joined,
  // with what work returned (nothing for a void work). The end of a run is told only while that
  // run is the latest and was not discarded. A worker still running is cancelled and joined
  // first, and its end dropped.
  template <class Work, class Ended>
  void Start(Work work, Ended ended);

  // The latest run's control, or before the first run the one that run will get (so a page may
  // pause it before it starts): Pause, Resume, RequestStop and the rest as the buttons ask.
  ScanControl& Control() { return *m_Control; }
  // A thread was started and not joined yet (it may have ended already, its end not told yet).
  bool Running() const { return m_Thread.joinable(); }

  // Control().Cancel(): the work ends at its next checkpoint and a question it waits on closes
  // with its safe answer.
  void Cancel() { m_Control->Cancel(); }
  // Waits for the thread. The end is still told afterwards unless Discard was called.
  void Join();
  // The end of the current run is not told, even when it is on the page's queue already.
  void Discard();
  // Discard, Cancel and Join: what a page does when it leaves with the worker still running.
  void CancelAndJoin();

 private:
  // What the posted end checks on the UI thread: whether its PageWorker is still there and its run
  // still the latest. Shared so that an end left on the queue never reaches a destroyed worker.
  struct Shared {
    PageWorker* worker = nullptr;
    uint64_t run = 0;
  };

  // Runs on the UI thread for the end of run: joins and calls ended when the run still counts.
  template <class Ended, class... Result>
  static void TellEnd(const std::shared_ptr<Shared>& shared, uint64_t run, Ended& ended,
                      Result&... result) {
    if (!shared->worker || shared->run != run) return;
    shared->worker->Join();
    ended(std::move(result)...);
  }

  wxEvtHandler& m_Page;
  std::shared_ptr<Shared> m_Shared;
  std::shared_ptr<ScanControl> m_Control;
  bool m_ControlUsed = false;  // m_Control was handed to a run; the next run gets a new one
  std::thread m_Thread;
};

template <class Work, class Ended>
void PageWorker::Start(Work work, Ended ended) {
  Discard();
  if (Running()) {
    Cancel();
    Join();
  }
  if (m_ControlUsed) m_Control = std::make_shared<ScanControl>();
  m_ControlUsed = true;
  const uint64_t run = ++m_Shared->run;
  m_Thread = std::thread([page = &m_Page, shared = m_Shared, control = m_Control, run,
                          work = std::move(work), ended = std::move(ended)]() mutable {
    using Result = std::invoke_result_t<Work&, ScanControl&>;
    ScopedPromptCancel guard(control->PromptToken());
    // The page is still there: it joins this thread before it goes. The shared state is read
    // only by the posted end, on the UI thread.
    if constexpr (std::is_void_v<Result>) {
      work(*control);
      page->CallAfter(
          [shared, run, ended = std::move(ended)]() mutable { TellEnd(shared, run, ended); });
    } else {
      Result result = work(*control);
      page->CallAfter(
          [shared, run, ended = std::move(ended), result = std::move(result)]() mutable {
            TellEnd(shared, run, ended, result);
          });
    }
  });
}
