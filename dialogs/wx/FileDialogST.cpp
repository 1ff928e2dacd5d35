#include "dialogs/wx/FileDialogST.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>

namespace {
// Only the UI thread opens these dialogs, one at a time.
wxDialog* g_Running = nullptr;

class RunningGuard {
 public:
  explicit RunningGuard(wxDialog* dialog) { g_Running = dialog; }
  ~RunningGuard() { g_Running = nullptr; }
};
}  // namespace

CFileDialogST::CFileDialogST(bool open, const char* defaultExtension, const char* fileName,
                             long flags, std::vector<FileFilter> filters, wxWindow* parent)
    : m_bOpen(open),
      m_Flags(flags | kOfnAlwaysAdded),
      m_DefaultExtension(defaultExtension ? defaultExtension : ""),
      m_InitialName(fileName ? fileName : ""),
      m_Filters(std::move(filters)),
      m_Parent(parent) {}

CFileDialogST::CFileDialogST() = default;
CFileDialogST::~CFileDialogST() = default;

wxDialog* CFileDialogST::RunningDialog() {
  return g_Running;
}

std::string CFileDialogST::GetFileDir() const {
  const FilePathParts parts = SplitFilePath(m_FileBuffer);
  return parts.drive + parts.dir;
}

int CFileDialogST::DoModal() {
  long style = m_bOpen ? wxFD_OPEN : wxFD_SAVE;
  if (m_bOpen && (m_Flags & kOfnFileMustExist)) style |= wxFD_FILE_MUST_EXIST;
  if (!m_bOpen && (m_Flags & kOfnOverwritePrompt)) style |= wxFD_OVERWRITE_PROMPT;
  if (m_Flags & kOfnForceShowHidden) style |= wxFD_SHOW_HIDDEN;
  const wxString wildcard = m_Filters.empty() ? wxString(wxFileSelectorDefaultWildcardStr)
                                              : wxString::FromUTF8(WildcardFromFilters(m_Filters));
  wxFileDialog dialog(m_Parent, wxFileSelectorPromptStr, wxString(),
                      wxString::FromUTF8(m_InitialName), wildcard, style);
  RunningGuard running(&dialog);
  if (dialog.ShowModal() != wxID_OK) return 2;
  wxString path = dialog.GetPath();
  if (path.empty()) return 2;
  // A save dialog adds the default extension to a name typed without one.
  if (!m_bOpen && !m_DefaultExtension.empty() && wxFileName(path).GetExt().empty()) {
    path += "." + wxString::FromUTF8(m_DefaultExtension);
  }
  const std::string chosen = path.utf8_string();
  if (!FitsFileBuffer(chosen)) return 2;
  m_FileBuffer = chosen;
  m_TitleBuffer = wxFileName(path).GetFullName().utf8_string();
  return 1;
}

int CFileDialogST::BrowseForFolder(const std::string& title, const std::string& initialFolder,
                                   long /*flags*/, wxWindow* parent) {
  wxDirDialog dialog(parent, wxString::FromUTF8(title), wxString::FromUTF8(initialFolder),
                     wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
  RunningGuard running(&dialog);
  if (dialog.ShowModal() != wxID_OK) return 2;
  const std::string chosen = dialog.GetPath().utf8_string();
  if (chosen.empty() || !FitsFileBuffer(chosen)) return 2;
  m_FolderBuffer = chosen;
  return 1;
}
