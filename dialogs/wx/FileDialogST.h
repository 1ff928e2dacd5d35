// CFileDialogST: the open and save dialogs of Save Log, Load Log and the disk-image choice, and a
// folder chooser, over the toolkit's file and folder dialogs. One object per use, on the
// caller's stack:
//
//   CFileDialogST dialog(false, nullptr, nullptr, kOfnOverwritePrompt | kOfnPathMustExist,
//                        {{"*.kvsl", "*.kvsl"}}, g_SourcePage);
//   if (dialog.DoModal() == 1) path = dialog.GetPathName();
//
// A dialog selects one file. An open dialog asks for an existing file when the caller's flags
// say so; a save dialog never does, and asks before overwriting when kOfnOverwritePrompt is set.
// DoModal returns 1 when a file was chosen, 2 after Cancel, a failure, or a path longer than the
// 260-character buffer; the path then stays as it was.
#pragma once

#include <string>
#include <vector>

#include "dialogs/FileDialogRules.h"

class wxDialog;
class wxWindow;

class CFileDialogST {
 public:
  CFileDialogST(bool open, const char* defaultExtension, const char* fileName, long flags,
                std::vector<FileFilter> filters, wxWindow* parent);
  // An open dialog with nothing set.
  CFileDialogST();
  virtual ~CFileDialogST();
  CFileDialogST(const CFileDialogST&) = delete;
  CFileDialogST& operator=(const CFileDialogST&) = delete;

  virtual int DoModal();
  std::string GetPathName() const { return m_FileBuffer; }
  std::string GetFileName() const { return m_TitleBuffer; }
  std::string GetFileTitle() const { return SplitFilePath(m_FileBuffer).name; }
  std::string GetFileExt() const { return SplitFilePath(m_FileBuffer).ext; }
  std::string GetFileDir() const;
  std::string GetFileDrive() const { return SplitFilePath(m_FileBuffer).drive; }
  std::string GetNextPathName(size_t& pos) const { return NextPathName(m_FileBuffer, pos); }

  // Chooses a folder; 1 when one was chosen (GetSelectedFolder), 2 otherwise.
  int BrowseForFolder(const std::string& title, const std::string& initialFolder, long flags,
                      wxWindow* parent);
  std::string GetSelectedFolder() const { return m_FolderBuffer; }

  long Flags() const { return m_Flags; }
  bool IsOpenDialog() const { return m_bOpen; }
  // The toolkit dialog while DoModal or BrowseForFolder runs (tests drive it), else nullptr.
  static wxDialog* RunningDialog();

 private:
  bool m_bOpen = true;
  long m_Flags = kOfnAlwaysAdded;
  std::string m_DefaultExtension;
  std::string m_InitialName;
  std::vector<FileFilter> m_Filters;
  wxWindow* m_Parent = nullptr;
  std::string m_FileBuffer;
  std::string m_TitleBuffer;
  std::string m_FolderBuffer;
};
