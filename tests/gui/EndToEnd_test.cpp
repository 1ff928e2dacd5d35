// The whole program as a person runs it, on the end-to-end fixture disk (an MBR disk with a FAT32
// and an NTFS partition holding present and deleted files and folders): the mode page, the source
// page with the disk image folder, a partition, Next, the scan on the analysis page, the results
// page, the root checked, Save to a new folder, the copy page and its end text, then Back through
// every page to the mode page; the same with the FAT32 partition formatted again, and with the
// partition table wiped through the found file systems; and a log saved, the program started again
// and the log loaded. The file and folder dialogs are the toolkit's own. The saved tree holds the
// bytes the fixture builder wrote and their modification times. Screenshots of the pages are kept
// (the scans here end too soon for one of the analysis page; its own test keeps one).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FileDialogSteps.h"
#include "LoopDevice.h"
#include "MadeUpMachine.h"
#include "PageTestFixture.h"
#include "ResultsPageSteps.h"
#include "SavedFiles.h"
#include "SourceTreeSteps.h"
#include "dialogs/wx/CopyQuestions.h"
#include "pages/copy/wx/DataCopyPath.h"
#include "pages/foundfs/FoundFileSystems.h"
#include "pages/foundfs/wx/ExhaustiveDisplayPartitionInformation.h"
#include "pages/mode/wx/RecoveryMode.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "pages/wx/SaveScanLogThread.h"
#include "results/ResultRows.h"
#include "saving/ProgramState.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "pages/source/SourceNames.h"
#include "pages/source/wx/DeletedFilesRecovery.h"
#include "platform/DeviceNamespace.h"
#include "platform/LinuxDisks.h"
#include "platform/RegistryStore.h"
#include "widgets/FolderTreeModel.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"

namespace {

namespace fs = std::filesystem;
using guitest::FindShownDialog;
using guitest::FixtureContents;
using guitest::ReadAll;
using guitest::Script;
using guitest::WhenShown;

const std::string kDisk = std::string(MERROWIND_FIXTURE_DIR) + "/e2e/disk.img";

constexpr int kDeletedButton = 0;  // the mode page's buttons: deleted, formatted, partition, image
constexpr int kFormattedButton = 1;
constexpr int kPartitionButton = 2;

int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return ::timegm(&t);
}

// One saved file: where the copy puts it, the fixture tag and size of its bytes, its time.
struct SavedFile {
  std::string path;
  std::string tag;
  size_t size;
  int64_t modified;
};

enum class Disk { AsBuilt, Fat32Reformatted };

struct Road {
  const char* name;       // of the screenshots
  int modeButton;
  Disk disk;
  const char* partition;  // the node chosen below the image
  bool hint;              // the results page's hint after a deleted-data scan
  std::vector<SavedFile> files;
};

// Test names show a road by its name.
[[maybe_unused]] void PrintTo(const Road& road, std::ostream* os) { *os << road.name; }

const int64_t kFileTime = Utc(2021, 3, 4, 5, 6, 8);
const int64_t kOldTime = Utc(2019, 5, 6, 7, 8, 10);

const Road kRoads[] = {
    {"ntfs",
     kDeletedButton,
     Disk::AsBuilt,
     "Partition - 2 ( NTFS )",
     true,
     {{"notes.txt", "keep1", 1500, kFileTime},
      {"Photos/2020/beach.jpg", "keep2", 70000, kFileTime},
      {"Photos/index.txt", "keep3", 300, kFileTime},
      {"Photos/lost.jpg", "gone1", 5000, kFileTime},
      {"report.doc", "gone2", 40000, kFileTime},
      {"Old/first.txt", "gone3", 900, kOldTime},
      {"Old/Inner/second.bin", "gone4", 12000, kOldTime}}},
    // A deleted FAT entry has lost the first letter of its name.
    {"fat32",
     kDeletedButton,
     Disk::AsBuilt,
     "Partition - 1 ( FAT32 )",
     true,
     {{"notes.txt", "keep1", 1500, kFileTime},
      {"Photos/2020/beach.jpg", "keep2", 70000, kFileTime},
      {"Photos/index.txt", "keep3", 300, kFileTime},
      {"Photos/_ost.jpg", "gone1", 5000, kFileTime},
      {"_eport.doc", "gone2", 40000, kFileTime},
      {"Old/_irst.txt", "gone3", 900, kOldTime},
      {"Old/Inner/_econd.bin", "gone4", 12000, kOldTime}}},
    // Formatted again: the root's own entries are gone, its folders come back by number.
    {"fat32_formatted",
     kFormattedButton,
     Disk::Fat32Reformatted,
     "Partition - 1 ( FAT32 )",
     false,
     {{"Dir1/index.txt", "keep3", 300, kFileTime},
      {"Dir1/2020/beach.jpg", "keep2", 70000, kFileTime},
      {"Dir1/_ost.jpg", "gone1", 5000, kFileTime},
      {"Dir3/_irst.txt", "gone3", 900, kOldTime},
      {"Dir3/Inner/_econd.bin", "gone4", 12000, kOldTime}}},
};

class EndToEndPages : public guitest::PageTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kDisk)) GTEST_SKIP() << "fixture " << kDisk << " not built";
    StartPageEnvironment();
    InstallCopyQuestions();
    ResetSourceNames();
    // No disk but those the test puts there, and a geometry store of the test's own.
    m_Machine.emplace("e2e");
    m_Dir = m_Machine->Dir();
    fs::create_directories(m_Dir / "image");
    fs::create_symlink(kDisk, m_Dir / "image" / "DiskImage0.dmg");
  }
  void TearDown() override {
    m_Machine.reset();
    UninstallCopyQuestions();
    ResetSourceNames();
    PageTest::TearDown();
  }

  template <class T>
  static Script::Step On(std::function<void(T&)> what) {
    return WhenShown<T>([] { return guitest::FindRunningPage<T>(); }, what);
  }
  template <class T>
  static Script::Step Shot(const std::string& name) {
    auto ticks = std::make_shared<int>(0);
    return [name, ticks] {
      T* w = guitest::FindRunningPage<T>();
      if (!w || ++*ticks < 12) return false;
      guitest::SaveScreenshot(name);
      return true;
    };
  }
  // A click on one of the mode page's buttons.
  static Script::Step ModeButton(int button) {
    return On<CRecoveryMode>([button](CRecoveryMode& p) {
      CHoverButton* mode = p.m_ModeButtons[button];
      mode->CallAfter([mode] { mode->Click(); });
    });
  }
  // The click on "Disk Image" and its folder chosen in the folder dialog it opens.
  static std::vector<Script::Step> ChooseImageFolder(const fs::path& folder) {
    return {On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
              p.CallAfter([&p] {
                guitest::ClickSourceNode(
                    p, guitest::SourceNode(p, guitest::SourceNode(p, kNoItem, "This PC"),
                                           "Disk Image"));
              });
            }),
            guitest::AcceptFolderDialog(folder.string())};
  }
  // The node of the disk image in folder, below "Disk Image".
  static TreeItem ImageNode(DeletedFilesRecovery& p, const fs::path& folder) {
    const TreeItem group =
        guitest::SourceNode(p, guitest::SourceNode(p, kNoItem, "This PC"), "Disk Image");
    return guitest::SourceNode(p, group, (folder / "DiskImage0.dmg").string());
  }
  // A screenshot of the screen as it is when step can act, then step.
  static Script::Step ShotThen(const std::string& name, Script::Step step) {
    auto ticks = std::make_shared<int>(0);
    return [name, step, ticks] {
      if (!FindShownDialog<ViewMsgBox>() || ++*ticks < 4) return false;
      guitest::SaveScreenshot(name);
      return step();
    };
  }
  // The results page once its tree and list are filled.
  static Script::Step OnResults(std::function<void(ViewDataInControls&)> what) {
    return guitest::WhenResultsSettled(std::move(what));
  }
  // The steps from the mode page to the saved files and back: the mode's button, the steps that
  // choose the source, Next, the results page (with its hint after a deleted-data scan), the
  // root checked and saved to target, then Back through the pages to the mode page, ended.
  std::vector<Script::Step> MainRoad(int modeButton, std::vector<Script::Step> chooseSource, bool hint,
                                 const std::string& shot, const fs::path& target) {
    std::vector<Script::Step> steps;
    steps.push_back(On<CRecoveryMode>([shot, modeButton](CRecoveryMode& p) {
      guitest::SaveScreenshot(shot + "mode-page");
      CHoverButton* mode = p.m_ModeButtons[modeButton];
      mode->CallAfter([mode] { mode->Click(); });
    }));
    for (Script::Step& s : chooseSource) steps.push_back(std::move(s));
    steps.push_back(Shot<DeletedFilesRecovery>(shot + "source-page"));
    steps.push_back(On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
      p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdNext); });
    }));
    if (hint) steps.push_back(Told());
    for (Script::Step& s : SaveAll(shot, target)) steps.push_back(std::move(s));
    steps.push_back(On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
      p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdBack); });
    }));
    steps.push_back(On<CRecoveryMode>([](CRecoveryMode& p) { p.EndDialog(0); }));
    return steps;
  }
  // On the results page: every found item checked, saved to target, the end text kept, Back.
  std::vector<Script::Step> SaveAll(const std::string& shot, const fs::path& target) {
    return {
        Shot<ViewDataInControls>(shot + "results-page"),
        OnResults([](ViewDataInControls& p) {
          FolderTreeModel& m = p.m_Tree->Model();
          m.Click(m.RootItem(), FolderTreeModel::ClickPart::StateIcon);
          p.CallAfter([&p] { p.OnSave(); });
        }),
        WhenShown<DataCopyPath>([] { return FindShownDialog<DataCopyPath>(); },
                                [target](DataCopyPath& d) {
                                  d.m_PathEdit->SetValue(wxString::FromUTF8(target.string()));
                                  d.CallAfter([&d] { d.OnOK(); });
                                }),
        ShotThen(shot + "copy-page", Told()),  // the end text over the copy page
        OnResults([](ViewDataInControls& p) { p.CallAfter([&p] { p.OnBack(); }); }),
        Answer(wxID_OK),
    };
  }
  void RunFromModePage(Script& script) {
    CRecoveryMode modePage;
    modePage.DoModal();
    EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
    EXPECT_TRUE(m_Exits.empty());
  }
  void ExpectSaved(const fs::path& target, const std::vector<SavedFile>& files) {
    ASSERT_FALSE(m_Told.empty());
    EXPECT_EQ(m_Told.back(), "Saving completed successfully.");
    for (const SavedFile& f : files) {
      const fs::path saved = target / f.path;
      EXPECT_EQ(ReadAll(saved), FixtureContents(f.tag, f.size)) << f.path;
      struct stat st {};
      ASSERT_EQ(::stat(saved.c_str(), &st), 0) << f.path;
      EXPECT_EQ(st.st_mtime, f.modified) << f.path;
    }
  }

  std::optional<guitest::MadeUpMachine> m_Machine;
  fs::path m_Dir;
};

class EndToEndTest : public EndToEndPages, public testing::WithParamInterface<Road> {};

TEST_P(EndToEndTest, FromTheModePageToTheSavedFiles) {
  const Road& road = GetParam();
  const std::string shot = std::string("e2e-") + road.name + "-";
  fs::path image = m_Dir / "image";
  if (road.disk == Disk::Fat32Reformatted) {
    // The FAT32 partition (sectors 2048 to 75775) formatted again with the same layout.
    image = m_Dir / "reformatted";
    fs::create_directories(image);
    const fs::path disk = image / "DiskImage0.dmg";
    fs::copy_file(kDisk, disk);
    const std::string volume = (m_Dir / "fat32.img").string();
    const std::string commands =
        "dd if='" + disk.string() + "' of='" + volume + "' bs=512 skip=2048 count=73728 "
        "status=none && mkfs.fat -F 32 -s 1 -h 2048 -n AGAIN '" + volume + "' >/dev/null && "
        "dd if='" + volume + "' of='" + disk.string() + "' bs=512 seek=2048 conv=notrunc status=none";
    if (std::system(commands.c_str()) != 0) GTEST_SKIP() << "mkfs.fat could not format the copy";
  }
  const fs::path target = m_Dir / "recovered" / road.name;
  std::vector<Script::Step> chooseSource = ChooseImageFolder(image);
  chooseSource.push_back(On<DeletedFilesRecovery>([&](DeletedFilesRecovery& p) {
    const TreeItem disk = ImageNode(p, image);
    ASSERT_NE(disk, kNoItem);
    guitest::ClickSourceNode(p, guitest::SourceNode(p, disk, road.partition));
  }));
  Script script(MainRoad(road.modeButton, std::move(chooseSource), road.hint, shot, target));
  RunFromModePage(script);
  EXPECT_EQ(m_Told.size(), road.hint ? 2u : 1u);
  ExpectSaved(target, road.files);
}

INSTANTIATE_TEST_SUITE_P(Volumes, EndToEndTest, testing::ValuesIn(kRoads),
                         [](const testing::TestParamInfo<Road>& info) {
                           return std::string(info.param.name);
                         });

// The same disk with its partition table wiped: Partition Data Recovery searches the whole disk,
// lists the file systems it found, and the NTFS one scanned gives the same files.
TEST_F(EndToEndTest, PartitionDataRecoveryOnADiskWithoutItsPartitionTable) {
  const fs::path image = m_Dir / "wiped";
  fs::create_directories(image);
  fs::copy_file(kDisk, image / "DiskImage0.dmg");
  {
    std::fstream disk(image / "DiskImage0.dmg", std::ios::in | std::ios::out | std::ios::binary);
    const std::string zeros(512, '\0');
    disk.write(zeros.data(), zeros.size());
  }
  const fs::path target = m_Dir / "recovered" / "partition";
  using FoundPage = ExhaustiveDisplayPartitionInformation;
  std::string foundFirst;
  std::vector<Script::Step> steps{ModeButton(kPartitionButton)};
  for (Script::Step& step : ChooseImageFolder(image)) steps.push_back(std::move(step));
  for (Script::Step& step : std::vector<Script::Step>{
      On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
        p.m_FileSystem->SetStringSelection("NTFS");
        guitest::SaveScreenshot("e2e-partition-source-page");
        p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdNext); });
      }),
      On<FoundPage>([&](FoundPage& p) {
        const FolderTreeModel& m = p.m_Tree->Model();
        foundFirst = m.Text(m.FirstChild(m.RootItem()));
        guitest::SaveScreenshot("e2e-partition-found-file-systems");
        p.CallAfter([&p] { guitest::ClickButton(p, FoundPage::kIdNext); });
      })})
    steps.push_back(std::move(step));
  // The second pass ends on the results page; its Back returns to the found file systems.
  for (Script::Step& step : SaveAll("e2e-partition-", target)) steps.push_back(std::move(step));
  steps.push_back(On<FoundPage>([](FoundPage& p) {
    p.CallAfter([&p] { guitest::ClickButton(p, FoundPage::kIdBack); });
  }));
  steps.push_back(On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
    p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdBack); });
  }));
  steps.push_back(On<CRecoveryMode>([](CRecoveryMode& p) { p.EndDialog(0); }));
  Script script(std::move(steps));
  RunFromModePage(script);
  EXPECT_EQ(foundFirst, "File System 1 - NTFS");
  EXPECT_EQ(m_Told.size(), 1u);
  ExpectSaved(target, kRoads[0].files);
}

// The main road once through a real block device: a read-only loop device over a copy of the
// disk, listed under "Physical Disks" like any disk.
TEST_F(EndToEndTest, DeletedDataRecoveryFromALoopDeviceAsAPhysicalDisk) {
  if (::geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  const fs::path copy = m_Dir / "loop.img";
  fs::copy_file(kDisk, copy);
  const guitest::LoopDevice device(copy.string());
  const std::string& loop = device.Path();
  if (loop.empty()) GTEST_SKIP() << "losetup could not attach a loop device here";
  device.PlaceInSystemRoot(m_Dir);
  const std::string diskNode = "Disk0";

  const fs::path target = m_Dir / "recovered" / "loop";
  Script script(MainRoad(kDeletedButton,
                     {On<DeletedFilesRecovery>([&](DeletedFilesRecovery& p) {
                       const TreeItem disk = guitest::SourceNode(
                           p,
                           guitest::SourceNode(p, guitest::SourceNode(p, kNoItem, "This PC"),
                                               "Physical Disks"),
                           diskNode);
                       ASSERT_NE(disk, kNoItem);
                       guitest::ClickSourceNode(p, guitest::SourceNode(p, disk, kRoads[0].partition));
                     })},
                     true, "e2e-loop-", target));
  RunFromModePage(script);
  EXPECT_EQ(m_Told.size(), 2u);
  ExpectSaved(target, kRoads[0].files);
}

// A log saved on the results page, the program started again, the log loaded with the source
// page's Load Log: the results page shows the same rows without a scan, and the copy gives the same
// files. In partition mode the loaded log leads to the found file systems first, as the scan did.
struct LogRound {
  const char* name;
  int modeButton;
  const char* fileSystem;  // the partition search's choice; nullptr in deleted mode
  const char* partition;   // the node chosen below the image in deleted mode
  bool wiped;              // the disk's partition table zeroed
  const Road& road;        // the files the copy gives
};

[[maybe_unused]] void PrintTo(const LogRound& round, std::ostream* os) { *os << round.name; }

const LogRound kLogRounds[] = {
    {"deleted_fat32", kDeletedButton, nullptr, "Partition - 1 ( FAT32 )", false, kRoads[1]},
    {"deleted_ntfs", kDeletedButton, nullptr, "Partition - 2 ( NTFS )", false, kRoads[0]},
    {"partition_ntfs", kPartitionButton, "NTFS", nullptr, true, kRoads[0]},
    {"partition_fat32", kPartitionButton, "FAT32", nullptr, true, kRoads[1]},
};

class EndToEndLogTest : public EndToEndPages, public testing::WithParamInterface<LogRound> {
 protected:
  using FoundPage = ExhaustiveDisplayPartitionInformation;

  // The steps that choose the source: the image folder, then the partition or the file system.
  std::vector<Script::Step> ChooseSource(const LogRound& round, const fs::path& image) {
    std::vector<Script::Step> steps = ChooseImageFolder(image);
    steps.push_back(On<DeletedFilesRecovery>([&round, image](DeletedFilesRecovery& p) {
      if (round.fileSystem) {
        p.m_FileSystem->SetStringSelection(round.fileSystem);
        return;
      }
      const TreeItem disk = ImageNode(p, image);
      ASSERT_NE(disk, kNoItem);
      guitest::ClickSourceNode(p, guitest::SourceNode(p, disk, round.partition));
    }));
    return steps;
  }
  // On the found file systems: their texts kept, Next to the second pass.
  static Script::Step FoundNext(std::vector<std::string>& found) {
    return On<FoundPage>([&found](FoundPage& p) {
      const FolderTreeModel& m = p.m_Tree->Model();
      found.clear();
      for (TreeItem c = m.FirstChild(m.RootItem()); c != kNoItem; c = m.NextSibling(c))
        found.push_back(m.Text(c));
      p.CallAfter([&p] { guitest::ClickButton(p, FoundPage::kIdNext); });
    });
  }
  static std::vector<std::string> Rows(ViewDataInControls& p) {
    std::vector<std::string> names;
    for (const ResultRow& r : p.m_List->Rows()) names.push_back(RowName(r));
    return names;
  }
  // From the results page back to the mode page, which ends.
  static void BackToTheModePage(std::vector<Script::Step>& steps, bool partition) {
    if (partition) {
      steps.push_back(On<FoundPage>([](FoundPage& p) {
        p.CallAfter([&p] { guitest::ClickButton(p, FoundPage::kIdBack); });
      }));
    }
    steps.push_back(On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
      p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdBack); });
    }));
    steps.push_back(On<CRecoveryMode>([](CRecoveryMode& p) { p.EndDialog(0); }));
  }
};

TEST_P(EndToEndLogTest, ALogLoadedAfterARestartShowsTheSameResultsAndCopiesTheSameFiles) {
  const LogRound& round = GetParam();
  const bool partition = round.fileSystem != nullptr;
  const std::string shot = std::string("e2e-log-") + round.name + "-";
  fs::path image = m_Dir / "image";
  if (round.wiped) {
    image = m_Dir / "wiped";
    fs::create_directories(image);
    fs::copy_file(kDisk, image / "DiskImage0.dmg");
    std::fstream disk(image / "DiskImage0.dmg", std::ios::in | std::ios::out | std::ios::binary);
    const std::string zeros(512, '\0');
    disk.write(zeros.data(), zeros.size());
  }
  const fs::path log = m_Dir / round.name;
  const fs::path target = m_Dir / "recovered" / round.name;
  std::vector<std::string> scannedFound, loadedFound, scanned, loaded;

  // The scan, and its log saved on the results page.
  std::vector<Script::Step> steps{ModeButton(round.modeButton)};
  for (Script::Step& step : ChooseSource(round, image)) steps.push_back(std::move(step));
  steps.push_back(On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
    p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdNext); });
  }));
  if (partition)
    steps.push_back(FoundNext(scannedFound));
  else
    steps.push_back(Told());  // the hint after a deleted-data scan
  steps.push_back(OnResults([&](ViewDataInControls& p) {
    scanned = Rows(p);
    p.m_StartSaveLog = [&log](ViewDataInControls& page) {
      return StartSaveScanLog(page, log.string(), [&page] { page.OnSaveLogEnded(); });
    };
    p.OnSaveLog();
  }));
  steps.push_back(OnResults([](ViewDataInControls& p) { p.CallAfter([&p] { p.OnBack(); }); }));
  steps.push_back(Answer(wxID_OK));
  if (partition) {
    steps.push_back(On<FoundPage>([](FoundPage& p) {
      p.CallAfter([&p] { guitest::ClickButton(p, FoundPage::kIdBack); });
    }));
  }
  // Back on the source page the image has been let go: a log cannot be loaded until it is
  // chosen again, and nothing is asked before that.
  steps.push_back(On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
    p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdLoadLog); });
  }));
  steps.push_back(Told());
  BackToTheModePage(steps, false);
  {
    Script script(std::move(steps));
    RunFromModePage(script);
  }
  ASSERT_TRUE(fs::exists(log.string() + ".kvsl"));
  ASSERT_FALSE(m_Told.empty());
  EXPECT_EQ(m_Told.back(), "Please select Disk Image.");

  // As after a restart: nothing of the scan is left, and the image is chosen again.
  ResetProgramState();
  ResetSourceNames();
  const size_t toldBefore = m_Told.size();
  steps = {ModeButton(round.modeButton)};
  for (Script::Step& step : ChooseSource(round, image)) steps.push_back(std::move(step));
  steps.push_back(On<DeletedFilesRecovery>([](DeletedFilesRecovery& p) {
    p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdLoadLog); });
  }));
  steps.push_back(guitest::ChooseFileInDialog(log.string() + ".kvsl"));
  // In partition mode the found file systems come back from the log, and the page goes on at
  // once to the one the log names.
  if (!partition) steps.push_back(Told());
  steps.push_back(Shot<ViewDataInControls>(shot + "results-page"));
  steps.push_back(OnResults([&, partition](ViewDataInControls& p) {
    loaded = Rows(p);
    if (partition) loadedFound = FoundFileSystemNodeTexts();
  }));
  for (Script::Step& step : SaveAll(shot, target)) steps.push_back(std::move(step));
  // SaveAll ends with the results page's Back answered; what follows it is the page before.
  BackToTheModePage(steps, partition);
  {
    Script script(std::move(steps));
    RunFromModePage(script);
  }
  EXPECT_EQ(loadedFound, scannedFound);
  if (partition) {
    ASSERT_FALSE(scannedFound.empty());
    EXPECT_EQ(scannedFound.front(), std::string("File System 1 - ") + round.fileSystem);
  }
  EXPECT_FALSE(scanned.empty());
  EXPECT_EQ(loaded, scanned);
  EXPECT_EQ(m_Told.size() - toldBefore, partition ? 1u : 2u);
  ExpectSaved(target, round.road.files);
}

INSTANTIATE_TEST_SUITE_P(Modes, EndToEndLogTest, testing::ValuesIn(kLogRounds),
                         [](const testing::TestParamInfo<LogRound>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
