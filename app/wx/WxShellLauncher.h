// The desktop's way of opening an address: the default browser or mail program through the
// toolkit (wxLaunchDefaultBrowser), which hands the address over as one argument; a file whose
// kind no program is set for is offered to the desktop's Open With dialog. Start-up installs it
// with InstallWxShellLauncher().
#pragma once

#include "platform/ShellLauncher.h"

class WxShellLauncher final : public ShellLauncher {
 public:
  bool OpenAddress(std::string_view address) override;
  bool OpenFile(const std::string& path) override;
  // The Open With dialog for path, modal; false when it cannot be shown or the chosen program
  // did not start.
  bool OpenFileWith(const std::string& path);
};

void InstallWxShellLauncher();
