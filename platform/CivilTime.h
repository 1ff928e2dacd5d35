// Calendar dates of the times the file systems keep, with no time zone applied (the results list
// and the saving settings' date ranges read them the same way).
#pragma once

#include <cstdint>

struct CivilTime {
  int64_t year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// An NTFS file time (100 ns units since 1601-01-01) as a proleptic Gregorian date and time.
CivilTime FromFileTime(uint64_t fileTime);
