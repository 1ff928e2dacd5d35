#include "platform/ExitProcess.h"

#include <cstdlib>
#include <mutex>

namespace {
std::mutex g_HookMutex;
std::function<void(int)>& Hook() {
  static std::function<void(int)> hook;
  return hook;
}
}  // namespace

void ExitProcessNow(int code) {
  std::function<void(int)> hook;
  {
    std::lock_guard lock(g_HookMutex);
    hook = Hook();
  }
  if (hook) {
    hook(code);
    return;
  }
  std::_Exit(code);
}

std::function<void(int)> SetExitHook(std::function<void(int)> hook) {
  std::lock_guard lock(g_HookMutex);
  auto previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}
