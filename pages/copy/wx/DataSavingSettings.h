// DataSavingSettings: the dialog that sets what a copy writes: deleted files included, excluded
// or alone, the list of extensions, and a date range for each of the modified, created and
// accessed dates. The radio buttons and date combos change the settings at once and the list
// buttons change the list; Apply keeps the settings, Cancel (also Esc and the close box) puts
// back what they were when the dialog opened. The rules live in SettingsForm.
#pragma once

#include <array>

#include "saving/settings/SettingsForm.h"
#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CTransparentStatic;
class wxButton;
class wxChoice;
class wxListBox;
class wxRadioButton;
class wxStaticText;
class wxTextCtrl;

class DataSavingSettings : public CLookDialog {
 public:
  static constexpr int kIdDeletedTitle = 1222;
  static constexpr int kIdIncludeDeleted = 1060;
  static constexpr int kIdExcludeDeleted = 1061;
  static constexpr int kIdDeletedOnly = 1062;
  static constexpr int kIdExtensionTitle = 1223;
  static constexpr int kIdExtensionEdit = 1037;
  static constexpr int kIdAddExtension = 1073;
  static constexpr int kIdRemoveExtension = 1074;
  static constexpr int kIdExtensionList = 1081;
  static constexpr int kIdDateTitle = 1224;
  static constexpr int kIdDateKind = 1092;
  static constexpr int kIdFromDay = 1008;
  static constexpr int kIdFromMonth = 1010;
  static constexpr int kIdFromYear = 1011;
  static constexpr int kIdBetween = 1078;
  static constexpr int kIdToDay = 1006;
  static constexpr int kIdToMonth = 1007;
  static constexpr int kIdToYear = 1009;
  static constexpr int kIdDayCaption = 1064;
  static constexpr int kIdMonthCaption = 1065;
  static constexpr int kIdYearCaption = 1066;
  // Apply is wxID_OK (1) and Cancel wxID_CANCEL (2), as in the template.

  explicit DataSavingSettings(wxWindow* parent = nullptr);

  // Fills the controls from the settings, takes the snapshot and runs the modal loop; returns
  // wxID_OK after Apply, wxID_CANCEL otherwise.
  int ShowModal() override;
  int DoModal() { return ShowModal(); }

  // The handlers, as the controls run them.
  void OnInitDialog();
  void OnOK();
  void OnCancel();
  void OnAddExtension();
  void OnRemoveExtension();
  void OnDeletedRadio(int filter);
  void OnDateKindChange();
  void OnDateComboChange();

  DpiFactors m_DpiFactors;
  CTransparentStatic* m_DeletedTitle = nullptr;
  CTransparentStatic* m_ExtensionTitle = nullptr;
  CTransparentStatic* m_DateTitle = nullptr;
  std::array<wxRadioButton*, 3> m_DeletedRadios{};
  wxTextCtrl* m_ExtensionEdit = nullptr;
  wxButton* m_AddButton = nullptr;
  wxButton* m_RemoveButton = nullptr;
  wxListBox* m_ExtensionList = nullptr;
  wxChoice* m_DateKind = nullptr;
  // From day, month, year; to day, month, year (the order of DateField).
  std::array<wxChoice*, kDateFieldCount> m_DateCombos{};
  wxStaticText* m_Between = nullptr;
  CHoverButton* m_ApplyButton = nullptr;
  CHoverButton* m_CancelButton = nullptr;

 protected:
  void OnEscape() override { OnCancel(); }
  void OnEnterKey() override;

 private:
  void ShowKindPositions();
  SettingsForm m_Form;
};
