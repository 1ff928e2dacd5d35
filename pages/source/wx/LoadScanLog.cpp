#include "pages/source/wx/LoadScanLog.h"

#include <wx/window.h>

#include "dialogs/wx/FileDialogST.h"
#include "engine/records/ScanState.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "pages/PageFlow.h"
#include "pages/source/LoadLogSnapshot.h"
#include "widgets/LookGlobals.h"

namespace {

bool ChooseLogFile(wxWindow* parent, std::string& path) {
  CFileDialogST dialog(true, nullptr, nullptr,
                       kOfnAllowMultiSelect | kOfnHideReadOnly | kOfnOverwritePrompt,
                       {{"*.kvsl", "*.kvsl"}}, parent);
  if (dialog.DoModal() != 1) return false;
  path = dialog.GetPathName();
  return true;
}

}  // namespace

int LoadScanLog(wxWindow* sourcePage, const std::function<bool(std::string&)>& choosePath) {
  if (g_LogLoaded.load() == 1) return 0;
  g_LogLoaded = 1;
  std::string path;
  const bool chosen = choosePath ? choosePath(path) : ChooseLogFile(sourcePage, path);
  if (!chosen) {
    g_LogLoaded = 0;
    return 0;
  }
  const SourceSnapshot before = TakeSourceSnapshot();
  // Shows its own notice and clears g_LogLoaded on every failure; nothing is stored then.
  if (LoadScanLogHeader(path) != 1) return 0;

  g_AppTitle = LoadedLogTitle(g_ScanState.recoveryMode);
  const bool partition = g_PartitionMode.load() != 0;
  if (sourcePage) sourcePage->Hide();
  RunAnalysisPage();
  if (partition) RunFoundFileSystemsPage();
  if (sourcePage) sourcePage->Show();
  RestoreSourceSnapshot(before);
  g_TreeMode = 1;
  return 0;
}
