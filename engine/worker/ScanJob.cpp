#include "engine/worker/ScanJob.h"

void ScanControl::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void ScanControl::Resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  resumed_.notify_all();
}

void ScanControl::Cancel() {
  cancel_.store(true, std::memory_order_release);
  Resume();
}

bool ScanControl::Paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool ScanControl::Checkpoint() {
  std::unique_lock lock(mutex_);
  resumed_.wait(lock, [this] { return !paused_ || cancel_.load(std::memory_order_acquire); });
  return !cancel_.load(std::memory_order_acquire);
}
