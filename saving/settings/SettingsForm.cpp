#include "saving/settings/SettingsForm.h"

#include <algorithm>
#include <cstdio>

#include "saving/extract/FatFileCopy.h"

namespace {

size_t KindSlot(DateKind kind) {
  return static_cast<size_t>(kind);
}

bool IsOff(const DateRange& r) {
  return r.fromDay == 0 && r.fromMonth == 0 && r.fromYear == 0 && r.toDay == 0 && r.toMonth == 0 &&
         r.toYear == 0;
}

int32_t ClampPosition(int32_t position, DateField field) {
  return std::clamp<int32_t>(position, 0, ComboEntryCount(field) - 1);
}

// The combo positions that show a range in force: day and month one below their value, the year
// counted from 1970, each kept inside its combo's entries.
DatePositions PositionsOf(const DateRange& r) {
  const int32_t values[kDateFieldCount] = {
      r.fromDay - 1, r.fromMonth - 1, r.fromYear - kFirstComboYear,
      r.toDay - 1,   r.toMonth - 1,   r.toYear - kFirstComboYear};
  DatePositions positions{};
  for (size_t i = 0; i < kDateFieldCount; ++i)
    positions[i] = ClampPosition(values[i], static_cast<DateField>(i));
  return positions;
}

DateRange RangeOf(const DatePositions& p) {
  if (p == kWholeSpanPositions) return {};
  return {p[0] + 1, p[1] + 1, p[2] + kFirstComboYear, p[3] + 1, p[4] + 1, p[5] + kFirstComboYear};
}

}  // namespace

std::string_view ExtensionAddMessage(ExtensionAdd result) {
  switch (result) {
    case ExtensionAdd::TooMany:
      return "Cannot add more extensions.";
    case ExtensionAdd::TooLong:
      // Six characters are accepted; the notice has always said four.
      return "Extension should not exceed more than 4 characters.";
    case ExtensionAdd::LeadingBlank:
      return "Extension should not contain blank space.";
    case ExtensionAdd::HasDot:
      return "Do not include \".\" (DOT) in extension. Enter extensions like this : "
             "tmp,html,bak etc..";
    case ExtensionAdd::HasStar:
      return "Do not include \"*\" in extension. Enter extensions like this : tmp,html,bak etc..";
    case ExtensionAdd::Duplicate:
      return "This extension already exist. Enter different extension.";
    case ExtensionAdd::Added:
    case ExtensionAdd::Empty:
      break;
  }
  return {};
}

int32_t ComboEntryCount(DateField field) {
  switch (field) {
    case DateField::FromDay:
    case DateField::ToDay:
      return 31;
    case DateField::FromMonth:
    case DateField::ToMonth:
      return 12;
    case DateField::FromYear:
    case DateField::ToYear:
      return kLastComboYear - kFirstComboYear + 1;
  }
  return 0;
}

std::vector<std::string> ComboTexts(DateField field) {
  const bool year = field == DateField::FromYear || field == DateField::ToYear;
  std::vector<std::string> texts;
  const int32_t count = ComboEntryCount(field);
  for (int32_t i = 0; i < count; ++i) {
    char text[8];
    if (year)
      std::snprintf(text, sizeof text, "%d", static_cast<int>(kFirstComboYear + i));
    else
      std::snprintf(text, sizeof text, "%02d", static_cast<int>(i + 1));
    texts.emplace_back(text);
  }
  return texts;
}

std::string_view DateKindText(int comboIndex) {
  static constexpr std::string_view kTexts[kDateKindComboCount] = {"Modified Date", "Created Date",
                                                                   "Accessed Date"};
  if (comboIndex < 0 || comboIndex >= static_cast<int>(kDateKindComboCount)) return {};
  return kTexts[comboIndex];
}

DateKind DateKindAt(int comboIndex) {
  switch (comboIndex) {
    case 1:
      return DateKind::Created;
    case 2:
      return DateKind::Accessed;
    default:
      return DateKind::Modified;
  }
}

void SettingsForm::Open() {
  // The combos show what is in force: a range is shown as it is (even a to-date on the 1st, in
  // January or in 1970), a kind without a range shows the whole span.
  for (size_t kind = 0; kind < kDateKindCount; ++kind) {
    const DatePositions positions =
        IsOff(g_DateFilters[kind]) ? kWholeSpanPositions : PositionsOf(g_DateFilters[kind]);
    std::copy(positions.begin(), positions.end(), g_DateComboIndices[kind].begin());
  }
  m_KindIndex = 0;
  m_Snapshot.fatCopySelector = g_FatCopySelector.load();
  m_Snapshot.extensions = g_ExtensionFilter;
  m_Snapshot.deletedFilter = g_DeletedFilter.load();
  m_Snapshot.selectionMode = g_SelectionMode.load();
  m_Snapshot.ranges = g_DateFilters;
  m_Snapshot.positions = g_DateComboIndices;
}

bool SettingsForm::SetDeletedFilter(int32_t filter) {
  if (filter < 0 || filter > 2) return false;
  g_DeletedFilter = filter;
  return true;
}

int32_t SettingsForm::DeletedFilter() const {
  return g_DeletedFilter.load();
}

const std::vector<std::u16string>& SettingsForm::Extensions() const {
  return g_ExtensionFilter;
}

ExtensionAdd SettingsForm::AddExtension(std::u16string_view typed) {
  if (g_ExtensionFilter.size() >= kMaxExtensionCount) return ExtensionAdd::TooMany;
  const std::u16string_view text = typed.substr(0, kExtensionEditLimit);
  if (text.size() > kMaxExtensionLength) return ExtensionAdd::TooLong;
  if (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
    return ExtensionAdd::LeadingBlank;
  if (text.empty()) return ExtensionAdd::Empty;
  if (text.find(u'.') != std::u16string_view::npos) return ExtensionAdd::HasDot;
  if (text.find(u'*') != std::u16string_view::npos) return ExtensionAdd::HasStar;
  if (std::find(g_ExtensionFilter.begin(), g_ExtensionFilter.end(), text) !=
      g_ExtensionFilter.end())
    return ExtensionAdd::Duplicate;
  // Newest first, as the list box shows it, so the list reads the same when the dialog opens
  // again.
  g_ExtensionFilter.insert(g_ExtensionFilter.begin(), std::u16string(text));
  return ExtensionAdd::Added;
}

bool SettingsForm::RemoveExtension(std::u16string_view entry) {
  const auto before = g_ExtensionFilter.size();
  std::erase_if(g_ExtensionFilter, [entry](const std::u16string& e) { return e == entry; });
  return g_ExtensionFilter.size() != before;
}

void SettingsForm::SelectKind(int comboIndex) {
  if (comboIndex >= 0 && comboIndex < static_cast<int>(kDateKindComboCount))
    m_KindIndex = comboIndex;
}

DatePositions SettingsForm::Positions() const {
  const auto& stored = g_DateComboIndices[KindSlot(DateKindAt(m_KindIndex))];
  DatePositions positions{};
  std::copy(stored.begin(), stored.end(), positions.begin());
  return positions;
}

bool SettingsForm::SetPositions(const DatePositions& positions) {
  for (size_t i = 0; i < kDateFieldCount; ++i) {
    if (positions[i] < 0 || positions[i] >= ComboEntryCount(static_cast<DateField>(i)))
      return false;
  }
  const size_t kind = KindSlot(DateKindAt(m_KindIndex));
  std::copy(positions.begin(), positions.end(), g_DateComboIndices[kind].begin());
  g_DateFilters[kind] = RangeOf(positions);
  return true;
}

void SettingsForm::Cancel() {
  g_FatCopySelector = m_Snapshot.fatCopySelector;
  g_ExtensionFilter = m_Snapshot.extensions;
  g_DeletedFilter = m_Snapshot.deletedFilter;
  g_SelectionMode = m_Snapshot.selectionMode;
  g_DateFilters = m_Snapshot.ranges;
  g_DateComboIndices = m_Snapshot.positions;
}
