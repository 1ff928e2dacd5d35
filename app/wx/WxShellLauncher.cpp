#include "app/wx/WxShellLauncher.h"

#include <wx/utils.h>

bool WxShellLauncher::OpenAddress(std::string_view address) {
  // Text without a scheme is refused here rather than guessed at (the toolkit would put
  // "http://" before a bare mail address), so the caller can offer a mail instead.
  if (!IsLaunchableAddress(address)) return false;
  return wxLaunchDefaultBrowser(wxString::FromUTF8(address.data(), address.size()),
                                wxBROWSER_NOBUSYCURSOR);
}

bool WxShellLauncher::OpenFile(const std::string& path) {
  // The desktop's opener gets the path as one argument; no shell sees it.
  return wxLaunchDefaultApplication(wxString::FromUTF8(path));
}

void InstallWxShellLauncher() {
  static WxShellLauncher launcher;
  SetShellLauncher(&launcher);
}
