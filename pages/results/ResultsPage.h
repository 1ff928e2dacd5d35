// The results page's texts and window size, apart from its window code.
#pragma once

#include <string_view>

#include "pages/ModePageLayout.h"

inline constexpr std::string_view kTreeFillStatus =
    "Inserting Folders / Files to tree explorer. Please wait...";
inline constexpr std::string_view kListFillStatus =
    "Inserting Folders / Files to List. Please wait...";
inline constexpr std::string_view kSelectingStatus = "Please Wait - Selecting Data";
inline constexpr std::string_view kDeselectingStatus = "Please Wait - De-Selecting Data";
inline constexpr std::string_view kResultsHint =
    "Select and Click on Save Button to recover selected data. Save Log feature will skip "
    "analysis and shows data faster at later stage.";
inline constexpr std::string_view kDeletedScanHint =
    "If you are unable to find the deleted/lost file's && folder's in the directory tree.\r\n\r\n"
    "Please choose 'Formatted Data Recovery' under Data menu.";
inline constexpr std::string_view kResultsBackQuestion = "Do you want to go back to Previous Step.";
inline constexpr std::string_view kResultsExitQuestion = "Do you want to exit.";
inline constexpr std::string_view kSwitchToFormattedQuestion =
    "Switching to Formatted data recovery for Lost files && folders. This will take long time.\r\n"
    "Are you sure you want to start this process";

// The page's window: 2360 x 1500 on a desktop reaching past 2560 x 1600 (large), the desktop
// less 100 each way when it is under 1025 pixels wide, else 1080 x 668; placed 100 right of and
// 50 below the desktop's corner.
PixelRect ResultsPageWindowRect(const DesktopRect& desktop, bool* large = nullptr);

// What Back frees, by mode: everything outside partition recovery; in partition recovery on FAT
// only the file list (the folders stay for the next file system); on NTFS nothing.
struct ListsToFree {
  bool folders = false;
  bool files = false;
};
ListsToFree ResultsBackFrees(bool partitionMode, bool fatFileSystem);
