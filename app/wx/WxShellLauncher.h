// The desktop's way of opening an address: the default browser or mail program through the
// toolkit (wxLaunchDefaultBrowser), which hands the address over as one argument. Start-up
// installs it with InstallWxShellLauncher().
#pragma once

#include "platform/ShellLauncher.h"

class WxShellLauncher final : public ShellLauncher {
 public:
  bool OpenAddress(std::string_view address) override;
  bool OpenFile(const std::string& path) override;
};

void InstallWxShellLauncher();
