// Opening a web page, a mail or a file with the user's own programs. The address travels as one
// argument from here to the program that opens it; nothing is ever put together into a command
// line for a shell. The program installs the desktop implementation at start-up
// (app/wx/WxShellLauncher.h); tests install a fake (platform/FakeShellLauncher.h).
#pragma once

#include <string>
#include <string_view>

class ShellLauncher {
 public:
  virtual ~ShellLauncher() = default;
  // Opens an address with a scheme ("https:", "mailto:", ...). False when the address is refused
  // or nothing could open it.
  virtual bool OpenAddress(std::string_view address) = 0;
  // Opens a file with the program the desktop associates with its kind. False when nothing
  // could open it.
  virtual bool OpenFile(const std::string& path) = 0;
};

// Without an installed launcher nothing can be opened: every request answers false.
ShellLauncher& Launcher();
// Installs l (nullptr restores the default); the caller keeps it alive while it is installed.
void SetShellLauncher(ShellLauncher* l);

// The scheme of an address ("mailto" of "mailto:x@y"), lower-cased, or "" when it has none: a
// scheme is a letter followed by letters, digits, "+", "-" or ".", then ":".
std::string UrlScheme(std::string_view address);
// Whether an address may be handed to another program: it has a scheme of at least two
// characters (so "C:" is not one), no control characters, and does not start with "-".
bool IsLaunchableAddress(std::string_view address);

// Whether a recovered file may be handed to the desktop to open: a regular file (not a link),
// absolute, with no execute permission and not a desktop entry (".desktop"), so that opening it
// can never run it.
bool IsOpenableFile(const std::string& path);

// Opens a recovered file with its program through the installed launcher; false, without asking
// the launcher, for a file IsOpenableFile refuses.
bool OpenFileWithShell(const std::string& path);
