// Lets a worker's pending question end when the worker is cancelled. A page that starts a worker
// gives it a PromptCancelToken and installs it on the worker thread with ScopedPromptCancel; when
// the page leaves it calls Cancel() before joining, and a question the worker is waiting on ends
// at once with the safe answer (No, skip, or "closed without a choice").
#pragma once

#include <atomic>
#include <memory>

class PromptCancelToken {
 public:
  void Cancel() { m_Cancelled.store(true, std::memory_order_release); }
  bool IsCancelled() const { return m_Cancelled.load(std::memory_order_acquire); }

 private:
  std::atomic<bool> m_Cancelled{false};
};

// The token of the calling thread, or nullptr when none is installed.
std::shared_ptr<PromptCancelToken> CurrentPromptCancel();

// Installs a token for the calling thread for the guard's lifetime (the previous one comes back).
class ScopedPromptCancel {
 public:
  explicit ScopedPromptCancel(std::shared_ptr<PromptCancelToken> token);
  ~ScopedPromptCancel();
  ScopedPromptCancel(const ScopedPromptCancel&) = delete;
  ScopedPromptCancel& operator=(const ScopedPromptCancel&) = delete;

 private:
  std::shared_ptr<PromptCancelToken> m_Previous;
};
