#include "platform/ShellLauncher.h"

#include <sys/stat.h>

#include <atomic>

namespace {

class NoLauncher final : public ShellLauncher {
 public:
  bool OpenAddress(std::string_view) override { return false; }
  bool OpenFile(const std::string&) override { return false; }
};

std::atomic<ShellLauncher*> g_Launcher{nullptr};

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

ShellLauncher& Launcher() {
  static NoLauncher none;
  ShellLauncher* l = g_Launcher.load(std::memory_order_acquire);
  return l ? *l : none;
}

void SetShellLauncher(ShellLauncher* l) {
  g_Launcher.store(l, std::memory_order_release);
}

std::string UrlScheme(std::string_view address) {
  if (address.empty() || !IsAsciiLetter(address.front())) return {};
  std::string scheme;
  for (char c : address) {
    if (c == ':') return scheme;
    const bool ok = IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!ok) return {};
    scheme.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
  }
  return {};
}

bool IsLaunchableAddress(std::string_view address) {
  if (address.empty() || address.front() == '-') return false;
  for (unsigned char c : address) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return UrlScheme(address).size() >= 2;
}

bool IsOpenableFile(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if ((st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) return false;
  constexpr std::string_view kDesktopEntry = ".desktop";
  if (path.size() >= kDesktopEntry.size()) {
    std::string tail = path.substr(path.size() - kDesktopEntry.size());
    for (char& c : tail)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (tail == kDesktopEntry) return false;
  }
  return true;
}

bool OpenFileWithShell(const std::string& path) {
  return IsOpenableFile(path) && Launcher().OpenFile(path);
}
