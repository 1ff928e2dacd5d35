// A machine of the test's own for the pages that list disks: a fresh folder (under the system's
// temporary folder, named after the test and the process) that is the system root, with sys/block
// and dev/ where a test puts the only disks that exist, and config/ as the disk geometry store.
// All of it is undone and removed when the object goes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/DeviceNamespace.h"
#include "platform/RegistryStore.h"

namespace guitest {

class MadeUpMachine {
 public:
  explicit MadeUpMachine(const std::string& name)
      : m_Dir(std::filesystem::temp_directory_path() / ("mw-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(m_Dir);
    std::filesystem::create_directories(m_Dir / "sys" / "block");
    std::filesystem::create_directories(m_Dir / "dev");
    SetSystemRoot(m_Dir.string());
    SetRegistryFolder((m_Dir / "config").string());
  }
  ~MadeUpMachine() {
    SetRegistryFolder("");
    SetSystemRoot("");
    std::error_code ignored;
    std::filesystem::remove_all(m_Dir, ignored);
  }
  MadeUpMachine(const MadeUpMachine&) = delete;
  MadeUpMachine& operator=(const MadeUpMachine&) = delete;

  const std::filesystem::path& Dir() const { return m_Dir; }

 private:
  std::filesystem::path m_Dir;
};

}  // namespace guitest
