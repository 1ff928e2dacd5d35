// The source page and the imaging page on a made-up machine, driven through their controls:
// Create Disk Image chooses no target by itself, offers Disk0 when the source is Disk1 (after the
// source page's own Next), names the target's size, model and node in its question, and writes
// nothing when "Disk0" names another disk by the time the user says Yes; a disk that may not be
// opened for lack of rights is listed with the reason, said once, and Next says it again.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "MadeUpMachine.h"
#include "PageTestFixture.h"
#include "SourceTreeSteps.h"
#include "pages/ModeGlobals.h"
#include "pages/imaging/wx/CreateDiskImage.h"
#include "pages/source/SourceNames.h"
#include "pages/source/SourceNext.h"
#include "pages/source/wx/DeletedFilesRecovery.h"
#include "platform/DeviceNamespace.h"
#include "platform/RegistryStore.h"
#include "storage/SectorIo.h"

namespace {

namespace fs = std::filesystem;
using guitest::Script;
using guitest::WhenShown;

const std::string kDisk = std::string(MERROWIND_FIXTURE_DIR) + "/disks/mbr.img";

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

class ChosenDiskPagesTest : public guitest::PageTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kDisk)) GTEST_SKIP() << "fixture " << kDisk << " not built";
    StartPageEnvironment();
    ResetSourceNames();
    m_Machine.emplace("chosen-disk");
    m_Dir = m_Machine->Dir();
  }
  void TearDown() override {
    m_Machine.reset();
    ResetSourceNames();
    ResetDeviceHandleCache();
    PageTest::TearDown();
  }
  // A whole disk of the made-up machine: its sysfs folder with size and model, and its node.
  void Plug(const std::string& name, const std::string& model, const std::string& bytes) {
    const fs::path sys = m_Dir / "sys" / "block" / name;
    fs::create_directories(sys / "device");
    std::ofstream(sys / "size") << bytes.size() / 512 << "\n";
    std::ofstream(sys / "device" / "model") << model << "\n";
    std::ofstream(m_Dir / "dev" / name, std::ios::binary) << bytes;
  }
  void Unplug(const std::string& name) { fs::remove_all(m_Dir / "sys" / "block" / name); }

  static DeletedFilesRecovery* Source() { return guitest::FindRunningPage<DeletedFilesRecovery>(); }
  static CreateDiskImage* Imaging() { return guitest::FindRunningPage<CreateDiskImage>(); }
  static Script::Step OnSource(std::function<void(DeletedFilesRecovery&)> what) {
    return WhenShown<DeletedFilesRecovery>(Source, what);
  }
  static Script::Step OnImaging(std::function<void(CreateDiskImage&)> what) {
    return WhenShown<CreateDiskImage>(Imaging, what);
  }
  static Script::Step ClickOn(wxWindow* (*find)(), int id) {
    return [find, id] {
      wxWindow* page = find();
      if (!page) return false;
      page->CallAfter([page, id] { guitest::ClickButton(*page, id); });
      return true;
    };
  }
  static Script::Step BoxScreenshot(const std::string& name) {
    return WhenShown<ViewMsgBox>([] { return guitest::FindShownDialog<ViewMsgBox>(); },
                                 [name](ViewMsgBox&) { guitest::SaveScreenshot(name); });
  }
  static wxWindow* SourceWindow() { return Source(); }
  static wxWindow* ImagingWindow() { return Imaging(); }
  static TreeItem Node(DeletedFilesRecovery& p, TreeItem parent, const std::string& text) {
    return guitest::SourceNode(p, parent, text);
  }
  static TreeItem Disks(DeletedFilesRecovery& p) {
    return Node(p, Node(p, kNoItem, "This PC"), "Physical Disks");
  }
  // A choice made as a person makes it: the list dropped down, an entry picked.
  static void Pick(wxChoice* choice, const wxString& text) {
    choice->SetStringSelection(text);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(choice->GetSelection());
    choice->ProcessWindowEvent(event);
  }

  std::optional<guitest::MadeUpMachine> m_Machine;
  fs::path m_Dir;
};

TEST_F(ChosenDiskPagesTest, ImagingOffersDisk0ChoosesNothingAndNeverWritesADiskThatTookTheName) {
  const std::string blank(16 << 20, 'Z');
  Plug("sda", "Blank Disk", blank);
  Plug("sdb", "Fixture Disk", FileText(kDisk));
  ApplyModeButton(*ValuesOfModeButton(kIdCreateImageButton));
  Script script({
      OnSource([](DeletedFilesRecovery& p) {
        guitest::ClickSourceNode(p, Node(p, Node(p, Disks(p), "Disk1"), "Partition - 3 ( FAT16 )"));
        EXPECT_EQ(p.m_StartEdit->GetValue(), "94208");
      }),
      ClickOn(SourceWindow, DeletedFilesRecovery::kIdNext),
      OnImaging([this](CreateDiskImage& p) {
        // Next of the range mode set g_SelectedDiskNumber to 0: Disk0 is still offered.
        ASSERT_EQ(p.m_Target->GetCount(), 1u);
        EXPECT_EQ(p.m_Target->GetString(0), "Disk0");
        EXPECT_EQ(p.m_Target->GetSelection(), wxNOT_FOUND);
        EXPECT_EQ(p.m_Model->GetLabel(), "");
        guitest::SaveScreenshot("imaging-page-no-target");
        (void)this;
      }),
      ClickOn(ImagingWindow, CreateDiskImage::kIdNext),
      Told(),
      OnImaging([](CreateDiskImage& p) {
        Pick(p.m_Target, "Disk0");
        EXPECT_EQ(p.m_Model->GetLabel(), "Blank Disk");
        EXPECT_EQ(p.m_Size->GetLabel(), "16.0 MB");
      }),
      guitest::ScreenshotStep("imaging-page-target-picked"),
      ClickOn(ImagingWindow, CreateDiskImage::kIdNext),
      WhenShown<ViewQuestionMsg>(
          [] { return guitest::FindShownDialog<ViewQuestionMsg>(); },
          [](ViewQuestionMsg&) { guitest::SaveScreenshot("imaging-overwrite-question"); }),
      Answer(wxID_CANCEL),
      // sda is unplugged: "Disk0" is now the source's own disk, sdb.
      OnImaging([this](CreateDiskImage&) { Unplug("sda"); }),
      ClickOn(ImagingWindow, CreateDiskImage::kIdNext),
      Answer(wxID_OK),
      BoxScreenshot("imaging-target-changed"),
      Told(),
      ClickOn(ImagingWindow, CreateDiskImage::kIdBack),
      ClickOn(SourceWindow, DeletedFilesRecovery::kIdBack),
  });
  DeletedFilesRecovery page(std::make_unique<FixedDriveCatalogue>(std::vector<LogicalDrive>{}));
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  const std::string question =
      "All data will be lost in Target Disk -\r\nDisk0 - Blank Disk (16.0 MB, " +
      (m_Dir / "dev" / "sda").string() + ")\r\n\r\nAre you sure you want to continue ?\r\n";
  EXPECT_EQ(m_Asked, (std::vector<std::string>{question, question}));
  EXPECT_EQ(m_Told, (std::vector<std::string>{"Please choose target disk.",
                                              std::string(kChosenDiskChangedText)}));
  EXPECT_TRUE(FileText(m_Dir / "dev" / "sda") == blank);
  EXPECT_TRUE(FileText(m_Dir / "dev" / "sdb") == FileText(kDisk));
}

TEST_F(ChosenDiskPagesTest, ADiskThatMayNotBeOpenedSaysWhyOnceAndAtNext) {
  Plug("sda", "Locked Disk", std::string(1 << 20, '\0'));
  MapDeviceToFactory("\\\\.\\PhysicalDrive0", [](DeviceAccess) -> std::unique_ptr<RawDevice> {
    errno = EACCES;
    return nullptr;
  });
  ApplyModeButton(*ValuesOfModeButton(kIdDeletedButton));
  Script script({
      BoxScreenshot("source-page-needs-rights"),
      Told(),
      OnSource([](DeletedFilesRecovery& p) {
        const TreeItem disk = Node(p, Disks(p), "Disk0");
        ASSERT_NE(Node(p, disk, std::string(kNeedsRightsNodeText)), kNoItem);
        guitest::ClickSourceNode(p, disk);
      }),
      guitest::ScreenshotStep("source-page-disk-needs-rights"),
      ClickOn(SourceWindow, DeletedFilesRecovery::kIdNext),
      Told(),
      ClickOn(SourceWindow, DeletedFilesRecovery::kIdBack),
  });
  DeletedFilesRecovery page(std::make_unique<FixedDriveCatalogue>(std::vector<LogicalDrive>{}));
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Told, (std::vector<std::string>{std::string(kNeedsRightsText),
                                              std::string(kNeedsRightsText)}));
}

}  // namespace
