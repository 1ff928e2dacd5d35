// The results page as the page tests drive it: the running page, a step that acts on it once its
// tree, list, marking, log and preview workers have ended, and the NTFS fixture volume its tests
// scan.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "PageTestFixture.h"
#include "PageTestUtil.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "storage/VolumeGeometry.h"

namespace guitest {

inline ViewDataInControls* RunningResultsPage() {
  return FindRunningPage<ViewDataInControls>();
}

inline Script::Step WhenResultsSettled(std::function<void(ViewDataInControls&)> what) {
  return [what] {
    ViewDataInControls* p = RunningResultsPage();
    if (!p || p->Busy()) return false;
    what(*p);
    return true;
  };
}

// A page test on the NTFS fixture volume of 4 KiB clusters, chosen as the source page chooses a
// volume for a deleted-data scan.
class NtfsVolumePageTest : public PageTest {
 protected:
  static inline const std::string kImage =
      std::string(MERROWIND_FIXTURE_DIR) + "/ntfs/ntfs-c4096.img";

  void SetUp() override {
    if (!std::filesystem::exists(kImage)) GTEST_SKIP() << "fixture " << kImage << " not built";
    StartPageEnvironment();
    UseImageAsVolume(kImage, FileSystemKind::Ntfs);
    ASSERT_EQ(DetectVolumeGeometry(), 1);
  }
};

}  // namespace guitest
