#include "engine/worker/ScanJob.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

// Which calls of the progress rule update the display.
std::vector<int> UpdatingCalls(int period, int calls) {
  ProgressThrottle throttle(period);
  std::vector<int> hits;
  for (int i = 1; i <= calls; ++i)
    if (throttle.Tick()) hits.push_back(i);
  return hits;
}

TEST(ProgressThrottle, FirstAtThePeriodThenEveryPeriodMinusOne) {
  EXPECT_TRUE(UpdatingCalls(ProgressThrottle::kScanPeriod, 999).empty());
  EXPECT_EQ(UpdatingCalls(ProgressThrottle::kScanPeriod, 3000),
            (std::vector<int>{1000, 1999, 2998}));
  EXPECT_EQ(UpdatingCalls(ProgressThrottle::kImagePeriod, 90), (std::vector<int>{30, 59, 88}));
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
