// The file dialog wrapper on a real display: Cancel returns 2 and keeps the path, a chosen file
// returns 1 with its full path, and the flags reach the toolkit dialog.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>

#include <filesystem>
#include <fstream>

#include "FileDialogSteps.h"
#include "PageTestUtil.h"
#include "dialogs/wx/FileDialogST.h"

namespace {

using guitest::Script;

// Acts on the running toolkit dialog after it has been up for a few ticks.
Script::Step WithDialog(std::function<void(wxFileDialog&)> act) {
  auto ticks = std::make_shared<int>(0);
  return [act, ticks] {
    auto* dialog = dynamic_cast<wxFileDialog*>(CFileDialogST::RunningDialog());
    if (!dialog || !dialog->IsShown() || ++*ticks < 8) return false;
    act(*dialog);
    return true;
  };
}

TEST(FileDialogST, CancelReturnsTwoAndKeepsThePath) {
  long style = 0;
  Script script({WithDialog([&](wxFileDialog& d) {
    style = d.GetWindowStyle();
    d.EndModal(wxID_CANCEL);
  })});
  CFileDialogST dialog(false, nullptr, nullptr,
                       kOfnOverwritePrompt | kOfnPathMustExist | kOfnFileMustExist,
                       {{"*.kvsl", "*.kvsl"}}, nullptr);
  EXPECT_EQ(dialog.DoModal(), 2);
  EXPECT_EQ(dialog.GetPathName(), "");
  // A save dialog asks before overwriting and never demands that the file exist.
  EXPECT_TRUE(style & wxFD_SAVE);
  EXPECT_TRUE(style & wxFD_OVERWRITE_PROMPT);
  EXPECT_FALSE(style & wxFD_FILE_MUST_EXIST);
  EXPECT_EQ(dialog.Flags(), 0x1802 | kOfnAlwaysAdded);
}

TEST(FileDialogST, AChosenFileGivesItsFullPath) {
  char pattern[] = "/tmp/merrowind-dialog-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  const std::string file = folder + "/DiskImage0.dmg";
  std::ofstream(file) << "x";

  long style = 0;
  Script script({WithDialog([&](wxFileDialog& d) {
                   style = d.GetWindowStyle();
                   d.SetPath(wxString::FromUTF8(file));
                 }),
                 WithDialog([&](wxFileDialog& d) {
                   if (d.GetPath().utf8_string() != file) return;
                   d.EndModal(wxID_OK);
                 })});
  CFileDialogST dialog(true, nullptr, nullptr, kOfnPathMustExist | kOfnAllowMultiSelect,
                       {{"*.dmg", "*.dmg"}}, nullptr);
  const int result = dialog.DoModal();
  EXPECT_TRUE(style & wxFD_OPEN);
  EXPECT_FALSE(style & wxFD_MULTIPLE);  // one file, even when several were allowed
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(result, 1);
  EXPECT_EQ(dialog.GetPathName(), file);
  EXPECT_EQ(dialog.GetFileName(), "DiskImage0.dmg");
  EXPECT_EQ(dialog.GetFileTitle(), "DiskImage0");
  EXPECT_EQ(dialog.GetFileExt(), ".dmg");
  EXPECT_EQ(dialog.GetFileDir(), folder + "/");
  std::filesystem::remove_all(folder);
}

// The folder dialog answered as a person answers it: moved to a folder and accepted with its own
// button; Cancel keeps what was chosen before.
TEST(FileDialogST, AFolderAcceptedInTheDialogIsChosen) {
  char pattern[] = "/tmp/merrowind-folder-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string folder = std::string(pattern) + "/images of a disk";
  std::filesystem::create_directories(folder);
  CFileDialogST dialog;
  {
    Script script({guitest::AcceptFolderDialog(folder)});
    EXPECT_EQ(dialog.BrowseForFolder("Select Disk Image Folder", std::string(), 0, nullptr), 1);
    EXPECT_TRUE(script.Finished());
  }
  EXPECT_EQ(dialog.GetSelectedFolder(), folder);
  {
    Script script({guitest::CancelFolderDialog()});
    EXPECT_EQ(dialog.BrowseForFolder("Select Disk Image Folder", folder, 0, nullptr), 2);
  }
  EXPECT_EQ(dialog.GetSelectedFolder(), folder);
  std::filesystem::remove_all(pattern);
}

}  // namespace
