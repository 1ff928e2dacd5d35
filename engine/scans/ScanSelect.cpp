#include "engine/scans/ScanSelect.h"

#include "engine/scans/FatDeletedScan.h"
#include "engine/scans/FatFormattedScan.h"
#include "engine/scans/FatPartitionScan.h"
#include "engine/scans/NtfsDeletedScan.h"
#include "engine/scans/NtfsSignatureScan.h"
#include "engine/records/ScanState.h"

ScanThreadFn SelectScanThread(std::string_view fileSystemName) {
  const bool formatted = g_FormattedMode.load() != 0;
  const bool partition = g_PartitionMode.load() != 0;
  const int pass = g_PartitionPass.load();
  const bool ntfs = fileSystemName == "NTFS";
  const bool fat =
      fileSystemName == "FAT12" || fileSystemName == "FAT16" || fileSystemName == "FAT32";
  (void)pass;
  (void)fat;
  if (ntfs && partition && pass == 1) return ChosenFileSystemThread;
  if (ntfs && (formatted || partition)) return RunNtfsSignatureScan;
  if (ntfs && !formatted && !partition) return RunNtfsDeletedScan;
  // The scans register here as they are built:
  //   NTFS: partition pass 1 -> chosen file system; formatted or partition -> signature scan;
  //         otherwise the deleted-file scan.
  //   FAT:  partition pass 0 or 1 -> partition scan; formatted -> formatted scan; otherwise the
  //         deleted-file scan.
  if (fat && partition) return pass == 0 || pass == 1 ? FatPartitionScanThread : nullptr;
  if (fat && formatted) return FatFormattedScanThread;
  if (fat) return FatDeletedScanThread;
  return nullptr;
}
