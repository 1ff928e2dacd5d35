// Saving the current scan as a scan log (layout in engine/scanlog/ScanLogFormat.h). The Save Log page
// shows the file dialog and then calls SaveScanLog with the chosen path on its worker thread;
// the lists must not change while it runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ReplacingFile.h"

// The file a chosen path names: the path as given, with ".kvsl" appended unless its name already
// ends with it in any case.
std::string ScanLogFileName(std::string_view chosenPath);

// The question asked before a log replaces the existing file fileName.
std::string ScanLogReplaceQuestion(std::string_view fileName);

// True when every value the header stores fits its field and the log could be loaded again: a
// disk model of at most kMaxModelUnits units, a device entry 0 to 9, a drive letter 0 or A to
// Z, a sector size the program reads, known file-system names, sector numbers that are not
// negative, mode flags 0 or 1, a chosen file system within the partition count. A log that
// Load Log would refuse is never written.
bool ScanLogValuesFit();

// True when every sector number the sections of this style hold fits the log's 32-bit fields:
// the locators of the folders and files, the record sectors of the found lists (partition mode,
// style 1) and the cluster-0, FAT and root sectors of the found file systems (partition mode).
// The program keeps 64-bit sectors; a log that would cut one is never written.
bool ScanLogRecordsFit(uint16_t style);

// Writes the whole log of the current scan in the given style (0 or 1) to out: the header from
// the source globals, g_VolumeGeometry, g_ScanState and the flags; the partition section in
// partition mode; the found sections in partition mode with style 1; the folder and file
// sections. Returns false when a write failed or a value does not fit (nothing is cut but
// names, which keep their first 255 units).
bool WriteScanLog(FileSink& out, uint16_t style);

using FileSinkOpener = std::function<std::unique_ptr<FileSink>(const std::string& path)>;

// The work of SaveScanLogThread after its dialog. Style 0 when g_TreeMode is 2 (the results
// page), else style 1 and g_TreeMode := 5. The log is written beside the target and replaces it
// only when complete, so a failure leaves an older log as it was. Notices: an empty path gives
// "You have not selected any path. Please try again."; a value that does not fit, a file that
// cannot be created or any failed write gives "Error found while creating log file. Please try
// again." (a sector number too large for the log is such a value). When ".kvsl" had to be appended
// and that file exists, the dialog asked about another name: ScanLogReplaceQuestion is asked, and
// No leaves the file and writes nothing. Returns 1 when the log was saved (no notice then), else
// 0. `open` replaces the file creation (tests inject failures through it).
int SaveScanLog(std::string_view chosenPath);
int SaveScanLog(std::string_view chosenPath, const FileSinkOpener& open);
