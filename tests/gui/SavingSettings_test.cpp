// The saving-settings dialog on a real display, driven through its controls: the texts and
// lists it shows, extensions added and refused with their notices, the radio buttons and date
// combos changing the settings at once, Cancel putting everything back and Apply keeping it.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>
#include <vector>

#include "PageTestFixture.h"
#include "pages/PageFlow.h"
#include "pages/copy/wx/DataSavingSettings.h"
#include "saving/settings/SavingSettings.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/TransparentStatic.h"

namespace {

using guitest::Script;
using guitest::WhenShown;
using Dialog = DataSavingSettings;

Dialog* Shown() {
  return guitest::FindShownDialog<Dialog>();
}

Script::Step OnDialog(std::function<void(Dialog&)> act) {
  return WhenShown<Dialog>(Shown, std::move(act));
}

// A step that acts later, from the dialog's own loop, so that a notice it opens does not hold up
// the script.
Script::Step Later(std::function<void(Dialog&)> act) {
  return OnDialog([act](Dialog& d) { d.CallAfter([&d, act] { act(d); }); });
}

void TypeAndAdd(Dialog& d, const wxString& text) {
  d.m_ExtensionEdit->SetValue(text);
  guitest::ClickButton(d, Dialog::kIdAddExtension);
}

void ChooseRadio(Dialog& d, int id) {
  auto* radio = dynamic_cast<wxRadioButton*>(d.FindWindow(id));
  ASSERT_NE(radio, nullptr);
  radio->SetValue(true);
  wxCommandEvent event(wxEVT_RADIOBUTTON, id);
  event.SetEventObject(radio);
  event.SetInt(1);
  radio->ProcessWindowEvent(event);
}

void Choose(wxChoice* choice, int index) {
  ASSERT_NE(choice, nullptr);
  choice->SetSelection(index);
  wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
  event.SetEventObject(choice);
  event.SetInt(index);
  choice->ProcessWindowEvent(event);
}

std::vector<std::string> ComboShows(Dialog& d) {
  std::vector<std::string> shown;
  for (wxChoice* c : d.m_DateCombos) shown.push_back(c->GetStringSelection().utf8_string());
  return shown;
}

std::vector<std::string> ListShows(Dialog& d) {
  std::vector<std::string> shown;
  for (const wxString& s : d.m_ExtensionList->GetStrings()) shown.push_back(s.utf8_string());
  return shown;
}

std::vector<std::string> Listed() {
  std::vector<std::string> out;
  for (const auto& e : g_ExtensionFilter) out.emplace_back(e.begin(), e.end());
  return out;
}

wxString LabelOf(Dialog& d, int id) {
  wxWindow* w = d.FindWindow(id);
  return w ? w->GetLabel() : wxString("<missing>");
}

// Every control lies inside the client area and no two overlap (the section titles sit on their
// bands, which are the dialog's children).
void ExpectLaidOut(Dialog& d) {
  const wxRect client(wxPoint(0, 0), d.GetClientSize());
  std::vector<wxWindow*> controls;
  for (wxWindow* w : d.GetChildren())
    if (w->IsShown()) controls.push_back(w);
  for (size_t i = 0; i < controls.size(); ++i) {
    const wxRect a = controls[i]->GetRect();
    EXPECT_TRUE(client.Contains(a)) << controls[i]->GetId() << " " << controls[i]->GetLabel();
    for (size_t j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(a.Intersects(controls[j]->GetRect()))
          << controls[i]->GetId() << " " << controls[i]->GetLabel() << " / " << controls[j]->GetId()
          << " " << controls[j]->GetLabel();
  }
}

class SavingSettingsTest : public guitest::PageTest {
 protected:
  void SetUp() override { StartPageEnvironment(); }
};

TEST_F(SavingSettingsTest, EditsTakeEffectAtOnceAndCancelPutsThemBack) {
  // What an earlier visit left.
  g_ExtensionFilter = {u"doc"};
  g_DeletedFilter = 1;
  const DateRange accessed{1, 1, 2000, 31, 12, 2000};
  g_DateFilters[static_cast<size_t>(DateKind::Accessed)] = accessed;

  Script script({
      OnDialog([](Dialog& d) {
        EXPECT_EQ(d.GetTitle(), "Software Dovrane Merrowind");
        EXPECT_EQ(LabelOf(d, Dialog::kIdDeletedTitle), "Deleted Data");
        EXPECT_EQ(LabelOf(d, Dialog::kIdExtensionTitle), "Add Extensions (Ex. XLS etc...)");
        EXPECT_EQ(LabelOf(d, Dialog::kIdDateTitle), "Date Range Selection");
        EXPECT_EQ(LabelOf(d, Dialog::kIdIncludeDeleted), "Include Deleted Data Files");
        EXPECT_EQ(LabelOf(d, Dialog::kIdExcludeDeleted), "Exclude  Deleted Data Files");
        EXPECT_EQ(LabelOf(d, Dialog::kIdDeletedOnly), "Recover Deleted Data Files Only");
        EXPECT_EQ(LabelOf(d, Dialog::kIdBetween), "Between ");
        EXPECT_EQ(LabelOf(d, Dialog::kIdDayCaption), "Day");
        EXPECT_EQ(LabelOf(d, Dialog::kIdMonthCaption), "Month");
        EXPECT_EQ(LabelOf(d, Dialog::kIdYearCaption), "Year");
        EXPECT_EQ(d.m_AddButton->GetLabel(), "&>>");
        EXPECT_EQ(d.m_RemoveButton->GetLabel(), "<<");
        EXPECT_TRUE(d.m_ApplyButton->HasStrip());
        EXPECT_TRUE(d.m_CancelButton->HasStrip());
        EXPECT_TRUE(d.m_DeletedRadios[1]->GetValue());
        EXPECT_EQ(ListShows(d), std::vector<std::string>{"doc"});
        EXPECT_TRUE(d.m_RemoveButton->IsEnabled());
        ASSERT_EQ(d.m_DateKind->GetCount(), 3u);
        EXPECT_EQ(d.m_DateKind->GetString(0), "Modified Date");
        EXPECT_EQ(d.m_DateKind->GetString(1), "Created Date");
        EXPECT_EQ(d.m_DateKind->GetString(2), "Accessed Date");
        EXPECT_EQ(d.m_DateKind->GetSelection(), 0);
        EXPECT_EQ(d.m_DateCombos[0]->GetCount(), 31u);
        EXPECT_EQ(d.m_DateCombos[4]->GetCount(), 12u);
        EXPECT_EQ(d.m_DateCombos[5]->GetCount(), 61u);
        EXPECT_EQ(ComboShows(d),
                  (std::vector<std::string>{"01", "01", "1970", "31", "12", "2030"}));
        ExpectLaidOut(d);
        const wxImage screen = guitest::Shot("saving-settings");
        ASSERT_TRUE(screen.IsOk());
        // White title text on the dark band, the dialog white below it.
        const wxColour band = guitest::PixelAt(screen, &d, wxPoint(2, 2));
        EXPECT_TRUE(guitest::Near(band, wxColour(0, 51, 102))) << band.GetAsString().utf8_string();
        EXPECT_TRUE(guitest::Near(guitest::PixelAt(screen, &d, wxPoint(4, d.GetClientSize().y - 3)),
                                  *wxWHITE, 2));
        EXPECT_EQ(d.m_DeletedTitle->GetForegroundColour(), *wxWHITE);

        TypeAndAdd(d, "docx");
        TypeAndAdd(d, "jpg");
        EXPECT_EQ(ListShows(d), (std::vector<std::string>{"jpg", "docx", "doc"}));
        EXPECT_EQ(d.m_ExtensionList->GetSelection(), 0);
        EXPECT_TRUE(d.m_ExtensionEdit->IsEmpty());
        EXPECT_EQ(Listed(), (std::vector<std::string>{"jpg", "docx", "doc"}));
      }),
      Later([](Dialog& d) { TypeAndAdd(d, "backups"); }),
      Told(),
      Later([](Dialog& d) { TypeAndAdd(d, "jpg"); }),
      Told(),
      Later([](Dialog& d) { TypeAndAdd(d, " ab"); }),
      Told(),
      OnDialog([](Dialog& d) {
        // Refused texts leave the list as it was.
        EXPECT_EQ(ListShows(d), (std::vector<std::string>{"jpg", "docx", "doc"}));
        EXPECT_EQ(Listed(), (std::vector<std::string>{"jpg", "docx", "doc"}));
        // Removing the selected entry, then the first one is selected.
        d.m_ExtensionList->SetSelection(2);
        guitest::ClickButton(d, Dialog::kIdRemoveExtension);
        EXPECT_EQ(ListShows(d), (std::vector<std::string>{"jpg", "docx"}));
        EXPECT_EQ(d.m_ExtensionList->GetSelection(), 0);
        EXPECT_EQ(Listed(), (std::vector<std::string>{"jpg", "docx"}));

        ChooseRadio(d, Dialog::kIdDeletedOnly);
        EXPECT_EQ(g_DeletedFilter.load(), 2);

        Choose(d.m_DateKind, 1);  // Created Date
        Choose(d.m_DateCombos[1], 5);
        Choose(d.m_DateCombos[2], 51);
        Choose(d.m_DateCombos[3], 29);
        Choose(d.m_DateCombos[4], 5);
        Choose(d.m_DateCombos[5], 51);
        EXPECT_EQ(ComboShows(d),
                  (std::vector<std::string>{"01", "06", "2021", "30", "06", "2021"}));
        const DateRange& created = g_DateFilters[static_cast<size_t>(DateKind::Created)];
        EXPECT_EQ(created.fromDay, 1);
        EXPECT_EQ(created.fromMonth, 6);
        EXPECT_EQ(created.fromYear, 2021);
        EXPECT_EQ(created.toDay, 30);
        EXPECT_EQ(created.toMonth, 6);
        EXPECT_EQ(created.toYear, 2021);
        // Each kind keeps its own positions.
        Choose(d.m_DateKind, 2);
        EXPECT_EQ(ComboShows(d),
                  (std::vector<std::string>{"01", "01", "2000", "31", "12", "2000"}));
        Choose(d.m_DateKind, 1);
        EXPECT_EQ(ComboShows(d),
                  (std::vector<std::string>{"01", "06", "2021", "30", "06", "2021"}));
      }),
      OnDialog([](Dialog& d) {
        // Painted with the edits, then Esc, which cancels.
        guitest::SaveScreenshot("saving-settings-edited");
        guitest::PressKey(d, WXK_ESCAPE);
      }),
  });
  EXPECT_EQ(RunSavingSettings(), wxID_CANCEL);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Told, (std::vector<std::string>{
                        "Extension should not exceed more than 4 characters.",
                        "This extension already exist. Enter different extension.",
                        "Extension should not contain blank space.",
                    }));

  // Everything as it was before the dialog opened.
  EXPECT_EQ(Listed(), std::vector<std::string>{"doc"});
  EXPECT_EQ(g_DeletedFilter.load(), 1);
  const DateRange& created = g_DateFilters[static_cast<size_t>(DateKind::Created)];
  EXPECT_EQ(created.toYear, 0);
  EXPECT_EQ(g_DateFilters[static_cast<size_t>(DateKind::Accessed)].fromYear, 2000);

  // Opened again, the created combos show their old positions.
  Script again({OnDialog([](Dialog& d) {
    EXPECT_TRUE(d.m_DeletedRadios[1]->GetValue());
    EXPECT_EQ(ListShows(d), std::vector<std::string>{"doc"});
    Choose(d.m_DateKind, 1);
    EXPECT_EQ(ComboShows(d), (std::vector<std::string>{"01", "01", "1970", "31", "12", "2030"}));
    guitest::ClickButton(d, wxID_CANCEL);
  })});
  EXPECT_EQ(RunSavingSettings(), wxID_CANCEL);
  EXPECT_TRUE(again.Finished());
}

TEST_F(SavingSettingsTest, ApplyKeepsTheEditsForTheNextCopy) {
  Script script({OnDialog([](Dialog& d) {
    EXPECT_TRUE(d.m_DeletedRadios[0]->GetValue());
    EXPECT_TRUE(d.m_ExtensionList->IsEmpty());
    EXPECT_FALSE(d.m_RemoveButton->IsEnabled());
    TypeAndAdd(d, "backup");
    EXPECT_TRUE(d.m_RemoveButton->IsEnabled());
    // The only entry removed: the filter is off again and there is nothing left to remove.
    guitest::ClickButton(d, Dialog::kIdRemoveExtension);
    EXPECT_TRUE(g_ExtensionFilter.empty());
    EXPECT_FALSE(d.m_RemoveButton->IsEnabled());
    // Enter in the edit adds what was typed; it does not close the dialog.
    d.m_ExtensionEdit->SetValue("JPG");
    d.m_ExtensionEdit->SetFocus();
    guitest::Pump(3);
    guitest::PressKey(d, WXK_RETURN);
    EXPECT_TRUE(d.IsModal());
    EXPECT_EQ(ListShows(d), std::vector<std::string>{"JPG"});
    ChooseRadio(d, Dialog::kIdExcludeDeleted);
    // Modified from 15/03/2010 to 01/07/2011, then Apply.
    Choose(d.m_DateCombos[0], 14);
    Choose(d.m_DateCombos[1], 2);
    Choose(d.m_DateCombos[2], 40);
    Choose(d.m_DateCombos[3], 0);
    Choose(d.m_DateCombos[4], 6);
    Choose(d.m_DateCombos[5], 41);
    guitest::ClickButton(d, wxID_OK);
  })});
  EXPECT_EQ(RunSavingSettings(), wxID_OK);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(Listed(), std::vector<std::string>{"JPG"});
  EXPECT_EQ(g_DeletedFilter.load(), 1);
  const DateRange& modified = g_DateFilters[static_cast<size_t>(DateKind::Modified)];
  EXPECT_EQ(modified.fromDay, 15);
  EXPECT_EQ(modified.fromMonth, 3);
  EXPECT_EQ(modified.fromYear, 2010);
  EXPECT_EQ(modified.toDay, 1);
  EXPECT_EQ(modified.toMonth, 7);
  EXPECT_EQ(modified.toYear, 2011);

  // Reopened, the range in force is what the combos show (a to-day of the 1st included), and
  // setting the whole span again turns it off.
  Script again({OnDialog([](Dialog& d) {
    EXPECT_TRUE(d.m_DeletedRadios[1]->GetValue());
    EXPECT_EQ(ComboShows(d), (std::vector<std::string>{"15", "03", "2010", "01", "07", "2011"}));
    Choose(d.m_DateCombos[0], 0);
    Choose(d.m_DateCombos[1], 0);
    Choose(d.m_DateCombos[2], 0);
    Choose(d.m_DateCombos[3], 30);
    Choose(d.m_DateCombos[4], 11);
    Choose(d.m_DateCombos[5], 60);
    guitest::ClickButton(d, wxID_OK);
  })});
  EXPECT_EQ(RunSavingSettings(), wxID_OK);
  EXPECT_TRUE(again.Finished());
  EXPECT_EQ(g_DateFilters[static_cast<size_t>(DateKind::Modified)].toYear, 0);
  EXPECT_EQ(g_DateFilters[static_cast<size_t>(DateKind::Modified)].fromYear, 0);
}

}  // namespace
