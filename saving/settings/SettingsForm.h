// The rules of the saving-settings dialog without a window: the deleted-data choice, the
// extension list with its limits and messages, the six date combos of each date kind, and the
// snapshot that Cancel restores.
//
// The dialog edits the live settings (a radio button or a date combo takes effect at once), so a
// form is opened when the dialog opens and either applied or cancelled when it closes:
//
//   SettingsForm form;
//   form.Open();                      // combo positions and the snapshot
//   form.AddExtension(u"jpg");        // kExtensionAdded, or a refusal with its message
//   form.SetPositions({0, 5, 51, 29, 5, 51});   // the selected kind: 01/06/2021 - 30/06/2021
//   form.Cancel();                    // everything back as it was at Open
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "saving/settings/SavingSettings.h"

// What an attempt to add an extension came to.
enum class ExtensionAdd {
  Added,
  Empty,  // nothing typed: nothing happens and nothing is shown
  TooMany,
  TooLong,
  LeadingBlank,
  HasDot,
  HasStar,
  Duplicate,
};

// The notice shown for a refusal; empty for Added and Empty.
std::string_view ExtensionAddMessage(ExtensionAdd result);

// The edit is read up to this many UTF-16 units, as the edit control holds them.
inline constexpr size_t kExtensionEditLimit = 40;

// The six date combos of one kind, in this order.
enum class DateField : int { FromDay = 0, FromMonth, FromYear, ToDay, ToMonth, ToYear };
inline constexpr size_t kDateFieldCount = 6;
using DatePositions = std::array<int32_t, kDateFieldCount>;

// Entries of the combos: days "01".."31", months "01".."12", years "1970".."2030".
inline constexpr int32_t kFirstComboYear = 1970;
inline constexpr int32_t kLastComboYear = 2030;
int32_t ComboEntryCount(DateField field);
std::vector<std::string> ComboTexts(DateField field);

// The whole span 01/01/1970 - 31/12/2030, which means "no range".
inline constexpr DatePositions kWholeSpanPositions = {0, 0, 0, 30, 11, 60};

// The date-kind combo lists "Modified Date", "Created Date", "Accessed Date", in that order,
// while the settings hold modified, accessed, created.
inline constexpr size_t kDateKindComboCount = 3;
std::string_view DateKindText(int comboIndex);
DateKind DateKindAt(int comboIndex);

class SettingsForm {
 public:
  // Sets every kind's combo positions from its range and takes the snapshot of every setting.
  // A range in force is shown as it is; a kind without one shows the whole span.
  void Open();

  // The radio buttons: 0 include deleted files, 1 exclude them, 2 deleted files only. Other
  // values are refused (returns false).
  bool SetDeletedFilter(int32_t filter);
  int32_t DeletedFilter() const;

  // The list newest first, as the list box shows it.
  const std::vector<std::u16string>& Extensions() const;
  // Checks the typed text (read up to kExtensionEditLimit units) in the dialog's order and adds
  // it at the top of the list when it passes.
  ExtensionAdd AddExtension(std::u16string_view typed);
  // Removes the entry with exactly this text; false when there is none.
  bool RemoveExtension(std::u16string_view entry);

  // The date kind shown (index into the kind combo) and its six combo positions.
  void SelectKind(int comboIndex);
  int SelectedKind() const { return m_KindIndex; }
  DatePositions Positions() const;
  // A change of any of the six combos: stores the positions for the selected kind and sets its
  // range (off for the whole span). Positions outside a combo's entries are refused (false) and
  // change nothing.
  bool SetPositions(const DatePositions& positions);

  // Apply keeps the settings as they are now; Cancel (also Esc and the close box) restores the
  // snapshot taken by Open.
  void Apply() {}
  void Cancel();

 private:
  struct Snapshot {
    int32_t fatCopySelector = 0;
    std::vector<std::u16string> extensions;
    int32_t deletedFilter = 0;
    int32_t selectionMode = 0;
    std::array<DateRange, kDateKindCount> ranges{};
    std::array<std::array<int32_t, 6>, kDateKindCount> positions{};
  };
  Snapshot m_Snapshot;
  int m_KindIndex = 0;
};
