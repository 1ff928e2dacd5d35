// The words and numbers of the target-path dialog, the size evaluation and the copy page, and the
// checks the path dialog makes before a copy starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view kPathDialogTitle = " Data Recovery Path Selection";
inline constexpr std::string_view kPathNote =
    "Note : Please choose different data recovery path for recovery.  ";
inline constexpr std::string_view kSelectPathCaption = "Select Data Recovery Path ";
inline constexpr std::string_view kSelectPathMessage = "Please select Data Recovery path.";
inline constexpr std::string_view kNothingSelected = "You have not selected any file/folder.";
inline constexpr std::string_view kSameDriveQuestion =
    "The target folder is on the drive being recovered. Saving there may overwrite the data you "
    "are recovering. Do you want to continue?";

inline constexpr std::string_view kSizeDialogTitle = " Evaluating Volume Size";
inline constexpr std::string_view kSizeChecking = "Checking data volume selected...";
inline constexpr std::string_view kSizeFilesCaption = "Total Files      :-";
inline constexpr std::string_view kSizeBytesCaption = "Data Size       :-";
inline constexpr std::string_view kTerminateQuestion = "Do you want to terminate this process.";

inline constexpr std::string_view kCopyHint =
    "(Selecting Hide Details will speedup data recovery speed...)";
inline constexpr std::string_view kTimeElapsedCaption = "Time Elapsed     :- ";
inline constexpr std::string_view kTimeLeftCaption = "Recovery Time Left  :-";
inline constexpr std::string_view kDataSizeCaption = "Data Size           :- ";
inline constexpr std::string_view kDataCopiedCaption = "Data Copied       :- ";
inline constexpr std::string_view kLastNameCaption = "Last Data Name :- ";
inline constexpr std::string_view kFolderNameCaption = "Folder Name      :- ";
inline constexpr std::string_view kCurrentBarCaption = "Current Data Copied :-";
inline constexpr std::string_view kOverallBarCaption = "Overall Data Copied :-";
inline constexpr std::string_view kStopCopyQuestion =
    "Do you want to stop this process. This may give you incomplete data.";
inline constexpr std::string_view kSavingAborted = "Saving aborted.";
inline constexpr std::string_view kZeroTime = "00:00:00";

// A byte count as the copy page shows it: "%.3f MB size in" up to 2^30 bytes, "%.3f GB size in"
// up to 2^40, "%.3f TB size in" above.
std::string CopySizeText(uint64_t bytes);

// Seconds as "3 Min 7 Sec".
std::string CopyTimeText(int64_t seconds);

// The free-space question for an evaluated total ("%.3f MB" up to 2^30 bytes, "%.3f GB" up to
// 2^40, "%.3f TB" above).
std::string FreeSpaceQuestion(uint64_t bytes);

// A share of a total as a bar position, 0 when the total is 0, at most 100.
int PercentOf(uint64_t part, uint64_t total);

// What the copy page's two time fields show, or nothing to keep them as they are.
struct CopyTimes {
  std::string elapsed;
  std::string left;
};
// elapsed: seconds of copying (pauses taken out). With 0 or less both read "00:00:00"; with no
// measurable rate yet nothing changes. A copy past its evaluated total has no time left.
std::optional<CopyTimes> CopyTimeTexts(int64_t elapsed, uint64_t copied, uint64_t total);

// All free bytes of the file system holding path (root's reserve included), 0 when it cannot be
// asked.
uint64_t GetDiskFreeBytes(const std::string& path);

// Whether a folder lies on the source being recovered: on the same block device, or on a
// partition of the source disk. A folder not made yet counts where its nearest existing parent
// lies. A source that is an image file is never the target's drive.
bool TargetOnSourceDrive(const std::string& targetPath, const std::string& sourceOsPath);
