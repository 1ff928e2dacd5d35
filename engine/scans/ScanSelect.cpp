#include "engine/scans/ScanSelect.h"

#include "engine/records/ScanState.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/scans/FatDeletedScan.h"
#include "engine/scans/FatFormattedScan.h"
#include "engine/scans/FatPartitionScan.h"
#include "engine/scans/NtfsDeletedScan.h"
#include "engine/scans/NtfsSignatureScan.h"

namespace {

// After Load Log the scan of the log's file system and mode reads the log's records instead of
// the disk. These stand in for the first steps of the scans whose log holds more than the lists.

// NTFS formatted or partition recovery: the log holds what the signature scan found. A log that
// could not be read fully still leaves the page to go on with what was read.
ScanEnd ReadSignatureScanLog(ScanJob& job) {
  const bool partition = g_PartitionMode.load() != 0;
  if (partition) g_PartitionPass.fetch_add(1);
  job.observer.OnStepLinesVisible(true);
  if (LoadScanLogRecords(job) == ScanEnd::Cancelled) return ScanEnd::Cancelled;
  return partition ? ScanEnd::PassDone : ScanEnd::Finished;
}

// NTFS deleted-data recovery: the log holds the final lists, whose files are read by their record
// numbers through the $MFT map; it is built from the geometry the log restored, on the source it
// restored, before the records are read.
ScanEnd ReadNtfsDeletedScanLog(ScanJob& job) {
  BuildMftMap();
  return LoadScanLogRecords(job);
}

// FAT partition recovery, first pass: the log holds the file systems and directories found.
ScanEnd ReadFatRangeSearchLog(ScanJob& job) {
  g_PartitionPass.store(g_PartitionPass.load() + 1);
  const ScanEnd end = LoadScanLogRecords(job);
  return end == ScanEnd::Finished || end == ScanEnd::Stopped ? ScanEnd::PassDone : end;
}

ScanThreadFn SelectLogReader(bool ntfs, bool fat, bool formatted, bool partition, int pass) {
  if (ntfs && partition && pass == 1) return ChosenFileSystemThread;
  if (ntfs && (formatted || partition)) return ReadSignatureScanLog;
  if (ntfs) return ReadNtfsDeletedScanLog;
  if (fat && partition) return pass == 0 ? ReadFatRangeSearchLog
                               : pass == 1 ? FatPartitionScanThread
                                           : nullptr;
  if (fat) return LoadScanLogRecords;
  return nullptr;
}

}  // namespace

ScanThreadFn SelectScanThread(FileSystemKind fileSystem) {
  const bool formatted = g_FormattedMode.load() != 0;
  const bool partition = g_PartitionMode.load() != 0;
  const int pass = g_PartitionPass.load();
  const bool ntfs = fileSystem == FileSystemKind::Ntfs;
  const bool fat = IsFatKind(fileSystem);
  if (g_LogLoaded.load() != 0) return SelectLogReader(ntfs, fat, formatted, partition, pass);
  //   NTFS: partition pass 1 -> chosen file system; formatted or partition -> signature scan;
  //         otherwise the deleted-file scan.
  //   FAT:  partition pass 0 or 1 -> partition scan; formatted -> formatted scan; otherwise the
  //         deleted-file scan.
  if (ntfs && partition && pass == 1) return ChosenFileSystemThread;
  if (ntfs && (formatted || partition)) return RunNtfsSignatureScan;
  if (ntfs) return RunNtfsDeletedScan;
  if (fat && partition) return pass == 0 || pass == 1 ? FatPartitionScanThread : nullptr;
  if (fat && formatted) return FatFormattedScanThread;
  if (fat) return FatDeletedScanThread;
  return nullptr;
}
