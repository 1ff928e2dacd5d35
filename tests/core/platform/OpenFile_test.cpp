// A recovered file handed to the desktop to open: only a plain, non-executable file that is not a
// desktop entry ever reaches the launcher, so opening can never run what came off a disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FakeShellLauncher.h"

namespace {

namespace fs = std::filesystem;

TEST(OpenFileWithShell, OnlyPlainDataFilesReachTheLauncher) {
  const fs::path dir = fs::temp_directory_path() / ("mw-open-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "folder");
  auto make = [&](const std::string& name, mode_t mode) {
    const fs::path p = dir / name;
    std::ofstream(p) << "x";
    ::chmod(p.c_str(), mode);
    return p.string();
  };
  const std::string photo = make("photo.jpg", 0644);
  fs::create_symlink(photo, dir / "link.jpg");
  struct Case {
    std::string path;
    bool opened;
  };
  const Case cases[] = {
      {photo, true},
      {make("report.rtf", 0600), true},
      {make("tool", 0755), false},
      {make("script.sh", 0700), false},
      {make("group-run", 0610), false},
      {make("app.desktop", 0644), false},
      {make("App.DESKTOP", 0644), false},
      {(dir / "link.jpg").string(), false},
      {(dir / "folder").string(), false},
      {(dir / "missing.jpg").string(), false},
      {"photo.jpg", false},  // relative
      {"", false},
  };
  ScopedFakeLauncher launcher;
  for (const Case& c : cases) {
    launcher.fake.openedFiles.clear();
    EXPECT_EQ(OpenFileWithShell(c.path), c.opened) << c.path;
    EXPECT_EQ(launcher.fake.openedFiles.size(), c.opened ? 1u : 0u) << c.path;
  }
  fs::remove_all(dir);
}

}  // namespace
