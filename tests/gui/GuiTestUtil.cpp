#include "GuiTestUtil.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace guitest {

std::string SaveScreenshot(const std::string& name) {
  std::string dir = MERROWIND_SHOT_DIR;
  ::mkdir(dir.c_str(), 0755);
  std::string path = dir + "/" + name + ".png";
  std::vector<std::string> args = {"import", "-window", "root", path};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "import", nullptr, nullptr, argv.data(), environ) != 0) return "";
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? path : "";
}

}  // namespace guitest
