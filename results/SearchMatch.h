// The search dialog's tests on one record, without a window: the name pattern, the date range and
// the size range. The dialog reads its criteria from its controls into SearchCriteria; the walk
// over the lists (results/SearchWalk.h) applies them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/records/ResultRecords.h"
#include "saving/settings/SavingSettings.h"
#include "storage/FileSystemKind.h"

// The name as the search compares it: ASCII and Latin-1 letters in upper case, other characters
// as they are. Pattern and name both go through it, so the match is blind to case.
std::u16string UpperSearchText(std::u16string_view text);

// Whether name (upper case) matches pattern (upper case): a pattern without '*' or '?' is looked
// for anywhere in the name; "*" takes every name and "*.*" every name with a dot; otherwise one
// left-to-right pass where '?' stands for one character and '*' for a run, the part before the
// first '*' compared with the start of the name and the last character with its end. The pass
// never reads outside either string and costs at most name x pattern steps.
bool MatchName(std::u16string_view name, std::u16string_view pattern);

// The search's date test on one of a record's times: NTFS file times and FAT date words, compared
// by day with the saving settings' key (30-day months). Any other file system passes; a range
// whose to-year is before its from-year takes nothing.
bool DateInRange(const TimeHalves& time, FileSystemKind fs, const DateRange& range);

// The unit combo of the size range, in its order.
enum class SizeUnit : int32_t { Bytes = 0, KB = 1, MB = 2, GB = 3 };
// A bound as typed, in bytes.
uint64_t SizeBound(uint32_t value, SizeUnit unit);
// The size test: none when to is 0; else from <= size <= to with from < to, so equal bounds take
// nothing.
bool SizeInRange(uint64_t size, uint64_t from, uint64_t to);

// Which time the date range applies to, in the combo's order.
enum class SearchDateKind : int32_t { Created = 0, Modified = 1, Accessed = 2 };

struct SearchCriteria {
  std::u16string pattern;                          // upper case (UpperSearchText)
  DeletedFilter deleted = DeletedFilter::Include;  // the three radios
  bool dateOn = false;
  SearchDateKind dateKind = SearchDateKind::Created;
  DateRange dates;
  bool sizeOn = false;  // with the size box checked no folder is listed
  uint64_t sizeFrom = 0;
  uint64_t sizeTo = 0;
};

bool PassesDeletedChoice(uint8_t deleted, DeletedFilter choice);

// The tests every listed record passes, folders and files alike: name (upperName is the
// record's name through UpperSearchText), deleted state, date.
template <class Record>
bool PassesSearch(const Record& r, std::u16string_view upperName, const SearchCriteria& c,
                  FileSystemKind fs) {
  if (!MatchName(upperName, c.pattern) || !PassesDeletedChoice(r.deleted, c.deleted)) return false;
  if (!c.dateOn) return true;
  const TimeHalves& time = c.dateKind == SearchDateKind::Modified   ? r.modified
                           : c.dateKind == SearchDateKind::Accessed ? r.accessed
                                                                    : r.created;
  return DateInRange(time, fs, c.dates);
}
