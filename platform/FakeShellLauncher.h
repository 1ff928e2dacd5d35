// A launcher for tests: records every address and file it is asked to open and answers as
// scripted.
#pragma once

#include <string>
#include <vector>

#include "platform/ShellLauncher.h"

class FakeShellLauncher final : public ShellLauncher {
 public:
  bool OpenAddress(std::string_view address) override {
    opened.emplace_back(address);
    return succeed && IsLaunchableAddress(address);
  }

  bool OpenFile(const std::string& path) override {
    openedFiles.push_back(path);
    return succeed;
  }

  std::vector<std::string> opened;
  std::vector<std::string> openedFiles;
  bool succeed = true;
};

// Installs a fake for the lifetime of the guard.
class ScopedFakeLauncher {
 public:
  ScopedFakeLauncher() { SetShellLauncher(&fake); }
  ~ScopedFakeLauncher() { SetShellLauncher(nullptr); }
  ScopedFakeLauncher(const ScopedFakeLauncher&) = delete;
  ScopedFakeLauncher& operator=(const ScopedFakeLauncher&) = delete;
  FakeShellLauncher fake;
};
