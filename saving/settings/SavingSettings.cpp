#include "saving/settings/SavingSettings.h"

std::atomic<int32_t> g_DeletedFilter{0};
std::vector<std::u16string> g_ExtensionFilter;
std::array<DateRange, kDateKindCount> g_DateFilters{};
std::array<std::array<int32_t, 6>, kDateKindCount> g_DateComboIndices{};
std::atomic<int32_t> g_SelectionMode{0};

void ResetSavingSettings() {
  g_DeletedFilter = 0;
  g_ExtensionFilter.clear();
  g_DateFilters = {};
  g_DateComboIndices = {};
  g_SelectionMode = 0;
}
