#include "engine/worker/ScanJob.h"

#include "engine/records/ScanState.h"

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

ScanProgress CountsProgress(ScanCounts counts, uint64_t sector, std::u16string_view name) {
  ScanProgress p;
  const bool found = counts == ScanCounts::FoundAtSector;
  p.folders = (found ? g_ScanState.foundDirCount : g_ScanState.folderCount)
                  .load(std::memory_order_relaxed);
  p.files = (found ? g_ScanState.foundFileCount : g_ScanState.fileCount)
                .load(std::memory_order_relaxed);
  p.sizeOrSector =
      counts == ScanCounts::Lists ? g_ScanState.totalSize.load(std::memory_order_relaxed) : sector;
  p.mode = counts == ScanCounts::Lists ? 'n' : 'e';
  p.name.assign(name);
  return p;
}
