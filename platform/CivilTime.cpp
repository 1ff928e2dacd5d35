#include "platform/CivilTime.h"

CivilTime FromFileTime(uint64_t fileTime) {
  const auto seconds = static_cast<int64_t>(fileTime / 10000000);
  const int64_t rest = seconds % 86400;
  // Days since 1970-01-01, then the civil date of a day count.
  int64_t z = seconds / 86400 - 134774 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
          static_cast<int>(rest % 60)};
}
