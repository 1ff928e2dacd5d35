// The progress bar of a scan step, reported only when its position changes, so a step may set it
// for every item without flooding the page.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/ScanJob.h"

class BarReporter {
 public:
  explicit BarReporter(ScanObserver& o) : observer_(o) {}
  // done x 100 / total (64-bit, capped at 100; 0 when total is 0).
  static int Position(uint64_t done, uint64_t total) {
    return total ? static_cast<int>(std::min<uint64_t>(100, done * 100 / total)) : 0;
  }
  void Set(uint64_t done, uint64_t total) { SetPosition(Position(done, total)); }
  void SetPosition(int p) {
    if (p != last_) {
      last_ = p;
      observer_.OnBar(p);
    }
  }
  bool Changed(uint64_t done, uint64_t total) const { return Position(done, total) != last_; }

 private:
  ScanObserver& observer_;
  int last_ = -1;
};
