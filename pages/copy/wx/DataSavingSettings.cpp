#include "pages/copy/wx/DataSavingSettings.h"

#include <string>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "pages/PageFlow.h"
#include "prompts/UserPrompts.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/TransparentStatic.h"

namespace {

// The dark band behind each section title.
const wxColour kBandColour(0, 51, 102);

wxString FromUtf16(const std::u16string& text) {
  std::wstring wide;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      wide.push_back(
          static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
      ++i;
    } else {
      wide.push_back(static_cast<wchar_t>(unit));
    }
  }
  return wxString(wide);
}

// The edit's text in UTF-16 units, so that the length limit counts what the settings store.
std::u16string ToUtf16(const wxString& text) {
  std::u16string out;
  for (wxUniChar c : text) {
    const char32_t cp = c.GetValue();
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

}  // namespace

DataSavingSettings::DataSavingSettings(wxWindow* parent)
    : CLookDialog(parent, 246, 282, /*stayOnTop=*/false, /*enterResult=*/wxID_OK,
                  /*escapeResult=*/wxID_CANCEL) {
  // Template 135: three sections, each under a dark band with its title in white.
  auto section = [this](int y, int id, const char* title) {
    const wxRect bandRect = Dlu(0, y, 246, 14);
    wxWindow* band = new wxWindow(this, wxID_ANY, bandRect.GetPosition(), bandRect.GetSize());
    band->SetBackgroundColour(kBandColour);
    const wxRect titleRect = Dlu(8, 2, 230, 10);
    auto* label =
        new CTransparentStatic(band, id, title, titleRect.GetPosition(), titleRect.GetSize());
    label->SetForegroundColour(*wxWHITE);
    wxFont font = label->GetFont();
    font.SetWeight(wxFONTWEIGHT_BOLD);
    label->SetFont(font);
    return label;
  };

  m_DeletedTitle = section(0, kIdDeletedTitle, "Deleted Data");
  struct RadioSpec {
    int id;
    const char* text;
    int y;
  };
  const RadioSpec radios[] = {
      {kIdIncludeDeleted, "Include Deleted Data Files", 20},
      {kIdExcludeDeleted, "Exclude  Deleted Data Files", 33},
      {kIdDeletedOnly, "Recover Deleted Data Files Only", 46},
  };
  for (int i = 0; i < 3; ++i) {
    const wxRect r = Dlu(16, radios[i].y, 200, 11);
    m_DeletedRadios[i] = new wxRadioButton(this, radios[i].id, radios[i].text, r.GetPosition(),
                                           r.GetSize(), i == 0 ? wxRB_GROUP : 0);
    m_DeletedRadios[i]->Bind(wxEVT_RADIOBUTTON, [this, i](wxCommandEvent&) { OnDeletedRadio(i); });
  }

  m_ExtensionTitle = section(62, kIdExtensionTitle, "Add Extensions (Ex. XLS etc...)");
  const wxRect edit = Dlu(16, 94, 80, 14);
  m_ExtensionEdit = new wxTextCtrl(this, kIdExtensionEdit, wxString(), edit.GetPosition(),
                                   wxSize(edit.GetWidth(), -1));
  m_ExtensionEdit->SetMaxLength(kExtensionEditLimit);
  const wxRect add = Dlu(104, 84, 32, 15);
  m_AddButton = new wxButton(this, kIdAddExtension, "&>>", add.GetPosition(), add.GetSize());
  const wxRect remove = Dlu(104, 104, 32, 15);
  m_RemoveButton =
      new wxButton(this, kIdRemoveExtension, "<<", remove.GetPosition(), remove.GetSize());
  const wxRect list = Dlu(146, 82, 84, 50);
  m_ExtensionList = new wxListBox(this, kIdExtensionList, list.GetPosition(), list.GetSize(), 0,
                                  nullptr, wxLB_SINGLE | wxLB_NEEDED_SB);
  m_AddButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnAddExtension(); });
  m_RemoveButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnRemoveExtension(); });

  m_DateTitle = section(142, kIdDateTitle, "Date Range Selection");
  const wxRect kind = Dlu(16, 162, 96, 14);
  m_DateKind = new wxChoice(this, kIdDateKind, kind.GetPosition(), wxSize(kind.GetWidth(), -1));
  for (int k = 0; k < static_cast<int>(kDateKindComboCount); ++k)
    m_DateKind->Append(wxString::FromUTF8(std::string(DateKindText(k))));
  m_DateKind->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnDateKindChange(); });

  struct CaptionSpec {
    int id;
    const char* text;
    int x;
  };
  const CaptionSpec captions[] = {
      {kIdDayCaption, "Day", 56}, {kIdMonthCaption, "Month", 100}, {kIdYearCaption, "Year", 144}};
  for (const CaptionSpec& c : captions) {
    const wxRect r = Dlu(c.x + 2, 188, 40, 9);
    new wxStaticText(this, c.id, c.text, r.GetPosition(), r.GetSize());
  }
  const wxRect between = Dlu(16, 205, 38, 9);
  m_Between =
      new wxStaticText(this, kIdBetween, "Between ", between.GetPosition(), between.GetSize());
  const int comboIds[kDateFieldCount] = {kIdFromDay, kIdFromMonth, kIdFromYear,
                                         kIdToDay,   kIdToMonth,   kIdToYear};
  const int comboX[3] = {56, 100, 144};
  const int comboWidth[3] = {40, 40, 52};
  for (size_t i = 0; i < kDateFieldCount; ++i) {
    const int column = static_cast<int>(i % 3);
    const wxRect r = Dlu(comboX[column], i < 3 ? 198 : 224, comboWidth[column], 14);
    m_DateCombos[i] = new wxChoice(this, comboIds[i], r.GetPosition(), wxSize(r.GetWidth(), -1));
    for (const std::string& text : ComboTexts(static_cast<DateField>(i)))
      m_DateCombos[i]->Append(wxString::FromUTF8(text));
    m_DateCombos[i]->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnDateComboChange(); });
  }

  const wxRect apply = Dlu(120, 258, 56, 18);
  m_ApplyButton = new CHoverButton(this, wxID_OK, "&Apply", apply.GetPosition(), apply.GetSize());
  const wxRect cancel = Dlu(182, 258, 56, 18);
  m_CancelButton =
      new CHoverButton(this, wxID_CANCEL, "Cancel", cancel.GetPosition(), cancel.GetSize());
  m_ApplyButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); });
  m_CancelButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); });
}

void DataSavingSettings::OnInitDialog() {
  m_DpiFactors = ApplyDialogLook(this, {.appWindow = true}, {});
  m_ApplyButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\apply.bmp"));
  m_CancelButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\cancel.bmp"));

  m_Form.Open();
  const int filter = m_Form.DeletedFilter();
  if (filter >= 0 && filter < 3) m_DeletedRadios[filter]->SetValue(true);

  m_ExtensionList->Clear();
  for (const std::u16string& entry : m_Form.Extensions()) m_ExtensionList->Append(FromUtf16(entry));
  m_RemoveButton->Enable(m_ExtensionList->GetCount() > 0);

  m_DateKind->SetSelection(0);
  m_Form.SelectKind(0);
  ShowKindPositions();
}

int DataSavingSettings::ShowModal() {
  OnInitDialog();
  CentreOnScreen();
  m_ExtensionEdit->SetFocus();
  return CLookDialog::ShowModal();
}

void DataSavingSettings::ShowKindPositions() {
  const DatePositions positions = m_Form.Positions();
  for (size_t i = 0; i < kDateFieldCount; ++i) m_DateCombos[i]->SetSelection(positions[i]);
}

void DataSavingSettings::OnOK() {
  m_Form.Apply();
  if (IsModal()) EndModal(wxID_OK);
}

void DataSavingSettings::OnCancel() {
  m_Form.Cancel();
  if (IsModal()) EndModal(wxID_CANCEL);
}

void DataSavingSettings::OnEnterKey() {
  // Enter acts on the list button or the edit that has the focus, and applies otherwise.
  wxWindow* focus = FindFocus();
  if (focus == m_AddButton || focus == m_ExtensionEdit) {
    OnAddExtension();
  } else if (focus == m_RemoveButton) {
    OnRemoveExtension();
  } else {
    OnOK();
  }
}

void DataSavingSettings::OnAddExtension() {
  const ExtensionAdd result = m_Form.AddExtension(ToUtf16(m_ExtensionEdit->GetValue()));
  if (result == ExtensionAdd::Empty) return;
  if (result != ExtensionAdd::Added) {
    Prompts().ViewMsgBox(ExtensionAddMessage(result));
    return;
  }
  m_ExtensionList->Insert(FromUtf16(m_Form.Extensions().front()), 0);
  m_ExtensionEdit->Clear();
  m_ExtensionList->SetFocus();
  m_RemoveButton->Enable(true);
  m_ExtensionList->SetSelection(0);
}

void DataSavingSettings::OnRemoveExtension() {
  if (m_ExtensionList->IsEmpty()) {
    m_RemoveButton->Enable(false);
    return;
  }
  const int selected = m_ExtensionList->GetSelection();
  if (selected == wxNOT_FOUND) return;
  m_Form.RemoveExtension(ToUtf16(m_ExtensionList->GetString(selected)));
  m_ExtensionList->Delete(selected);
  if (m_ExtensionList->IsEmpty()) {
    m_RemoveButton->Enable(false);
  } else {
    m_ExtensionList->SetSelection(0);
  }
}

void DataSavingSettings::OnDeletedRadio(int filter) {
  m_Form.SetDeletedFilter(filter);
}

void DataSavingSettings::OnDateKindChange() {
  m_Form.SelectKind(m_DateKind->GetSelection());
  ShowKindPositions();
}

void DataSavingSettings::OnDateComboChange() {
  DatePositions positions{};
  for (size_t i = 0; i < kDateFieldCount; ++i) positions[i] = m_DateCombos[i]->GetSelection();
  // A combo without a selection cannot be set by the user; the shown positions then stay.
  if (!m_Form.SetPositions(positions)) ShowKindPositions();
}

int RunSavingSettings() {
  DataSavingSettings dialog;
  return dialog.ShowModal();
}
