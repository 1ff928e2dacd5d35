#include "platform/ShellLauncher.h"

#include <atomic>

namespace {

class NoLauncher final : public ShellLauncher {
 public:
  bool OpenAddress(std::string_view) override { return false; }
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
