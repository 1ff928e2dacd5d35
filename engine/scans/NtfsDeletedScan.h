// The worker of "Deleted Data Recovery" on an NTFS volume: walks every FILE record of the MFT in
// record order and turns directories into FolderRecords and everything else into FileRecords,
// present and deleted alike; then puts folders whose parent was not found under "Lost".
//
// Inputs: g_MftRuns (built by NtfsReadMftRunsWithAttrList) and the source it takes when it starts
// (engine/scans/ScanSource.h): the copy of the volume geometry, the sector size, the end of the
// source and its device. Outputs: the folder and file lists of g_ScanState, folderCount,
// fileCount and totalSize.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/scans/LostFolders.h"
#include "engine/scans/ScanSource.h"
#include "engine/worker/ScanJob.h"

// Texts the scan shows.
inline constexpr std::string_view kNtfsSwitchToFormattedNotice =
    "Switching to Formatted data recovery for Lost files && folders. This will take long time.";
inline constexpr std::string_view kSearchingLostDirectoriesStep =
    "Searching lost directories. Please Wait...  ";

// What the last NTFS deleted-file scan skipped, so a caller can tell how much it could not use.
struct NtfsDeletedScanCounts {
  uint64_t records = 0;             // record positions walked
  uint64_t unreadable = 0;          // records with a sector ReadSectors could not read
  uint64_t fixupFailures = 0;       // FILE records whose update sequence was unusable
  uint64_t extensionRecords = 0;    // records that hold attributes of another record
  uint64_t nameless = 0;            // FILE records without a usable $FILE_NAME
  uint64_t foreignListRecords = 0;  // attribute-list records that no longer belong to the record
  uint32_t lostFolders = 0;         // folders put under "Lost" (missing parent or a parent loop)
};
extern NtfsDeletedScanCounts g_NtfsDeletedScanCounts;

// The scan itself, on the calling worker thread. When the MFT gives no folder and no file it shows
// the hand-over notice, sets g_FormattedMode and runs the signature scan on the same worker and
// the same source (NtfsSignatureScan), returning what that returns. Ends:
//   Finished  the lists are complete;
//   Stopped   the user stopped it; the lists hold what was found and are whole;
//   Cancelled the user went back; the caller throws the lists away.
ScanEnd NtfsDeletedScanThread(ScanJob& job);
// The same on a source taken before.
ScanEnd NtfsDeletedScan(ScanJob& job, const ScanSource& source);

// What the analysis page runs for deleted-data recovery on NTFS: takes the source, builds the
// $MFT map from its geometry (ClusterBaseSector, MftStartSector, SectorsPerCluster,
// SectorsPerMftRecord), then runs NtfsDeletedScan on it.
ScanEnd RunNtfsDeletedScan(ScanJob& job);

// The $MFT map (storage/ntfs/NtfsMftMap.h) of the volume the source's geometry describes, on its
// device: what the deleted-file scan walks and what the copy and the preview read a record
// through by its number. A geometry without an $MFT start leaves the map empty. Returns the run
// count. Without a source, on the current one (g_VolumeGeometry and the source globals).
size_t BuildMftMap(const ScanSource& source);
size_t BuildMftMap();

// The lost-directory stage alone (the scan's last step): every folder of partition 0 whose parent
// is neither the root (5) nor a found folder, or whose parent chain loops, gets the parent "Lost"
// and moves to the end of the list. Returns Stopped when the user stopped it (the folders visited
// so far are moved, the rest keep their parents; loops are broken in every case), Cancelled when
// cancelled, else Finished.
ScanEnd AssignLostFolders(ScanJob& job);
