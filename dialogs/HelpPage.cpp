#include "dialogs/HelpPage.h"

#include <cstdlib>

#include "dialogs/AboutTexts.h"
#include "widgets/AppGlobals.h"
#include "platform/Registry.h"
#include "platform/ShellLauncher.h"

namespace {
constexpr size_t kPathBufferChars = 2048;
}

std::optional<std::string> PathWithInstallFolder(std::string_view oldPath,
                                                 std::string_view folder) {
  if (oldPath.size() >= kPathBufferChars) return std::nullopt;
  if (folder.empty() || folder.front() != '/') return std::nullopt;
  if (folder.find(':') != std::string_view::npos) return std::nullopt;
  std::string path(oldPath);
  if (!path.empty()) path += ':';
  path += folder;
  return path;
}

void AppendInstallFolderToPath() {
  std::string folder;
  ReadRegistryString(RegistryRoot::ClassesRoot, g_OwnRegistryKey, "FilePath", folder);
  const char* old = std::getenv("PATH");
  if (!old) return;
  if (auto path = PathWithInstallFolder(old, folder)) ::setenv("PATH", path->c_str(), 1);
}

bool OpenHelpWebPage() {
  AppendInstallFolderToPath();
  return Launcher().OpenAddress(kHelpPageAddress);
}
