// CreateDiskImage: the page of "Create Disk Image". The user picks "Disk" (a copy onto another
// disk, chosen from the disks that are neither the source's own nor in use) or "Image" (image
// files in a folder, optionally in pieces); Next checks the target and the space, sets the
// imaging globals and runs the analysis page in image mode, whose worker writes the image.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "pages/imaging/ImagingTargets.h"
#include "pages/wx/PageMenu.h"
#include "pages/wx/WizardPage.h"

class CHoverButton;
class CPieChartWnd;
class CLabel;
class wxCheckBox;
class wxChoice;
class wxStaticBitmap;
class wxStaticText;
class wxTextCtrl;

// The caption of the target row as the page opens, after a change of type to "Disk", and for
// "Image".
inline constexpr const char* kTargetDiskCaption = "Target Disk :";
inline constexpr const char* kTargetDiskCaptionOnChange = "Target Disk : ";
inline constexpr const char* kTargetImageCaption = "Target Image :";

class CreateDiskImage : public CWizardPage, public PageMenuIds {
 public:
  static constexpr int kIdType = 1006;
  static constexpr int kIdTarget = 1099;
  static constexpr int kIdPath = 1037;
  static constexpr int kIdBrowse = 1003;
  static constexpr int kIdMultiFile = 1010;
  static constexpr int kIdNext = 1026;
  static constexpr int kIdBack = 1100;
  static constexpr int kIdHelp = 1021;

  CreateDiskImage();
  ~CreateDiskImage() override;

  // What Next runs once the target is set: the analysis page; tests may replace it.
  std::function<int()> m_RunAnalysisPage;
  // Which disks are busy; tests may replace it.
  DiskInUseFn m_DiskInUse = DiskOpenElsewhere;

  const std::vector<TargetDisk>& Targets() const { return m_Targets; }

  CLabel* m_TypeCaption = nullptr;    // 1214
  wxChoice* m_Type = nullptr;         // 1006
  CLabel* m_TargetCaption = nullptr;  // 1098
  wxChoice* m_Target = nullptr;       // 1099
  wxTextCtrl* m_Path = nullptr;       // 1037
  CHoverButton* m_Browse = nullptr;   // 1003
  wxCheckBox* m_MultiFile = nullptr;  // 1010
  wxStaticText* m_MultiFileLabel = nullptr;  // 1184
  CLabel* m_ModelCaption = nullptr;   // 1096
  wxStaticText* m_Model = nullptr;    // 1094
  CLabel* m_SizeCaption = nullptr;    // 1097
  wxStaticText* m_Size = nullptr;     // 1095
  std::array<wxStaticText*, 2> m_HelpLines{};  // 1112, 1113
  std::array<CHoverButton*, 5> m_Tools{};      // Help, Load log, Save Log, Settings, Search
  wxStaticBitmap* m_StepPicture = nullptr;
  CHoverButton* m_NextButton = nullptr;
  CHoverButton* m_BackButton = nullptr;
  CPieChartWnd* m_Chart = nullptr;  // the source's drive chart

  void OnImageTypeChange();
  void OnTargetDiskChange();
  void OnBrowse();
  void OnNext();

 protected:
  void OnInitPage() override;
  void OnCloseBox() override;
  void OnHelp() override;

 private:
  void FillTargetDiskList();
  void ShowTargetDiskInfo();
  void ShowPartitionChart(int disk, int selected);
  void ShowDriveUsageChart();
  const TargetDisk* SelectedTarget() const;
  bool ImageTypeIsDisk() const;
  void RunImaging();
  void LayOut();

  std::vector<TargetDisk> m_Targets;
};
