#include "app/wx/WxShellLauncher.h"

#include <wx/utils.h>

bool WxShellLauncher::OpenAddress(std::string_view address) {
  // Text without a scheme is refused here rather than guessed at (the toolkit would put
  // "http://" before a bare mail address), so the caller can offer a mail instead.
  if (!IsLaunchableAddress(address)) return false;
  return wxLaunchDefaultBrowser(wxString::FromUTF8(address.data(), address.size()),
                                wxBROWSER_NOBUSYCURSOR);
}

void InstallWxShellLauncher() {
  static WxShellLauncher launcher;
  SetShellLauncher(&launcher);
}
