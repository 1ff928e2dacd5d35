#include "engine/worker/ScanJob.h"

void ScanControl::Pause() {
  std::lock_guard lock(m_Mutex);
  m_Paused = true;
}

void ScanControl::Resume() {
  {
    std::lock_guard lock(m_Mutex);
    m_Paused = false;
  }
  m_Resumed.notify_all();
}

void ScanControl::Cancel() {
  m_Cancel.store(true, std::memory_order_release);
  m_PromptToken->Cancel();
  Resume();
}

bool ScanControl::Paused() const {
  std::lock_guard lock(m_Mutex);
  return m_Paused;
}

bool ScanControl::Checkpoint() {
  std::unique_lock lock(m_Mutex);
  m_Resumed.wait(lock, [this] { return !m_Paused || m_Cancel.load(std::memory_order_acquire); });
  return !m_Cancel.load(std::memory_order_acquire);
}
