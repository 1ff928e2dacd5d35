// What the analysis page shows besides the scan's own texts: its heading, help lines, labels,
// questions and the mode, device and capacity lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/FileSystemKind.h"

inline constexpr std::string_view kAnalysisHeading = "Software Dovrane analysing. Please wait...";
inline constexpr std::string_view kImagingHelpLine =
    "Software Dovrane is creating disk image.\n"
    "Please select respective recovery mode for data recovery once imaging is completed.";
inline constexpr std::string_view kPartitionHelpLine =
    "Software Dovrane is doing deep analysis for deleted/lost/re-partitioned partitions.";
inline constexpr std::string_view kFormattedHelpLine =
    "Software Dovrane is doing deep analysis for formatted data.";
inline constexpr std::string_view kDeletedHelpLine =
    "Software Dovrane is quickly analysing for deleted files and folders.";
inline constexpr std::string_view kHideDetailsHint =
    "Selecting Hide Details will speedup data recovery analysis...";
inline constexpr std::string_view kPartitionSearchHint =
    "Selecting Hide Progress Details will improve performance.You may return to view partition";
inline constexpr std::string_view kImagingHint =
    "Selecting Hide Progress Details will improve performance.You may";

inline constexpr std::string_view kStopAnalysisQuestion =
    "Do you want to stop Recovery analysis. This may show incomplete data && you may need to run "
    "this step again.";
inline constexpr std::string_view kBackQuestion = "Do you want to go back to Previous Step.";
inline constexpr std::string_view kExitAnalysisQuestion = "Do you want to exit from Quarvel.";

// Labels of the value fields.
inline constexpr std::string_view kTimeElapsedLabel = "Time Elapsed            ";
inline constexpr std::string_view kTotalSizeLabel = "Total Size                   ";
inline constexpr std::string_view kFoldersFoundLabel = "Folders Found                ";
inline constexpr std::string_view kFilesFoundLabel = "Files Found                  ";
inline constexpr std::string_view kLastNameLabel = "Last Name                    ";
inline constexpr std::string_view kCurrentSectorLabel = "Current Sector               ";
inline constexpr std::string_view kSizeCopiedLabel = "Size Copied                  ";
inline constexpr std::string_view kIndexesFoundLabel = "Indexes Found               ";

// The help line under the step picture.
std::string_view AnalysisHelpLine(bool createImage, bool partition, int32_t pass, bool formatted);
// The hint under the progress bar: the imaging hint while imaging, the partition hint while
// partitions are searched, else the Hide Details hint.
std::string_view AnalysisHint(bool createImage, bool partition, int32_t pass);

// "Mode     :  Deleted Data Recovery" and the like, by RecoveryMode.
std::string ModeLineText(int32_t recoveryMode);

// "Device   :  PhysicalDrive0" (the device path without its leading "\\.\"), or
// "Device   :  Virtual Disk".
std::string DeviceLineText(std::string_view devicePath, bool virtualDisk);

// "Capacity :  " and (end - start) sectors in bytes, one decimal.
std::string CapacityLineText(int64_t startSector, int64_t endSector, int32_t bytesPerSector);

// The caption of the size-or-sector field for the scan the page starts; empty when the caption
// stays as it is.
std::string_view SizeLabelForScan(FileSystemKind fileSystem, bool formatted, bool partition,
                                  int32_t pass, bool logLoaded);
