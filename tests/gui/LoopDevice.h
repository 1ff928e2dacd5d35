// A read-only loop device over a file, with its partitions (losetup -P -r), detached when it
// goes. Path() is empty when none could be attached (not root, no loop devices here).
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace guitest {

class LoopDevice {
 public:
  explicit LoopDevice(const std::string& file) {
    if (::geteuid() != 0) return;
    if (FILE* out = ::popen(("losetup -P -r -f --show '" + file + "' 2>/dev/null").c_str(), "r")) {
      char line[128] = {};
      if (std::fgets(line, sizeof line, out)) m_Path = line;
      ::pclose(out);
    }
    while (!m_Path.empty() && (m_Path.back() == '\n' || m_Path.back() == ' ')) m_Path.pop_back();
  }
  ~LoopDevice() {
    if (!m_Path.empty()) (void)std::system(("losetup -d " + m_Path).c_str());
  }
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  const std::string& Path() const { return m_Path; }

  // Makes this device the only disk of a made-up system root: root/sys/block/loopN and
  // root/dev/loopN point at the kernel's own, so the program lists and opens it as Disk0 while
  // no other disk of the machine can be reached.
  void PlaceInSystemRoot(const std::filesystem::path& root) const {
    namespace fs = std::filesystem;
    const std::string name = fs::path(m_Path).filename().string();
    fs::create_directories(root / "sys" / "block");
    fs::create_directories(root / "dev");
    fs::create_symlink("/sys/block/" + name, root / "sys" / "block" / name);
    fs::create_symlink(m_Path, root / "dev" / name);
  }

 private:
  std::string m_Path;
};

}  // namespace guitest
