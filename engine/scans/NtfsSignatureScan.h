// The NTFS signature scan: when the MFT cannot be trusted (a formatted volume, a lost or
// re-partitioned partition), every sector of the range g_SourceStartSector (inclusive) to
// g_SourceEndSector (exclusive) is searched for FILE records, INDX blocks and NTFS boot sectors.
// The scan then works out the MFT numbers of what it found and which file system each directory
// belongs to, and either dumps file system 1 into the folder and file lists (formatted recovery)
// or leaves the found file systems in the partition list (first pass of partition recovery).
//
// Steps, each ending early when the user stops it (the next step then runs on what was found):
//   1    the sector search into the found-file and found-directory lists (g_ScanState), a private
//        INDX list and a private boot-candidate list; then the copies of records 0 to 3 that a
//        boot sector's $MFTMirr holds are taken off the found files where that boot sector's MFT
//        holds the same records, since a copy is no second file;
//   2    directories without an MFT number take it from the INDX entries that name them;
//   3    files and the remaining directories are numbered from their neighbours in sector order;
//   4    the INDX blocks of VCN 0 are kept for the next step;
//   4.1  each boot candidate whose range holds directories whose index blocks it can find becomes
//        a PartitionRecord ("NTFS"); every directory is given a file-system number.
//
// Sector numbers of found records are 64-bit, so a record is found wherever it lies on the disk.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "engine/records/RecordList.h"
#include "engine/records/ResultRecords.h"
#include "engine/scans/ScanSource.h"
#include "engine/worker/ScanJob.h"
#include "platform/ByteOrder.h"

// Texts the scan shows.
inline constexpr std::string_view kSignatureStep1 =
    "Step 1/5 :- Searching MFTs, Index Allocations signatures. Please Wait...";
inline constexpr std::string_view kSignatureStep2 =
    "Step 2/5 :- Assigning MFT Numbers to Folders. Please Wait...  ";
inline constexpr std::string_view kSignatureStep3 =
    "Step 3/5 :- Assigning MFT Numbers to Files. Please Wait...  ";
inline constexpr std::string_view kSignatureStep41 =
    "Step 4.1/5 :- Analysing File System. Please Wait...  ";
inline constexpr std::string_view kSignatureStep41Enumerated =
    "Step 4.1/5 :- Analysing File System. Please Wait...      File System Enumerated :- ";
inline constexpr const char* kAssigningFolderNumbersFormat =
    "Assigning Folders Mft Number's : %d/%d";
inline constexpr const char* kAssigningFileNumbersFormat = "Assigning File Mft Number's : %d/%d";
inline constexpr const char* kAssigningFileSystemFormat = "Assigning File system : %d/%d";
inline constexpr std::string_view kIndexesFoundLabel = "Indexes Found               ";

// What the last signature scan met and could not use, so a caller can tell the user.
struct NtfsSignatureScanCounts {
  uint64_t sectors = 0;              // sectors searched
  uint64_t unreadableReads = 0;      // reads of step 1 that came back (partly) zero-filled
  uint64_t fileRecords = 0;          // FILE records taken
  uint64_t rejectedFileRecords = 0;  // "FILE" sectors that failed the size or check-byte test
  uint64_t fixupFailures = 0;        // FILE records whose update sequence was unusable
  uint64_t negativeSizes = 0;        // file records whose data size has its sign bit set
  uint64_t indxBlocks = 0;           // INDX blocks taken
  uint64_t rejectedIndxBlocks = 0;   // "INDX" sectors that failed the header test
  uint64_t bootSectors = 0;          // NTFS boot sectors taken
  uint64_t mirrorCopies = 0;         // $MFTMirr copies of records 0-3 taken off the found files
  uint64_t skippedCandidates = 0;    // boot sectors with a bad cluster size or sector count
};
extern NtfsSignatureScanCounts g_NtfsSignatureScanCounts;

// The scan's private lists.
struct NtfsSignatureLists {
  RecordList<IndxBlockRecord> indx;  // every INDX block taken by step 1, in sector order
  RecordList<NtfsBootCandidate> candidates;
  // Sectors of the FILE records whose header says they are record 0, 1, 2 or 3: where an MFT
  // and its mirror begin.
  std::unordered_map<uint64_t, uint32_t> firstRecords;
  void Free() {
    indx.Free();
    candidates.Free();
    firstRecords.clear();
  }
};

// An NTFS boot sector at sector t (0x55 0xAA at 510, "NTFS" at 3) as a candidate, read through
// storage/NtfsBootSector.h: sectors per cluster (offset 13); sectors per index record and per
// FILE record from the clusters-per-record bytes (68 and 64) as NtfsBootRecordSectors reads them
// for sectors of bytesPerSector (a negative value is a size in bytes, so 0xF4 is 8 sectors of 512
// bytes or 1 of 4,096), the FILE record's replaced by 2 unless it is 1, 2, 4, 6 or 8; and the
// total sectors (40), the MFT cluster (48) and the mirror's cluster (56), all 64-bit as the boot
// sector holds them. False when the sector is not such a boot sector.
bool ParseNtfsBootCandidate(bo::Bytes sector, uint64_t t, uint32_t bytesPerSector,
                            NtfsBootCandidate& out);

// The steps below read the source (device, sector size, range, geometry) from the copy the scan
// took when it started (engine/scans/ScanSource.h).

// Step 1 over the range, with its step text, progress (sector mode) and bar.
ScanEnd SearchNtfsSignatures(ScanJob& job, const ScanSource& source, NtfsSignatureLists& lists);
// After step 1: for each boot candidate, the FILE records k = 0..3 found at its mirror (boot
// sector + mirror cluster x sectors per cluster + k x sectors per FILE record) are taken off the
// found files when record k of its MFT was found at its place too. A mirror whose MFT did not
// survive keeps its records: they are then the only copies. Returns how many were taken off.
uint64_t DropMirrorCopies(const NtfsSignatureLists& lists);
// Step 2, over the INDX blocks of step 1.
ScanEnd AssignFolderMftNumbers(ScanJob& job, const ScanSource& source,
                               const NtfsSignatureLists& lists);
// Step 3.
ScanEnd AssignFileMftNumbers(ScanJob& job);
// Steps 4 and 4.1: the partition list, partitionCount, and every directory's assignedPartition.
// Without any boot candidate, the range and the geometry of the source stand for one.
ScanEnd FindNtfsFileSystems(ScanJob& job, const ScanSource& source,
                            const NtfsSignatureLists& lists);

// For each found directory D (counted i = 1, 2, ...) with range start < recordSector <= range end,
// assignedPartition 0 and an indexLcn: reads the sector at start + indexLcn x sectorsPerCluster;
// when it holds an INDX block whose header passes and whose directory id is D's directoryId,
// D's assignedPartition := partitionCount + 1 and the INDX entry of that sector is marked
// (sector kIndxMatched). Bar i x 100 / foundDirCount and "Assigning File system : i/n" follow; Stop
// ends the walk. Returns 1 when any directory was assigned, else 0.
int AssignIndxToFileSystems(ScanJob& job, const ScanSource& source,
                            RecordList<IndxBlockRecord>& indx, uint64_t start,
                            uint32_t sectorsPerCluster, uint32_t sectorsPerIndexRecord,
                            uint64_t rangeStart, uint64_t rangeEnd);

// Skips n records of the found-directory list, then gives the position (from the list's start)
// of the first record whose assignedPartition is 0, or -1 when there is none.
int64_t FirstUnassignedDirectory(uint32_t n);

// The whole scan on the calling worker thread. With a scan log loaded it reads the log's records
// instead (LoadScanLogRecords) and ends. Otherwise it clears every temporary list, the folder and
// file lists and their counts, sets chosenFileSystem := 1 and runs the steps; then, in partition
// mode, ends with PassDone; otherwise it takes the geometry of file system 1 (TakeFoundFileSystem,
// as a choice of it would) and dumps it (DumpFileSystemRecords) and ends with
// Finished (Stopped when the user stopped a step). Cancelled: the caller throws the lists away.
// Failed: no buffer for the sector search. It takes the source (engine/scans/ScanSource.h) when it
// starts.
ScanEnd NtfsSignatureScanThread(ScanJob& job);
// The same on a source taken before: the NTFS deleted-file scan hands over its own copy.
ScanEnd NtfsSignatureScan(ScanJob& job, const ScanSource& source);

// What the analysis page starts for formatted recovery and the first partition pass on NTFS: in
// partition mode g_PartitionPass += 1 first, then NtfsSignatureScanThread.
ScanEnd RunNtfsSignatureScan(ScanJob& job);

// The file system chosen for the second pass: chosenFileSystem of g_ScanState, which the
// found-file-systems page (or Load Log) sets as a number, when it names one of the
// partitionCount found file systems; else 0.
int32_t ChosenFileSystemNumber();

// The second partition pass on NTFS: dumps the chosen file system (ChosenFileSystemNumber) into the
// folder and file lists. Failed, with nothing dumped, when no found file system is chosen.
ScanEnd ChosenFileSystemThread(ScanJob& job);
