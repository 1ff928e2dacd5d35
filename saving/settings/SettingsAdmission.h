// The saving settings applied to one found file: the deleted filter, the extension list and the
// three date ranges. The size evaluation and the copy ask the same question, so what the one
// counts is exactly what the other writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/records/ResultRecords.h"
#include "saving/settings/SavingSettings.h"
#include "storage/FileSystemKind.h"

// g_DeletedFilter's rule: 0 takes every file, 1 refuses deleted ones, 2 refuses present ones.
bool PassesDeletedFilter(bool deleted, int32_t filter);

// The extension list's rule: an empty list takes every file; otherwise the text after the last
// '.' of the name (the whole name when it has none), cut to its first 7 characters, must equal
// an entry without regard to case.
bool PassesExtensionList(std::u16string_view name, const std::vector<std::u16string>& list);

// A day as the date ranges compare it: ((12 x year + month) x 30 + day) x 24, every month 30 days.
int64_t DateKey(int64_t year, int64_t month, int64_t day);

struct RecordDate {
  int64_t year = 0;
  int64_t month = 0;
  int64_t day = 0;
};

// The date of one of a record's times: an NTFS file time as a civil date (no time zone), a FAT
// date word from its first half.
RecordDate DateOf(const TimeHalves& time, FileSystemKind fs);

// Whether a range is on (its to-year set and not below its from-year) and, when it is, whether
// the date lies in it.
bool RangeIsActive(const DateRange& range);
bool DateInRange(const RecordDate& date, const DateRange& range);

// Every rule in the copy's order, on the current settings: date ranges (modified, created,
// accessed), then the deleted filter, then the extension list. The date ranges apply to NTFS and
// FAT volumes only; any other file system is not copied at all.
bool AdmittedBySettings(const FileRecord& file, FileSystemKind fs);
