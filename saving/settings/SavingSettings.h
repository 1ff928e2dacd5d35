// What a copy writes: deleted files included, excluded or alone, an inclusion list of
// extensions, and three optional date ranges. The settings dialog edits them on the UI thread
// while no copy or size evaluation runs; the copy walk and the size walk read them. They last
// while the program runs and are not stored.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// g_DeletedFilter: 0 includes deleted files, 1 excludes them, 2 copies deleted files only.
enum class DeletedFilter : int32_t { Include = 0, Exclude = 1, DeletedOnly = 2 };
extern std::atomic<int32_t> g_DeletedFilter;

// At most this many extensions of at most this many characters, stored as typed (no dot, with
// their case), unique by exact comparison. An empty list admits every extension.
inline constexpr size_t kMaxExtensionCount = 100;
inline constexpr size_t kMaxExtensionLength = 6;
extern std::vector<std::u16string> g_ExtensionFilter;

// One range: from day, month, year; to day, month, year. All six 0 means off; a range is active
// when its to-year is not 0 and not below its from-year.
struct DateRange {
  int32_t fromDay = 0;
  int32_t fromMonth = 0;
  int32_t fromYear = 0;
  int32_t toDay = 0;
  int32_t toMonth = 0;
  int32_t toYear = 0;
};

// The three kinds in the order the globals hold them.
enum class DateKind : int32_t { Modified = 0, Accessed = 1, Created = 2 };
inline constexpr size_t kDateKindCount = 3;
extern std::array<DateRange, kDateKindCount> g_DateFilters;

// What the dialog's six date combos showed for each kind (zero-based positions).
extern std::array<std::array<int32_t, 6>, kDateKindCount> g_DateComboIndices;

// Which records a copy takes: 0 the checked ones, 1 all, 2 the unchecked ones. No control
// changes it; it stays 0.
extern std::atomic<int32_t> g_SelectionMode;

void ResetSavingSettings();
