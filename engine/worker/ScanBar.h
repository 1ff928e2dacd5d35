// The progress bar of a scan step: done x 100 / total in 64 bits, capped at 100, 0 while the
// total is 0, and reported only when the position changes, so a step may call it per item.
#pragma once

#include <cstdint>

#include "engine/worker/ScanJob.h"

class ScanBar {
 public:
  explicit ScanBar(ScanObserver& observer) : m_Observer(observer) {}

  static int Position(uint64_t done, uint64_t total) {
    if (total == 0) return 0;
    if (done >= total) return 100;
    return static_cast<int>(static_cast<unsigned __int128>(done) * 100 / total);
  }
  void Set(uint64_t done, uint64_t total) { SetPosition(Position(done, total)); }
  void SetPosition(int p) {
    if (p == m_Last) return;
    m_Last = p;
    m_Observer.OnBar(p);
  }
  // True when done/total would move the bar.
  bool Changed(uint64_t done, uint64_t total) const { return Position(done, total) != m_Last; }
  // Forgets the last position, for a new step.
  void Reset() { m_Last = -1; }

 private:
  ScanObserver& m_Observer;
  int m_Last = -1;
};
