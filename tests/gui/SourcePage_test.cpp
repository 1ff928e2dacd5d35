// The source page through its controls: the tree lists "This PC" with its groups, a click on a
// partition of a fixture disk shows its panel and chart, Next says what is missing in order and
// hands over to the next page, a disk image folder becomes a source, the range modes read their
// edits, and a loop device over a fixture disk is listed as a physical disk.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/textctrl.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "LoopDevice.h"
#include "MadeUpMachine.h"
#include "PageTestFixture.h"
#include "SourceTreeSteps.h"
#include "dialogs/wx/FileDialogST.h"
#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/source/SourceNames.h"
#include "pages/source/wx/DeletedFilesRecovery.h"
#include "platform/DeviceNamespace.h"
#include "platform/LinuxDisks.h"
#include "platform/RegistryStore.h"
#include "storage/SourceGlobals.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/PieChartWnd.h"

namespace {

namespace fs = std::filesystem;
using guitest::Script;
using guitest::WhenShown;

const std::string kDisk = std::string(MERROWIND_FIXTURE_DIR) + "/disks/mbr.img";

class SourcePageTest : public guitest::PageTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kDisk)) GTEST_SKIP() << "fixture " << kDisk << " not built";
    StartPageEnvironment();
    ResetSourceNames();
    // No disk but those the test puts there, and a geometry store of the test's own.
    m_Machine.emplace("source-page");
    m_Dir = m_Machine->Dir();
  }
  void TearDown() override {
    m_Machine.reset();
    ResetSourceNames();
    PageTest::TearDown();
  }
  void Mode(int id) { ApplyModeButton(*ValuesOfModeButton(id)); }
  static std::unique_ptr<DriveCatalogue> Drives() {
    return std::make_unique<FixedDriveCatalogue>(
        std::vector<LogicalDrive>{{'C', "System", "ext4", 40ull << 30, 12ull << 30}});
  }

  static DeletedFilesRecovery* Running() {
    return guitest::FindRunningPage<DeletedFilesRecovery>();
  }
  static Script::Step OnPage(std::function<void(DeletedFilesRecovery&)> what) {
    return WhenShown<DeletedFilesRecovery>(Running, [what](DeletedFilesRecovery& p) { what(p); });
  }
  static Script::Step Next() {
    return OnPage([](DeletedFilesRecovery& p) {
      p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdNext); });
    });
  }
  static Script::Step Back() {
    return OnPage([](DeletedFilesRecovery& p) {
      p.CallAfter([&p] { guitest::ClickButton(p, DeletedFilesRecovery::kIdBack); });
    });
  }
  static TreeItem Node(DeletedFilesRecovery& p, TreeItem parent, const std::string& text) {
    return guitest::SourceNode(p, parent, text);
  }
  static void ClickNode(DeletedFilesRecovery& p, TreeItem item) { guitest::ClickSourceNode(p, item); }
  static std::vector<std::string> ChartLabels(DeletedFilesRecovery& p) {
    std::vector<std::string> labels;
    for (const auto& [key, piece] : p.m_Chart->Chart().Pieces()) labels.push_back(piece->label);
    return labels;
  }

  std::optional<guitest::MadeUpMachine> m_Machine;
  fs::path m_Dir;
};

TEST_F(SourcePageTest, ListsSourcesShowsAPartitionAndNextSaysWhatIsMissing) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kDisk);
  Mode(kIdDeletedButton);
  std::vector<std::string> handedOver;
  Script script({
      OnPage([](DeletedFilesRecovery& p) {
        EXPECT_EQ(p.GetTitle(), "Software Dovrane Merrowind - Deleted Data Recovery");
        EXPECT_EQ(p.m_Heading->GetLabel(),
                  "Select Disk/Image from which you want to recover your data");
        const TreeItem pc = Node(p, kNoItem, "This PC");
        ASSERT_NE(pc, kNoItem);
        for (const char* group : {"Physical Disks", "Logical Drives", "Disk Image"})
          EXPECT_NE(Node(p, pc, group), kNoItem) << group;
        EXPECT_NE(Node(p, Node(p, pc, "Logical Drives"), "System (C:)"), kNoItem);
        EXPECT_FALSE(p.m_StartEdit->IsShown());
      }),
      Next(),
      Told(),
      OnPage([](DeletedFilesRecovery& p) {
        ClickNode(p, Node(p, Node(p, kNoItem, "This PC"), "Physical Disks"));
      }),
      Next(),
      Told(),
      OnPage([](DeletedFilesRecovery& p) {
        const TreeItem disks = Node(p, Node(p, kNoItem, "This PC"), "Physical Disks");
        ClickNode(p, Node(p, disks, "Disk0"));
        EXPECT_EQ(p.PanelTexts()[0], "Physical Disk Number : 0");
        EXPECT_EQ(ChartLabels(p), (std::vector<std::string>{"Partition 1", "Partition 2",
                                                            "Partition 3", "Partition 4"}));
      }),
      Next(),
      Told(),
      OnPage([](DeletedFilesRecovery& p) {
        const TreeItem disks = Node(p, Node(p, kNoItem, "This PC"), "Physical Disks");
        ClickNode(p, Node(p, Node(p, disks, "Disk0"), "Partition - 2 ( NTFS )"));
        EXPECT_EQ(p.PanelTexts(), (std::vector<std::string>{
                                      "Partition Type   : NTFS", "Start Sector     : 75776",
                                      "End Sector       : 92160", "Partition Size   : 8.0 MB"}));
        EXPECT_EQ(ChartLabels(p), (std::vector<std::string>{"Partition 1", "Selected Partition 2",
                                                            "Partition 3", "Partition 4"}));
      }),
      OnPage([](DeletedFilesRecovery&) { guitest::SaveScreenshot("source-page-partition"); }),
      Next(),
      OnPage([](DeletedFilesRecovery& p) {
        // Back from the analysis page: the same page, the tree as it was.
        EXPECT_EQ(g_TreeMode.load(), 1);
        EXPECT_NE(Node(p, kNoItem, "This PC"), kNoItem);
      }),
      OnPage([](DeletedFilesRecovery& p) {
        ClickNode(p,
                  Node(p, Node(p, Node(p, kNoItem, "This PC"), "Logical Drives"), "System (C:)"));
        EXPECT_EQ(p.PanelTexts()[0], "Volume Name : System");
        EXPECT_EQ(ChartLabels(p), (std::vector<std::string>{"Used Space", "Free Space"}));
      }),
      Back(),
  });
  DeletedFilesRecovery page(Drives());
  page.m_RunAnalysisPage = [&] {
    handedOver.push_back("analysis " + std::to_string(g_SourceStartSector) + " " +
                         std::to_string(g_SourceEndSector) + " " +
                         std::string(CurrentDevicePath()));
    return 2;
  };
  EXPECT_EQ(page.DoModal(), DeletedFilesRecovery::kIdBack);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Told,
            (std::vector<std::string>{"Please select Logical Drive.",
                                      "Please select Physical Disk.", "Select partition type"}));
  EXPECT_EQ(handedOver, std::vector<std::string>{"analysis 75776 92160 \\\\.\\PhysicalDrive0"});
  EXPECT_EQ(g_SourceName, "");
  EXPECT_TRUE(m_Exits.empty());
}

TEST_F(SourcePageTest, ADiskImageFolderInTheRangeModeFillsTheRangeAndSearches) {
  Mode(kIdPartitionButton);
  fs::create_directories(m_Dir / "image");
  fs::create_symlink(kDisk, m_Dir / "image" / "DiskImage0.dmg");
  std::vector<std::string> handedOver;
  Script script({
      OnPage([](DeletedFilesRecovery& p) {
        EXPECT_EQ(p.GetTitle(), "Software Dovrane Merrowind - Partition Data Recovery");
        EXPECT_TRUE(p.m_StartEdit->IsShown());
        EXPECT_FALSE(p.m_StartEdit->IsEnabled());
        ClickNode(p, Node(p, Node(p, kNoItem, "This PC"), "Disk Image"));
      }),
      OnPage([this](DeletedFilesRecovery& p) {
        const TreeItem image = Node(p, Node(p, Node(p, kNoItem, "This PC"), "Disk Image"),
                                    (m_Dir / "image" / "DiskImage0.dmg").string());
        ASSERT_NE(image, kNoItem);
        ClickNode(p, Node(p, image, "Partition - 3 ( FAT16 )"));
        EXPECT_EQ(p.m_StartEdit->GetValue(), "94208");
        EXPECT_EQ(p.m_EndEdit->GetValue(), "102400");
        EXPECT_EQ(p.m_FileSystem->GetStringSelection(), "FAT16");
        p.m_SelectRange->SetValue(true);
        p.OnSelectRange();
        EXPECT_TRUE(p.m_StartEdit->IsEnabled());
        p.m_EndEdit->SetValue("94208");
      }),
      OnPage([](DeletedFilesRecovery&) { guitest::SaveScreenshot("source-page-image-range"); }),
      Next(),
      Told(),
      OnPage([](DeletedFilesRecovery& p) {
        p.m_EndEdit->SetValue("102400");
        p.m_FileSystem->SetSelection(3);
      }),
      Next(),
      Told(),
      OnPage([](DeletedFilesRecovery& p) { p.m_FileSystem->SetSelection(0); }),
      Next(),
      // Until the image is clicked again, Next asks for it, and the page shows nothing chosen.
      OnPage([](DeletedFilesRecovery& p) {
        EXPECT_TRUE(p.PanelTexts().empty());
        EXPECT_EQ(guitest::HighlightedSourceNode(p), "This PC");
        EXPECT_TRUE(ChartLabels(p).empty());
      }),
      Next(),
      Told(),
      Back(),
  });
  DeletedFilesRecovery page(Drives());
  page.m_ChooseImageFolder = [this] {
    return std::optional<std::string>((m_Dir / "image").string());
  };
  page.m_RunAnalysisPage = [&] {
    handedOver.push_back("analysis " + std::to_string(g_SourceStartSector) + " " +
                         std::to_string(g_DiskImageSource) + " " +
                         std::string(FileSystemKindText(g_FileSystemName)));
    return 2;
  };
  page.m_RunFoundFileSystemsPage = [&] {
    handedOver.push_back("found file systems");
    return 2;
  };
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Told, (std::vector<std::string>{
                        "End lSectorNoRead should be bigger than start lSectorNoRead.",
                        "Select partition type.", "Please select Disk Image."}));
  EXPECT_EQ(handedOver, (std::vector<std::string>{"analysis 94208 1 FAT16", "found file systems"}));
}

// Real clicks and keys: a click highlights and opens what it chooses and takes the focus; the
// expander only opens and closes; cancelling the folder choice keeps the source chosen before.
TEST_F(SourcePageTest, ClicksHighlightOpenAndFocusAndTheExpanderChoosesNothing) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kDisk);
  Mode(kIdDeletedButton);
  fs::create_directories(m_Dir / "image");
  fs::create_symlink(kDisk, m_Dir / "image" / "DiskImage0.dmg");
  std::vector<std::optional<std::string>> folders = {(m_Dir / "image").string(), std::nullopt};
  int asked = 0;
  auto group = [](DeletedFilesRecovery& p) {
    return Node(p, Node(p, kNoItem, "This PC"), "Disk Image");
  };
  auto disk0 = [](DeletedFilesRecovery& p) {
    return Node(p, Node(p, Node(p, kNoItem, "This PC"), "Physical Disks"), "Disk0");
  };
  const std::string imageText = (m_Dir / "image" / "DiskImage0.dmg").string();
  Script script({
      OnPage([&](DeletedFilesRecovery& p) {
        // The focus starts elsewhere, as after a button.
        p.m_NextButton->SetFocus();
        guitest::ClickSourceNode(p, disk0(p));
        EXPECT_EQ(guitest::HighlightedSourceNode(p), "Disk0");
        EXPECT_EQ(wxWindow::FindFocus(), p.m_Tree);
        EXPECT_EQ(g_SourceName, "Disk0");
        const TreeItem partition = Node(p, disk0(p), "Partition - 2 ( NTFS )");
        guitest::ClickSourceNode(p, partition);
        EXPECT_EQ(guitest::HighlightedSourceNode(p), "Partition - 2 ( NTFS )");
        EXPECT_EQ(g_SelectedPartitionIndex, 1);
        // A click on an open disk leaves it open; its expander closes it and chooses nothing.
        guitest::ClickSourceNode(p, disk0(p));
        EXPECT_TRUE(p.m_Tree->IsExpanded(p.m_Tree->ShowItem(disk0(p))));
        guitest::ClickSourceExpander(p, disk0(p));
        EXPECT_FALSE(p.m_Tree->IsExpanded(p.m_Tree->ShowItem(disk0(p))));
        EXPECT_EQ(guitest::HighlightedSourceNode(p), "Disk0");
        guitest::ClickSourceNode(p, disk0(p));
        EXPECT_TRUE(p.m_Tree->IsExpanded(p.m_Tree->ShowItem(disk0(p))));
      }),
      OnPage([&](DeletedFilesRecovery& p) {
        // Space with the tree focused does nothing to the page.
        guitest::TypeKey(WXK_SPACE);
        EXPECT_TRUE(p.IsShown());
        guitest::ClickSourceNode(p, group(p));
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(guitest::HighlightedSourceNode(p), imageText);
        EXPECT_TRUE(p.m_Tree->IsExpanded(p.m_Tree->ShowItem(group(p))));
        EXPECT_EQ(g_DiskImageSource, 1);
      }),
      OnPage([](DeletedFilesRecovery&) { guitest::SaveScreenshot("source-page-image-chosen"); }),
      OnPage([&](DeletedFilesRecovery& p) {
        const std::string chosen = g_SourceName;
        guitest::ClickSourceExpander(p, group(p));
        EXPECT_FALSE(p.m_Tree->IsExpanded(p.m_Tree->ShowItem(group(p))));
        guitest::ClickSourceExpander(p, group(p));
        EXPECT_TRUE(p.m_Tree->IsExpanded(p.m_Tree->ShowItem(group(p))));
        EXPECT_EQ(asked, 1);
        // Cancelled: the image stays the source and stays highlighted.
        guitest::ClickSourceNode(p, group(p));
        EXPECT_EQ(asked, 2);
        EXPECT_EQ(g_SourceName, chosen);
        EXPECT_EQ(g_DiskImageSource, 1);
        EXPECT_EQ(guitest::HighlightedSourceNode(p), imageText);
      }),
      OnPage([](DeletedFilesRecovery&) { guitest::SaveScreenshot("source-page-clicks"); }),
      Back(),
  });
  DeletedFilesRecovery page(Drives());
  page.m_ChooseImageFolder = [&]() -> std::optional<std::string> {
    ++asked;
    return asked <= static_cast<int>(folders.size()) ? folders[static_cast<size_t>(asked - 1)]
                                                     : std::nullopt;
  };
  EXPECT_EQ(page.DoModal(), DeletedFilesRecovery::kIdBack);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
}

// A disk clicked after a logical drive shows its own partitions, not the drive's one volume, and
// keeps its own range for Next.
TEST_F(SourcePageTest, ADiskChosenAfterALogicalDriveShowsItsOwnPartitions) {
  const std::string volume = std::string(MERROWIND_FIXTURE_DIR) + "/fat/fat16-s8.img";
  if (!fs::exists(volume)) GTEST_SKIP() << "fixture " << volume << " not built";
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kDisk);
  MapDeviceToFile("\\\\.\\C:", volume);
  Mode(kIdDeletedButton);
  Script script({
      OnPage([](DeletedFilesRecovery& p) {
        guitest::ClickSourceNode(
            p, Node(p, Node(p, Node(p, kNoItem, "This PC"), "Logical Drives"), "System (C:)"));
        EXPECT_EQ(ChartLabels(p), (std::vector<std::string>{"Used Space", "Free Space"}));
        guitest::ClickSourceNode(
            p, Node(p, Node(p, Node(p, kNoItem, "This PC"), "Physical Disks"), "Disk0"));
        EXPECT_EQ(ChartLabels(p), (std::vector<std::string>{"Partition 1", "Partition 2",
                                                            "Partition 3", "Partition 4"}));
        EXPECT_EQ(g_SourceStartSector, 63);
        EXPECT_EQ(g_SourceEndSector, static_cast<int64_t>(fs::file_size(kDisk) / 512));
      }),
      OnPage(
          [](DeletedFilesRecovery&) { guitest::SaveScreenshot("source-page-disk-after-drive"); }),
      Back(),
  });
  DeletedFilesRecovery page(Drives());
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
}

// Load Log through its toolbar button: the dialog lists scan logs only, and once it is
// cancelled the button is drawn normal again though the pointer left it for the dialog.
TEST_F(SourcePageTest, LoadLogListsScanLogsAndItsButtonIsNormalAfterwards) {
  Mode(kIdDeletedButton);
  fs::create_directories(m_Dir / "logs");
  std::ofstream(m_Dir / "logs" / "scan.kvsl") << "log";
  std::ofstream(m_Dir / "logs" / "notes.txt") << "text";
  const std::string logs = (m_Dir / "logs").string();
  auto ticks = std::make_shared<int>(0);
  std::string wildcard;
  Script script({
      OnPage([](DeletedFilesRecovery& p) {
        p.CallAfter([&p] { guitest::ClickMiddle(p.m_Tools[1]); });
      }),
      [&] {
        auto* dialog = dynamic_cast<wxFileDialog*>(CFileDialogST::RunningDialog());
        if (!dialog || !dialog->IsShown()) return false;
        ++*ticks;
        if (*ticks == 4) {
          wildcard = dialog->GetWildcard().utf8_string();
          dialog->SetDirectory(wxString::FromUTF8(logs));
        }
        if (*ticks == 30) guitest::SaveScreenshot("source-page-load-log-dialog");
        if (*ticks < 31) return false;
        guitest::MovePointerTo(dialog, wxPoint(20, 20));
        dialog->EndModal(wxID_CANCEL);
        return true;
      },
      OnPage([](DeletedFilesRecovery& p) {
        EXPECT_FALSE(p.m_Tools[1]->IsPressed());
        EXPECT_FALSE(p.m_Tools[1]->IsHovered());
        EXPECT_EQ(p.m_Tools[1]->CurrentFrame(), 2);
        guitest::SaveScreenshot("source-page-after-load-log");
      }),
      Back(),
  });
  DeletedFilesRecovery page(Drives());
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(wildcard, "*.kvsl|*.kvsl");
}

TEST_F(SourcePageTest, ALoopDeviceIsAPhysicalDisk) {
  if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  const fs::path copy = m_Dir / "loop.img";
  fs::copy_file(kDisk, copy);
  const guitest::LoopDevice device(copy.string());
  const std::string& loop = device.Path();
  if (loop.empty()) GTEST_SKIP() << "losetup could not attach a loop device here";
  device.PlaceInSystemRoot(m_Dir);
  const int number = 0;
  const std::string diskNode = "Disk0";
  Mode(kIdDeletedButton);
  std::vector<std::string> handedOver;
  Script script({
      OnPage([&](DeletedFilesRecovery& p) {
        const TreeItem disk =
            Node(p, Node(p, Node(p, kNoItem, "This PC"), "Physical Disks"), diskNode);
        ASSERT_NE(disk, kNoItem);
        ClickNode(p, Node(p, disk, "Partition - 1 ( FAT32 )"));
        EXPECT_EQ(p.PanelTexts()[0], "Partition Type   : FAT32");
        EXPECT_EQ(ChartLabels(p)[0], "Selected Partition 1");
      }),
      OnPage([](DeletedFilesRecovery&) { guitest::SaveScreenshot("source-page-loop-device"); }),
      Next(),
      Back(),
  });
  DeletedFilesRecovery page(Drives());
  page.m_RunAnalysisPage = [&] {
    handedOver.push_back(std::string(CurrentDevicePath()) + " " +
                         std::to_string(g_SourceStartSector));
    return 2;
  };
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(handedOver,
            std::vector<std::string>{"\\\\.\\PhysicalDrive" + std::to_string(number) + " 2048"});
}

}  // namespace
