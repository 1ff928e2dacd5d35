// DeletedFilesRecovery: the source page of every mode. The tree lists "This PC" with its
// physical disks and their partitions, its logical drives and the disk images the user adds;
// a click chooses the source and shows its panel and drive chart. In the range modes (partition
// data, create disk image) a sector range and a file system can be given. Next checks the choice
// and runs the analysis page, the partition search with the found file systems, or the
// disk-imaging page; Back returns to the mode page.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "pages/source/LogicalDrives.h"
#include "pages/source/SourceNext.h"
#include "pages/source/SourcePanels.h"
#include "pages/source/SourceSelection.h"
#include "pages/wx/PageMenu.h"
#include "pages/wx/WizardPage.h"

class CFolderTreeCtrl;
class CHoverButton;
class CLabel;
class CPieChartWnd;
class wxCheckBox;
class wxChoice;
class wxMenuBar;
class wxStaticBitmap;
class wxStaticText;
class wxTextCtrl;

class DeletedFilesRecovery : public CWizardPage, public PageMenuIds, private SourcePageView {
 public:
  static constexpr int kIdNext = 1;  // IDOK
  static constexpr int kIdBack = 1100;
  static constexpr int kIdHelp = 1013;
  static constexpr int kIdLoadLog = 1020;
  static constexpr int kIdSaveLog = 1021;
  static constexpr int kIdSettings = 1022;
  static constexpr int kIdSearch = 1023;
  static constexpr int kIdTree = 167;
  static constexpr int kIdHeading = 1190;
  static constexpr int kIdStart = 1029;
  static constexpr int kIdEnd = 1030;
  static constexpr int kIdFileSystem = 1268;
  static constexpr int kIdSelectRange = 1267;

  // drives: where the logical drives come from (the system's mounted volumes unless a test
  // gives its own).
  explicit DeletedFilesRecovery(std::unique_ptr<DriveCatalogue> drives = SystemDriveCatalogue());
  ~DeletedFilesRecovery() override;

  // What Next runs; tests may replace them.
  std::function<int()> m_RunAnalysisPage;
  std::function<int()> m_RunFoundFileSystemsPage;
  std::function<int()> m_RunImagingPage;
  // The disk-image choosers; tests may replace them.
  std::function<std::optional<std::string>()> m_ChooseImageFolder;
  std::function<std::optional<std::string>()> m_ChooseImageFile;
  // The Load Log file dialog; tests may replace it (see LoadScanLog).
  std::function<bool(std::string&)> m_ChooseLogFile;
  // Whether the chosen source opens, as Next checks it; tests may replace it.
  bool (*m_CanOpenSource)() = SourceCanBeOpened;

  CFolderTreeCtrl* m_Tree = nullptr;
  CPieChartWnd* m_Chart = nullptr;
  CLabel* m_Heading = nullptr;
  std::array<wxStaticText*, 6> m_PanelLines{};  // 1192, 1195, 1197 ... 1202 as used
  CLabel* m_StartCaption = nullptr;             // 1208
  CLabel* m_EndCaption = nullptr;               // 1209
  CLabel* m_FsCaption = nullptr;                // 1210
  wxTextCtrl* m_StartEdit = nullptr;            // 1029
  wxTextCtrl* m_EndEdit = nullptr;              // 1030
  wxChoice* m_FileSystem = nullptr;             // 1268
  wxCheckBox* m_SelectRange = nullptr;          // 1267
  std::array<CHoverButton*, 5> m_Tools{};       // Help, Load log, Save Log, Settings, Search
  CHoverButton* m_NextButton = nullptr;
  CHoverButton* m_BackButton = nullptr;

  SourceSelection& Selection() { return *m_Selection; }
  // Lists the sources (the first time the page is shown).
  void EnumerateSources();
  void OnOK();
  void OnBack();
  void OnSelectRange();
  void OnLoadLog();
  // The lines the panel shows now, in order.
  std::vector<std::string> PanelTexts() const;

 protected:
  void OnInitPage() override;
  void OnCancel() override;
  void OnHelp() override;

 private:
  // SourcePageView.
  void ShowDiskInfo(int number) override;
  void ShowVolumeInfo(const LogicalDrive& drive) override;
  void ShowPartitionInfo() override;
  void ShowImageFileTimes(const std::string& path) override;
  std::optional<std::string> ChooseImageFolder() override;
  std::optional<std::string> ChooseImageFile() override;

  void ShowPanel(const std::vector<std::string>& lines);
  void ShowRangeFields();
  void ShowPartitionChart(int disk, int selected);
  void RereadFirstDiskTable(const std::optional<StoredDiskGeometry>& disk);
  void ShowDriveUsageChart(uint64_t capacityBytes, uint64_t freeBytes);
  void AddChartPieces(const std::vector<ChartPiece>& pieces);
  bool IsRangeMode() const;
  void LayOut();

  std::unique_ptr<DriveCatalogue> m_Drives;
  std::unique_ptr<SourceSelection> m_Selection;
  bool m_Listed = false;
};
