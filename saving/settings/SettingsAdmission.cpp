#include "saving/settings/SettingsAdmission.h"

#include "engine/records/RecordName.h"
#include "platform/CivilTime.h"

namespace {

constexpr size_t kExtensionCut = 7;

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace

bool PassesDeletedFilter(bool deleted, int32_t filter) {
  if (filter == static_cast<int32_t>(DeletedFilter::DeletedOnly)) return deleted;
  if (filter == static_cast<int32_t>(DeletedFilter::Exclude)) return !deleted;
  return true;
}

bool PassesExtensionList(std::u16string_view name, const std::vector<std::u16string>& list) {
  if (list.empty()) return true;
  const size_t dot = name.rfind(u'.');
  std::u16string_view extension = dot == std::u16string_view::npos ? name : name.substr(dot + 1);
  extension = extension.substr(0, kExtensionCut);
  for (const std::u16string& entry : list)
    if (EqualNoCase(extension, entry)) return true;
  return false;
}

int64_t DateKey(int64_t year, int64_t month, int64_t day) {
  return ((12 * year + month) * 30 + day) * 24;
}

RecordDate DateOf(const TimeHalves& time, FileSystemKind fs) {
  if (fs == FileSystemKind::Ntfs) {
    const CivilTime t = FromFileTime(time.AsFileTime());
    return {t.year, t.month, t.day};
  }
  const uint32_t d = time.first & 0xFFFF;
  return {1980 + static_cast<int64_t>(d >> 9), (d >> 5) & 0x0F, d & 0x1F};
}

bool RangeIsActive(const DateRange& r) {
  return r.toYear != 0 && r.toYear >= r.fromYear;
}

bool DateInRange(const RecordDate& date, const DateRange& r) {
  if (!RangeIsActive(r)) return true;
  if (date.year < r.fromYear || date.year > r.toYear) return false;
  const int64_t key = DateKey(date.year, date.month, date.day);
  return DateKey(r.fromYear, r.fromMonth, r.fromDay) <= key &&
         key <= DateKey(r.toYear, r.toMonth, r.toDay);
}

bool AdmittedBySettings(const FileRecord& file, FileSystemKind fs) {
  if (fs != FileSystemKind::Ntfs && !IsFatKind(fs)) return false;
  const TimeHalves* const times[kDateKindCount] = {&file.modified, &file.accessed, &file.created};
  // The ranges are tested modified, created, accessed; the globals hold modified, accessed,
  // created.
  for (const DateKind kind : {DateKind::Modified, DateKind::Created, DateKind::Accessed}) {
    const auto k = static_cast<size_t>(kind);
    if (RangeIsActive(g_DateFilters[k]) && !DateInRange(DateOf(*times[k], fs), g_DateFilters[k]))
      return false;
  }
  if (!PassesDeletedFilter(file.deleted == 'y', g_DeletedFilter.load())) return false;
  return PassesExtensionList(RecordName(file), g_ExtensionFilter);
}
