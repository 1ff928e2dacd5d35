// The results page's preview area: the file of the selected row is extracted on a worker into
// the preview's private folder, then shown as a picture, as RTF text, as the listing of a zip
// archive, or as the no-preview picture. One preview at a time: a new one stops and joins the
// running one first, and the end of a preview that is no longer the latest is dropped, so a quick
// run of selections never shows a stale file. Stop asks first, holding the worker while it asks.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include <wx/panel.h>
#include <wx/timer.h>

#include "engine/records/ResultRecords.h"
#include "pages/wx/PageWorker.h"
#include "results/PreviewExtract.h"
#include "results/PreviewFolder.h"
#include "results/PreviewKind.h"
#include "results/ZipFile.h"

class CGradientProgressCtrl;
class CHoverButton;
class CPictureCtrl;
class wxListCtrl;
class wxStaticText;
class wxTextCtrl;

inline constexpr std::string_view kPreviewWaitText = "Please wait while generating preview......";
// Told when neither the file's program nor the Open With dialog could open an extracted file.
inline constexpr std::string_view kOpenFailedText =
    "No program could be found to open this file, and no Open With dialog could be shown.";
inline constexpr std::string_view kPreviewStopQuestion =
    "Do you want to stop this process. This may give you incomplete data.";

class PreviewPane : public wxPanel {
 public:
  enum class Shown { Placeholder, Picture, Rtf, Zip, NoPreview };

  PreviewPane(wxWindow* parent, wxWindowID id);
  ~PreviewPane() override;

  // The placeholder and no-preview pictures, from the bitmap folder.
  void LoadPictures();
  // Previews file (open: extract only, for opening with its program). Stops and joins a preview
  // still running first.
  void Start(const FileRecord* file, FileSystemKind fs, bool recordsAtLocator, bool open);
  // Back to the placeholder picture (another folder, or a folder row, was chosen); a running
  // preview is stopped first.
  void Reset();
  // Ends a running preview without asking and waits for it (before the lists are freed).
  void StopAndJoin();
  // The Stop button: the question, then the stop on Yes.
  void OnStop();
  bool Running() const { return m_Running; }
  // No worker thread is left to join.
  bool WorkerJoined() const { return !m_Worker.Running(); }
  Shown State() const { return m_Shown; }
  // The file the last preview wrote ("" when none).
  const std::string& ExtractedPath() const { return m_ExtractedPath; }

  // Told when a preview starts (true) and ends (false): the page disables Back and Save.
  std::function<void(bool)> m_OnRunning;
  // Called with the extracted file for a preview started with open; by default it opens the file
  // with its program (OpenFileWithShell).
  std::function<void(const std::string&)> m_OpenFile;

  CPictureCtrl* m_Picture = nullptr;
  CPictureCtrl* m_Placeholder = nullptr;
  CPictureCtrl* m_NoPreview = nullptr;
  wxTextCtrl* m_RichText = nullptr;
  wxListCtrl* m_ZipList = nullptr;
  CGradientProgressCtrl* m_Bar = nullptr;
  CHoverButton* m_StopButton = nullptr;
  wxStaticText* m_Wait = nullptr;

 private:
  void LayOut();
  void Show(Shown what);
  void Finished(PreviewKind kind, std::optional<PreviewExtraction> result, bool open);
  void ShowRtf(const std::string& path);
  void ShowZip(const std::string& path);

  std::atomic<bool> m_StopRequested{false};  // the preview's own Stop, which keeps the file
  std::atomic<int> m_Percent{0};
  wxTimer m_BarTimer{this};
  bool m_Running = false;
  Shown m_Shown = Shown::Placeholder;
  std::string m_ExtractedPath;
  PreviewFolder m_Folder;
  CZipFile m_Zip;
  // Last, so that it is joined before the folder and the counters it writes go.
  PageWorker m_Worker{*this};
};
