#include "pages/wx/SaveScanLogThread.h"

#include <string>

#include <wx/window.h>

#include "dialogs/wx/FileDialogST.h"
#include "engine/scanlog/ScanLogWriter.h"

std::thread g_SaveLogThread;

bool SaveScanLogThread(wxWindow& page, std::function<void()> ended) {
  if (g_SaveLogThread.joinable()) return false;
  CFileDialogST dialog(false, nullptr, nullptr,
                       kOfnOverwritePrompt | kOfnPathMustExist | kOfnFileMustExist,
                       {{"*.kvsl", "*.kvsl"}}, &page);
  if (dialog.DoModal() != 1) return false;
  return StartSaveScanLog(page, dialog.GetPathName(), std::move(ended));
}

bool StartSaveScanLog(wxWindow& page, const std::string& path, std::function<void()> ended) {
  if (g_SaveLogThread.joinable()) return false;
  g_SaveLogThread = std::thread([&page, path, ended = std::move(ended)] {
    SaveScanLog(path);
    // The page joins the writer before it goes, so it is still there to be told.
    page.CallAfter([ended] {
      JoinSaveLogThread();
      if (ended) ended();
    });
  });
  return true;
}

void JoinSaveLogThread() {
  if (g_SaveLogThread.joinable() && g_SaveLogThread.get_id() != std::this_thread::get_id())
    g_SaveLogThread.join();
}
