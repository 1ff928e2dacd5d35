// Reading a scan log's record section into the lists (the readers the scans call when a log is
// loaded, instead of reading the disk).
#pragma once

#include <cstdint>

#include "engine/worker/ScanJob.h"
#include "engine/scanlog/ScanLogSource.h"

// Walks the record section at offset to its end without building anything: the found sections
// when foundSections, then the folder and file sections. False when any count or entry does not
// fit the file, or when bytes follow the file section.
bool CheckScanLogRecords(ScanLogSource& source, uint64_t offset, bool foundSections);

// RecoveryAnalysis::LoadScanLogRecords: opens g_LogPath and reads its record section from
// g_LogRecordOffset. With ScanState::partitionStyle 1 in partition mode it reads the found
// directories and files into the global found lists (AddFoundDirectoryRecordCounted,
// AddFoundFileRecord) and then sets g_LogLoaded := 0; otherwise it reads the folder and file
// sections into the result lists (AddFolderRecord, AddFileRecord). The lists it fills are
// emptied first; every file size is added to totalSize. The placeholder file "Lost" that older
// versions put first in an NTFS file section is left out.
//
// After each entry it reports progress in size mode (through the job's throttle) and the bar at
// position x 100 / file length, and passes the job's checkpoint.
// Returns Finished; Stopped when the user stopped it (the lists hold what was read); Cancelled
// when cancelled (the caller throws the lists away); Failed after a notice: "Unable to open
// file." when the log cannot be opened, "Log file is not valid. Invalid seeking. ." when the
// section does not parse, and then the lists it fills are left empty and totalSize as it was.
ScanEnd LoadScanLogRecords(ScanJob& job);
ScanEnd LoadScanLogRecordsFrom(ScanLogSource& source, uint64_t offset, ScanJob& job);
