// VPath: the choice of a virtual-disk file (or a VirtualBox ".vbox" machine file that names one)
// as the source. Browse probes the readers; OK accepts the file or says why not and stays open;
// Cancel asks the exit question. No page opens it; its logic is storage/VirtualDiskProbe.h.
#pragma once

#include <string>

#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

class VPath : public CLookDialog {
 public:
  // Control ids of its template.
  static constexpr int kIdPrompt = 1221;
  static constexpr int kIdCaption = 1091;
  static constexpr int kIdPath = 1080;
  static constexpr int kIdBrowse = 1003;
  static constexpr int kIdBand = 1261;

  // The file dialog's filter.
  static constexpr const char* kAllFiles = "Virtual Files (*.*)";
  static constexpr const char* kVirtualFiles =
      "Virtual Files (*.vbox;*.vmdk;*.vhd*;*.avhd*;*.vdi;*.hdd;*.hds;*.qed;*.qcow)";

  explicit VPath(wxWindow* parent = nullptr);

  // 1 after OK accepted a file, 2 when closed otherwise.
  int DoModal();
  int ShowModal() override;

  // What Browse does once the file dialog has given a path (tests call it directly).
  void TakeChosenPath(const std::string& path);

  void OnBrowse();
  void OnOK();
  void OnCancel();

  int m_ProbeResult = 0;  // the last probe's Open result, for OK
  DpiFactors m_DpiFactors;
  CLabel* m_PromptLabel = nullptr;
  wxStaticText* m_Caption = nullptr;
  wxStaticText* m_Band = nullptr;
  wxTextCtrl* m_PathEdit = nullptr;
  CHoverButton* m_BrowseButton = nullptr;
  CHoverButton* m_OkButton = nullptr;
  CHoverButton* m_CancelButton = nullptr;
  wxStaticBox* m_GroupBox = nullptr;

 private:
  void InitDialog();
};
