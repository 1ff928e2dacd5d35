// Helpers shared by the storage tests: a scripted bad-sector question, a memory disk served as
// "\\.\PhysicalDriveN" with a fault plan, and a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <cstddef>
#include <cstdint>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "prompts/UserPrompts.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "tests/core/TestPrompts.h"
#include "saving/ProgramState.h"

namespace storage_test {

using ScriptedPrompts = test_support::RecordingPrompts;

// Every byte of sector s holds (s * 7 + 1) & 0xFF, so a misplaced sector shows.
inline std::byte PatternByte(uint64_t sector) {
  return std::byte((sector * 7 + 1) & 0xFF);
}

inline std::shared_ptr<MemoryDisk> PatternDisk(uint64_t sectors, uint32_t bps = 512) {
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.resize(sectors * bps);
  for (uint64_t s = 0; s < sectors; ++s)
    std::fill_n(disk->bytes.begin() + static_cast<std::ptrdiff_t>(s * bps), bps, PatternByte(s));
  return disk;
}

// Serves disk as devicePath through a FaultyDevice with plan.
inline void ServeDisk(const std::string& devicePath, std::shared_ptr<MemoryDisk> disk,
                      std::shared_ptr<FaultPlan> plan) {
  MapDeviceToFactory(devicePath, [disk, plan](DeviceAccess) -> std::unique_ptr<RawDevice> {
    return std::make_unique<FaultyDevice>(std::make_unique<MemoryDevice>(disk), plan);
  });
}

// True when sector i of buf (bps bytes each) holds the pattern of absolute sector first + i.
inline bool HoldsPattern(const std::vector<std::byte>& buf, uint32_t i, uint64_t absolute,
                         uint32_t bps = 512) {
  for (uint32_t b = 0; b < bps; ++b)
    if (buf[i * bps + b] != PatternByte(absolute)) return false;
  return true;
}

inline bool IsZeroSector(const std::vector<std::byte>& buf, uint32_t i, uint32_t bps = 512) {
  for (uint32_t b = 0; b < bps; ++b)
    if (buf[i * bps + b] != std::byte{0}) return false;
  return true;
}

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "merrowind-XXXXXX").string();
    m_Path = mkdtemp(tmpl.data()) ? tmpl : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ec);
  }
  const std::string& path() const { return m_Path; }

 private:
  std::string m_Path;
};

// Resets every global the sector path reads, the handle cache and the mappings; installs prompts.
class SectorPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    ClearDeviceMappings();
    ResetZeroFilledSectorCount();
    SetUserPrompts(&prompts);
  }
  void TearDown() override {
    SetUserPrompts(nullptr);
    ResetDeviceHandleCache();
    ClearDeviceMappings();
    ResetSourceGlobals();
  }
  ScriptedPrompts prompts;
};

}  // namespace storage_test
