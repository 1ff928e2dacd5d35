// The page worker: the end of a run comes on the UI thread after the join and only for the latest
// run; leaving cancels a worker held at its pause gate or waiting on a question and joins it; an
// end left on the queue of a gone worker or page is dropped.
#include <gtest/gtest.h>
#include <wx/event.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "GuiTestUtil.h"
#include "pages/wx/PageWorker.h"
#include "prompts/PromptCancel.h"

namespace {

// Lets the UI thread's queue run until done() or a generous deadline; false on the deadline.
bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    guitest::Pump(1);
  }
  return true;
}

// A worker that stays until it is cancelled: held at its pause gate, or waiting on a question (the
// prompt token installed on its thread) the way a worker's question waits for its answer.
enum class Waits { AtPauseGate, OnQuestion };

void WaitUntilCancelled(ScanControl& control, Waits waits, std::atomic<bool>& started,
                        std::atomic<bool>& sawCancel) {
  started = true;
  if (waits == Waits::AtPauseGate) {
    control.Pause();
    while (control.Checkpoint()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sawCancel = control.Cancelled();
  } else {
    const std::shared_ptr<PromptCancelToken> question = CurrentPromptCancel();
    if (!question) return;
    while (!question->IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sawCancel = true;
  }
}

TEST(PageWorker, EndIsToldOnTheUiThreadAfterTheJoin) {
  wxEvtHandler page;
  PageWorker worker(page);
  const std::thread::id ui = std::this_thread::get_id();
  std::atomic<bool> workDone{false};
  std::thread::id workThread;
  bool tokenInstalled = false;
  struct Told {
    std::thread::id thread;
    int value = 0;
    bool running = true;
  };
  std::optional<Told> told;
  worker.Start(
      [&](ScanControl& control) {
        workThread = std::this_thread::get_id();
        tokenInstalled = CurrentPromptCancel() == control.PromptToken();
        workDone = true;
        return 42;
      },
      [&](int value) { told = Told{std::this_thread::get_id(), value, worker.Running()}; });
  // The end waits for the UI thread's queue, however long ago the work returned.
  while (!workDone) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  worker.Join();
  EXPECT_FALSE(told);
  ASSERT_TRUE(PumpUntil([&] { return told.has_value(); }));
  EXPECT_NE(workThread, ui);
  EXPECT_TRUE(tokenInstalled);
  EXPECT_EQ(told->thread, ui);
  EXPECT_EQ(told->value, 42);
  EXPECT_FALSE(told->running);
}

TEST(PageWorker, LeavingCancelsAndJoinsAWaitingWorker) {
  struct Case {
    Waits waits;
    bool destroyWorker;  // else CancelAndJoin on a worker that stays
    bool destroyPage;    // the page goes too, with the end of the cancelled run on its queue
  } cases[] = {
      {Waits::AtPauseGate, true, false},
      {Waits::OnQuestion, true, false},
      {Waits::AtPauseGate, false, false},
      {Waits::OnQuestion, false, false},
      {Waits::AtPauseGate, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "question " << (c.waits == Waits::OnQuestion)
                                    << " destroy " << c.destroyWorker << " page " << c.destroyPage);
    auto page = std::make_unique<wxEvtHandler>();
    auto worker = std::make_unique<PageWorker>(*page);
    std::atomic<bool> started{false};
    std::atomic<bool> sawCancel{false};
    bool told = false;
    worker->Start(
        [&, waits = c.waits](ScanControl& control) {
          WaitUntilCancelled(control, waits, started, sawCancel);
        },
        [&] { told = true; });
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (c.destroyWorker)
      worker.reset();
    else
      worker->CancelAndJoin();
    // Joined: the worker saw the cancel and has ended.
    EXPECT_TRUE(sawCancel);
    if (worker) {
      EXPECT_FALSE(worker->Running());
    }
    if (c.destroyPage) page.reset();
    guitest::Pump(5);
    EXPECT_FALSE(told);
  }
}

TEST(PageWorker, OnlyTheLatestRunsEndIsTold) {
  wxEvtHandler page;
  PageWorker worker(page);
  std::vector<int> told;
  auto record = [&](int run) { told.push_back(run); };

  // A new run cancels and joins the one still waiting; only the new one's end comes.
  std::atomic<bool> started{false};
  std::atomic<bool> sawCancel{false};
  worker.Start(
      [&](ScanControl& control) {
        WaitUntilCancelled(control, Waits::AtPauseGate, started, sawCancel);
        return 1;
      },
      record);
  while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  worker.Start([](ScanControl& control) { return control.Cancelled() ? -2 : 2; }, record);
  EXPECT_TRUE(sawCancel);
  ASSERT_TRUE(PumpUntil([&] { return !told.empty(); }));
  guitest::Pump(3);
  EXPECT_EQ(told, std::vector<int>{2});  // and run 2 had a control of its own, not cancelled

  // Discard drops an end that is on the queue already; Join alone keeps it.
  told.clear();
  worker.Start([](ScanControl&) { return 3; }, record);
  worker.Join();
  worker.Discard();
  guitest::Pump(5);
  EXPECT_TRUE(told.empty());
  worker.Start([](ScanControl&) { return 4; }, record);
  worker.Join();
  ASSERT_TRUE(PumpUntil([&] { return !told.empty(); }));
  EXPECT_EQ(told, std::vector<int>{4});
}

// A page may pause before its worker starts (the analysis page does): that run starts held; a later
// run starts with a control of its own, not paused.
TEST(PageWorker, PauseBeforeTheFirstRunHoldsThatRunOnly) {
  wxEvtHandler page;
  PageWorker worker(page);
  std::vector<bool> startedPaused;
  auto record = [&](bool paused) { startedPaused.push_back(paused); };
  worker.Control().Pause();
  worker.Start([](ScanControl& control) { return control.Paused(); }, record);
  ASSERT_TRUE(PumpUntil([&] { return startedPaused.size() == 1; }));
  worker.Start([](ScanControl& control) { return control.Paused(); }, record);
  ASSERT_TRUE(PumpUntil([&] { return startedPaused.size() == 2; }));
  EXPECT_EQ(startedPaused, (std::vector<bool>{true, false}));
}

// A page holding its worker as a member, as the pages do.
class WorkerPage : public wxEvtHandler {
 public:
  PageWorker worker{*this};
};

TEST(PageWorker, EndOfAGoneWorkerOrPageIsDropped) {
  // The worker goes (its page stays) with the end on the queue.
  wxEvtHandler page;
  bool told = false;
  {
    PageWorker worker(page);
    worker.Start([](ScanControl&) {}, [&] { told = true; });
    worker.Join();
  }
  guitest::Pump(5);
  EXPECT_FALSE(told);

  // The page goes with its worker, the end on the page's own queue.
  auto owner = std::make_unique<WorkerPage>();
  owner->worker.Start([](ScanControl&) { return 7; }, [&](int) { told = true; });
  owner->worker.Join();
  owner.reset();
  guitest::Pump(5);
  EXPECT_FALSE(told);
}

}  // namespace
