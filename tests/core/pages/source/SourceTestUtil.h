// What the source page tests share: a scratch folder with its own geometry store and no system
// disks, fixture disks mapped as physical disks, and a view that records what the page was asked
// to show.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "pages/source/SourceNames.h"
#include "pages/source/SourceSelection.h"
#include "platform/DeviceNamespace.h"
#include "platform/RegistryStore.h"
#include "saving/ProgramState.h"
#include "storage/DiskImageFolder.h"
#include "tests/core/TestPrompts.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace source_test {

inline const std::string kFixtures = MERROWIND_FIXTURE_DIR;
inline const std::string kMbrDisk = kFixtures + "/disks/mbr.img";
inline const std::string kMbr4kDisk = kFixtures + "/disks/mbr4k.img";

struct RecordingView : SourcePageView {
  void ShowDiskInfo(int number) override { calls.push_back("disk " + std::to_string(number)); }
  void ShowVolumeInfo(const LogicalDrive& drive) override {
    calls.push_back(std::string("volume ") + drive.letter);
  }
  void ShowPartitionInfo() override { calls.push_back("partition"); }
  void ShowImageFileTimes(const std::string& path) override { calls.push_back("times " + path); }
  std::optional<std::string> ChooseImageFolder() override { return Take(folders); }
  std::optional<std::string> ChooseImageFile() override { return Take(files); }

  static std::optional<std::string> Take(std::vector<std::optional<std::string>>& answers) {
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  std::vector<std::string> calls;
  std::vector<std::optional<std::string>> folders;  // answers, in order; none left: cancel
  std::vector<std::optional<std::string>> files;
};

class SourceTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    ResetSourceNames();
    std::filesystem::create_directories(m_Dir.path() + "/sys");
    SetSystemRoot(m_Dir.path());
    SetRegistryFolder(m_Dir.path() + "/config");
    SetUserPrompts(&m_Prompts);
  }
  void TearDown() override {
    SetUserPrompts(nullptr);
    SetImagePieceBytesForTest(0);
    SetRegistryFolder("");
    SetSystemRoot("");
    ClearDeviceMappings();
    ResetProgramState();
    ResetSourceNames();
  }
  static bool HaveFixtures() {
    return std::filesystem::exists(kMbrDisk) && std::filesystem::exists(kMbr4kDisk);
  }
  // A folder holding the disk image file as its pieces of pieceBytes (all of it as piece 0 when
  // 0), and bps.dmg when sectorSize is not 512.
  std::string MakeImageFolder(const std::string& name, const std::string& disk, size_t pieceBytes,
                              uint32_t sectorSize = 512) {
    const std::string folder = m_Dir.path() + "/" + name;
    std::filesystem::create_directories(folder);
    if (pieceBytes == 0) {
      std::filesystem::create_symlink(disk, folder + "/DiskImage0.dmg");
    } else {
      std::ifstream in(disk, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      for (size_t at = 0, k = 0; at < bytes.size(); at += pieceBytes, ++k)
        std::ofstream(folder + "/DiskImage" + std::to_string(k) + ".dmg", std::ios::binary)
            << bytes.substr(at, pieceBytes);
    }
    if (sectorSize != 512) {
      const char le[4] = {static_cast<char>(sectorSize), static_cast<char>(sectorSize >> 8),
                          static_cast<char>(sectorSize >> 16), static_cast<char>(sectorSize >> 24)};
      std::ofstream(folder + "/bps.dmg", std::ios::binary).write(le, 4);
    }
    return folder;
  }

  storage_test::TempDir m_Dir;
  test_support::RecordingPrompts m_Prompts;
};

}  // namespace source_test
