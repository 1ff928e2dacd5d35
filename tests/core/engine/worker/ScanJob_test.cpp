#include "engine/worker/ScanJob.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "engine/records/ScanState.h"
#include "prompts/UserPrompts.h"
#include "tests/core/TestPrompts.h"

namespace {

// Which calls of the progress rule update the display.
std::vector<int> UpdatingCalls(int period, int calls) {
  ProgressThrottle throttle(period);
  std::vector<int> hits;
  for (int i = 1; i <= calls; ++i)
    if (throttle.Tick()) hits.push_back(i);
  return hits;
}

// The same, with up to `run` calls at a time counted at once where the rule says they are quiet.
std::vector<int> UpdatingCallsSkippingQuiet(int period, int calls, int run) {
  ProgressThrottle throttle(period);
  std::vector<int> hits;
  for (int i = 1; i <= calls; ++i) {
    const int quiet = std::min({throttle.QuietTicks(), run, calls - i});
    throttle.SkipQuietTicks(quiet);
    i += quiet;
    if (throttle.Tick()) hits.push_back(i);
  }
  return hits;
}

TEST(ProgressThrottle, FirstAtThePeriodThenEveryPeriodMinusOne) {
  EXPECT_TRUE(UpdatingCalls(ProgressThrottle::kScanPeriod, 999).empty());
  EXPECT_EQ(UpdatingCalls(ProgressThrottle::kScanPeriod, 3000),
            (std::vector<int>{1000, 1999, 2998}));
  EXPECT_EQ(UpdatingCalls(ProgressThrottle::kImagePeriod, 90), (std::vector<int>{30, 59, 88}));
}

// A scan that counts a run of uneventful items at once updates the display on the same calls.
TEST(ProgressThrottle, QuietCallsCountedAtOnceKeepTheUpdatesWhereTheyWere) {
  for (int period : {ProgressThrottle::kScanPeriod, ProgressThrottle::kImagePeriod})
    for (int run : {1, 2, 29, 998, 999, 5000}) {
      SCOPED_TRACE(testing::Message() << "period " << period << ", run " << run);
      EXPECT_EQ(UpdatingCallsSkippingQuiet(period, 3000, run), UpdatingCalls(period, 3000));
    }
}

// Each kind of counts report shows its own counters and value, goes out on the progress rule's
// calls only, and makes a name it is given as a callable only for a report that goes out.
TEST(ScanJob, CountsReportShowsItsCountersOnTheProgressRule) {
  struct Recorder : ScanObserver {
    void OnProgress(const ScanProgress& p) override { reports.push_back(p); }
    std::vector<ScanProgress> reports;
  };
  struct Case {
    ScanCounts counts;
    uint64_t value;
    uint32_t folders, files;
    char mode;
  };
  const Case cases[] = {
      {ScanCounts::Lists, 5000, 3, 4, 'n'},
      {ScanCounts::ListsAtSector, 77, 3, 4, 'e'},
      {ScanCounts::FoundAtSector, 77, 5, 6, 'e'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.counts));
    ResetScanState();
    g_ScanState.totalSize = 5000;
    g_ScanState.folderCount = 3;
    g_ScanState.fileCount = 4;
    g_ScanState.foundDirCount = 5;
    g_ScanState.foundFileCount = 6;
    ScanControl control;
    Recorder ui;
    ScanJob job{control, ui};
    int named = 0;
    for (int i = 0; i < ProgressThrottle::kScanPeriod; ++i)
      job.ReportCounts(c.counts, [&] { ++named; return std::u16string(u"last"); }, 77);
    ASSERT_EQ(ui.reports.size(), 1u);
    EXPECT_EQ(named, 1);
    const ScanProgress& p = ui.reports[0];
    EXPECT_EQ(p.sizeOrSector, c.value);
    EXPECT_EQ(p.folders, c.folders);
    EXPECT_EQ(p.files, c.files);
    EXPECT_EQ(p.mode, c.mode);
    EXPECT_EQ(p.name, u"last");
  }
  ResetScanState();
}

TEST(ScanControl, PauseHoldsTheWorkerUntilResume) {
  ScanControl control;
  std::atomic<int> passed{0};
  control.Pause();
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i)
      if (control.Checkpoint()) ++passed;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(passed.load(), 0);
  control.Resume();
  worker.join();
  EXPECT_EQ(passed.load(), 3);
}

TEST(ScanControl, CancelReleasesAPausedWorker) {
  ScanControl control;
  control.Pause();
  bool result = true;
  std::thread worker([&] { result = control.Checkpoint(); });
  control.Cancel();
  worker.join();
  EXPECT_FALSE(result);
  EXPECT_TRUE(control.Cancelled());
  EXPECT_FALSE(control.StopRequested());
}

}  // namespace

namespace {

// A question that stays open until the asking thread's cancel token ends it, as the dialog
// bridge does, and then gives the safe answer.
class WaitingPrompts final : public UserPrompts {
 public:
  std::atomic<bool> asked{false};
  void ViewMsgBox(std::string_view) override {}
  int ViewQuestionMsg(std::string_view) override {
    asked = true;
    const auto token = CurrentPromptCancel();
    while (token && !token->IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 2;
  }
  int AskBadSector() override { return -1; }
  void FatalBox(std::string_view, std::string_view) override {}
};

}  // namespace

TEST(RunWorker, CancelClosesTheQuestionTheWorkerWaitsOn) {
  WaitingPrompts prompts;
  test_support::ScopedPrompts installed(prompts);
  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  int answer = 0;
  std::thread worker([&] {
    answer = RunWorker([](ScanJob&) { return Prompts().ViewQuestionMsg("Go on?"); }, job);
  });
  while (!prompts.asked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  control.Cancel();
  worker.join();
  EXPECT_EQ(answer, 2);
  EXPECT_EQ(CurrentPromptCancel(), nullptr);  // the token belonged to the worker thread only
}
