// The disk-imaging page through its controls: a partition of the fixture disk imaged into a
// folder in pieces equals the source range; imaged onto a "disk" (a file standing in for one) it
// lands there from sector 0 after the data-loss question; the source's own disk is never offered;
// a missing target says so.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "MadeUpMachine.h"
#include "PageTestFixture.h"
#include "dialogs/wx/DialogPrompts.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "dialogs/wx/ViewQuestionMsg.h"
#include "engine/records/ScanState.h"
#include "pages/DriveChartPieces.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/imaging/wx/CreateDiskImage.h"
#include "platform/DeviceNamespace.h"
#include "platform/ExitProcess.h"
#include "platform/RegistryStore.h"
#include "saving/ProgramState.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/DiskImageFolder.h"
#include "storage/SourceGlobals.h"
#include "storage/partitions/DiskPartitions.h"
#include "storage/partitions/PartitionEnum.h"
#include "widgets/AppGlobals.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/PieChartWnd.h"

namespace {

namespace fs = std::filesystem;
using guitest::Script;
using guitest::WhenShown;

const std::string kImage = std::string(MERROWIND_FIXTURE_DIR) + "/disks/mbr.img";
constexpr int64_t kStart = 94208;  // the FAT16 logical partition
constexpr int64_t kEnd = 94208 + 8192;

std::string ReadRange(const fs::path& file, int64_t start, int64_t end) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(start * 512);
  std::string bytes(static_cast<size_t>((end - start) * 512), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

void Choose(wxChoice* choice, const wxString& text) {
  choice->SetStringSelection(text);
  wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
  event.SetEventObject(choice);
  event.SetInt(choice->GetSelection());
  choice->ProcessWindowEvent(event);
}

class ImagingPageTest : public guitest::PageTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kImage)) GTEST_SKIP() << "fixture " << kImage << " not built";
    StartPageEnvironment();
    // No disk but those the test puts there, and a geometry store of the test's own.
    m_Machine.emplace("imaging-page");
    m_Dir = m_Machine->Dir();
    fs::create_directories(m_Dir / "out");
    MapDeviceToFile("\\\\.\\PhysicalDrive0", kImage);
    // The FAT16 partition of disk 0 as the source page chooses it for Create Disk Image.
    g_CurrentDevice = 0;
    g_SelectedDiskNumber = 0;
    g_SelectedPartitionIndex = 2;
    g_BytesPerSector = 512;
    g_SourceStartSector = kStart;
    g_SourceEndSector = kEnd;
    g_CreateImageMode = 1;
    g_ScanState.recoveryMode = 5;
  }
  void TearDown() override {
    SetImagePieceBytesForTest(0);
    m_Machine.reset();
    PageTest::TearDown();
  }

  static CreateDiskImage* Running() { return guitest::FindRunningPage<CreateDiskImage>(); }
  static Script::Step OnPage(std::function<void(CreateDiskImage&)> what) {
    return WhenShown<CreateDiskImage>(Running, [what](CreateDiskImage& p) { what(p); });
  }
  static Script::Step Next() {
    return OnPage([](CreateDiskImage& p) {
      p.CallAfter([&p] { guitest::ClickButton(p, CreateDiskImage::kIdNext); });
    });
  }
  static Script::Step Back() {
    return OnPage([](CreateDiskImage& p) { guitest::ClickButton(p, CreateDiskImage::kIdBack); });
  }

  static std::vector<std::string> ChartLabels(CreateDiskImage& p) {
    std::vector<std::string> labels;
    for (const auto& [key, piece] : p.m_Chart->Chart().Pieces()) labels.push_back(piece->label);
    return labels;
  }
  // The analysis page's Size Copied as it stands when the end of the image is told.
  Script::Step ToldOverTheAnalysisPage(std::string& sizeCopied) {
    return WhenShown<ViewMsgBox>([] { return guitest::FindShownDialog<ViewMsgBox>(); },
                                 [this, &sizeCopied](ViewMsgBox& box) {
                                   if (auto* a = guitest::FindRunningPage<RecoveryAnalysis>())
                                     sizeCopied = a->m_Values[2]->GetLabel().utf8_string();
                                   m_Told.push_back(box.m_Message.utf8_string());
                                   guitest::ClickButton(box, wxID_OK);
                                 });
  }

  std::optional<guitest::MadeUpMachine> m_Machine;
  fs::path m_Dir;
};

TEST_F(ImagingPageTest, APartitionImagedIntoPiecesEqualsTheSourceRange) {
  SetImagePieceBytesForTest(1 << 20);  // 4 MiB of partition: four pieces
  // The source page has read disk 0's table (reads are not bounded by the source's range then).
  g_SourceEndSector = 0;
  ASSERT_EQ(EnumDiskPartitions(0, 0, false, nullptr, 0), 1);
  g_SourceEndSector = kEnd;
  std::string sizeCopied;
  Script script({
      OnPage([this](CreateDiskImage& p) {
        EXPECT_EQ(p.GetTitle(), "Software Dovrane Merrowind - Create Disk Image");
        // The source's chart beside the rows, its partition picked out.
        ASSERT_NE(p.m_Chart, nullptr);
        EXPECT_TRUE(p.m_Chart->IsShown());
        EXPECT_EQ(ChartLabels(p),
                  (std::vector<std::string>{"Partition 1", "Partition 2", "Selected Partition 3",
                                            "Partition 4"}));
        EXPECT_LT(p.m_Chart->GetRect().GetRight(), p.m_TypeCaption->GetRect().GetLeft());
        EXPECT_EQ(p.m_Chart->Chart().m_Inclination, 45);
        Choose(p.m_Type, "Image");
        EXPECT_EQ(p.m_TargetCaption->GetLabel(), "Target Image :");
        EXPECT_TRUE(p.m_Path->IsShown());
        EXPECT_FALSE(p.m_Target->IsShown());
        // A folder that does not exist first.
        p.m_Path->SetValue((m_Dir / "missing" / "DiskImage.dmg").string());
        p.m_MultiFile->SetValue(true);
      }),
      OnPage([](CreateDiskImage&) { guitest::SaveScreenshot("imaging-page-image"); }),
      Next(),
      Told(),
      OnPage([this](CreateDiskImage& p) {
        p.m_Path->SetValue((m_Dir / "out" / "DiskImage.dmg").string());
      }),
      Next(),
      ToldOverTheAnalysisPage(sizeCopied),  // the analysis page's end of the image
      Back(),
  });
  CreateDiskImage page;
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  // Size Copied counts the whole image, over its four pieces.
  EXPECT_EQ(sizeCopied, "4.0 MB");
  ASSERT_EQ(m_Told.size(), 2u);
  EXPECT_EQ(m_Told[0], "Target path does not exist. Please choose correct path.");
  EXPECT_EQ(m_Told[1], "Disk Image created successfully.");
  EXPECT_EQ(g_ImageToDisk, 0);
  EXPECT_EQ(g_ImageMultiFile, 1);
  std::string joined;
  int pieces = 0;
  for (;; ++pieces) {
    const fs::path piece = m_Dir / "out" / ("DiskImage" + std::to_string(pieces) + ".dmg");
    if (!fs::exists(piece)) break;
    std::ifstream in(piece, std::ios::binary);
    joined.append(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_EQ(pieces, 4);
  const std::string source = ReadRange(kImage, kStart, kEnd);
  EXPECT_EQ(joined.size(), source.size());
  EXPECT_TRUE(joined == source);
  EXPECT_TRUE(m_Exits.empty());
}

TEST_F(ImagingPageTest, ADiskTargetGetsTheRangeFromSectorZeroAfterTheQuestion) {
  // Disk 1 is a file standing in for a disk; disk 0 is the source's own and is not offered.
  const fs::path target = m_Dir / "disk1.img";
  std::ofstream(target, std::ios::binary) << std::string(6 << 20, '\x5a');
  MapDeviceToFile("\\\\.\\PhysicalDrive1", target.string());
  Script script({
      OnPage([](CreateDiskImage& p) {
        EXPECT_EQ(p.m_TargetCaption->GetLabel(), "Target Disk :");
        ASSERT_EQ(p.m_Target->GetCount(), 1u);
        EXPECT_EQ(p.m_Target->GetString(0), "Disk1");
        // Nothing is chosen for the user.
        EXPECT_EQ(p.m_Target->GetSelection(), wxNOT_FOUND);
        Choose(p.m_Target, "Disk1");
        EXPECT_EQ(p.m_Size->GetLabel(), "6.0 MB");
        guitest::SaveScreenshot("imaging-page-disk");
        // Back from "Image" the caption reads as a type change sets it.
        Choose(p.m_Type, "Image");
        Choose(p.m_Type, "Disk");
        EXPECT_EQ(p.m_TargetCaption->GetLabel(), "Target Disk : ");
        EXPECT_TRUE(p.m_Target->IsShown());
      }),
      Next(),
      Answer(wxID_CANCEL),  // No: nothing is written
      Next(),
      Answer(wxID_OK),
      Told(),
      Back(),
  });
  CreateDiskImage page;
  page.m_DiskInUse = [](int) { return false; };
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  ASSERT_EQ(m_Asked.size(), 2u);
  EXPECT_EQ(m_Asked[0], "All data will be lost in Target Disk -\r\nDisk1 -  (6.0 MB, " +
                            target.string() + ")\r\n\r\nAre you sure you want to continue ?\r\n");
  ASSERT_EQ(m_Told.size(), 1u);
  EXPECT_EQ(m_Told[0], "Disk Image created successfully.");
  EXPECT_EQ(g_ImageToDisk, 1);
  EXPECT_EQ(g_ImageTargetDisk, 1);
  EXPECT_TRUE(ReadRange(target, 0, kEnd - kStart) == ReadRange(kImage, kStart, kEnd));
  // The rest of the stand-in disk is as it was.
  EXPECT_EQ(ReadRange(target, kEnd - kStart, kEnd - kStart + 1), std::string(512, '\x5a'));
}

TEST_F(ImagingPageTest, NoTargetDiskSaysSo) {
  // A logical drive as the source: its chart is the drive's used and free space.
  g_SourceDriveLetter = 'C';
  constexpr uint64_t kGB = 1000ull * 1000 * 1000;
  g_ChosenDriveSizes = {100 * kGB, 60 * kGB};
  std::vector<double> shares;
  Script script(
      {OnPage([&](CreateDiskImage& p) {
         for (const auto& [key, piece] : p.m_Chart->Chart().Pieces())
           shares.push_back(piece->value);
         EXPECT_EQ(ChartLabels(p), (std::vector<std::string>{"Used Space", "Free Space"}));
         guitest::SaveScreenshot("imaging-page-drive-chart");
       }),
       Next(), Told(), Back()});
  CreateDiskImage page;
  page.m_DiskInUse = [](int) { return false; };
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Told, std::vector<std::string>{"Please choose target disk."});
  EXPECT_EQ(shares, (std::vector<double>{41, 60}));
  EXPECT_EQ(g_ImageToDisk, 0);
}

// The Data menu through the keyboard, as a person opens it: Exit asks the exit question, and No
// keeps the page.
TEST_F(ImagingPageTest, TheDataMenuExitAsksBeforeLeaving) {
  Script script({
      OnPage([](CreateDiskImage& p) {
        wxMenuBar* bar = p.GetMenuBar();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->GetMenuLabelText(0), "Data");
        EXPECT_TRUE(bar->IsEnabled(WxCommandId(CreateDiskImage::kMenuExit)));
        EXPECT_FALSE(bar->IsEnabled(WxCommandId(CreateDiskImage::kMenuLoadLog)));
        guitest::ExitThroughTheDataMenu(p, "imaging-page-data-menu");
      }),
      Answer(wxID_CANCEL),
      Back(),
  });
  CreateDiskImage page;
  page.m_DiskInUse = [](int) { return false; };
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Asked, std::vector<std::string>{"Do you want to exit."});
  EXPECT_TRUE(m_Exits.empty());
}

}  // namespace
