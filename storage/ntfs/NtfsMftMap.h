// The map of $MFT itself (which record lies at which sector), the reading of FILE records through
// it, attribute lists, and the data runs of a file as the copy needs them.
//
// Record n of the MFT occupies the virtual sectors [n x R, n x R + R) of the concatenated $MFT
// runs, R being the sectors per FILE record. A record may straddle two runs (clusters smaller
// than a record); NtfsReadMftRecord reads it piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "storage/ntfs/NtfsRunList.h"

// The $MFT runs (absolute start sectors and lengths in sectors) and the sectors per record they
// were built with. Written by NtfsReadMftRunsWithAttrList before an NTFS scan, read by the scans
// and the copy.
extern constinit NtfsRunArrays g_MftRuns;
inline constinit std::vector<uint64_t>& g_MftRunStarts = g_MftRuns.starts;
inline constinit std::vector<uint64_t>& g_MftRunLengths = g_MftRuns.lengths;
extern constinit uint32_t g_MftSectorsPerRecord;
// Empties the map.
void ResetMftMap();

// Most attribute-list references one file's runs follow, and most runs of a non-resident
// attribute list.
inline constexpr size_t kNtfsAttributeListRefCapacity = 100;
inline constexpr size_t kNtfsAttributeListRunCapacity = 300;
// An attribute list longer than this is read only this far.
inline constexpr size_t kNtfsAttributeListMaxBytes = 256 * 1024;

// The first sector of record `record` in runs with R sectors per record; 0 when it lies beyond the
// runs or in a sparse run.
uint64_t NtfsVcnToSectorInRuns(uint64_t record, const NtfsRunArrays& runs, uint32_t R);
// The same through g_MftRuns and g_MftSectorsPerRecord.
uint64_t NtfsVcnToSector(uint64_t record);

// Reads record `record` (R sectors, buffer of at least R sectors' bytes) through runs. What lies
// beyond the runs or in a sparse run is zeroed. Returns 1 when every sector was read.
int NtfsReadMftRecord(std::string_view device, const NtfsRunArrays& runs, uint32_t R,
                      uint64_t record, std::span<std::byte> buffer);

// Reads R sectors at `sector` into buffer and applies the fix-up. Returns 1 when the buffer then
// holds a FILE record whose fix-up succeeded, else 0.
int NtfsReadFileRecordAt(std::string_view device, uint64_t sector, uint32_t R,
                         std::span<std::byte> buffer);

// One entry of an $ATTRIBUTE_LIST: which record holds (part of) which attribute.
struct NtfsAttributeListEntry {
  uint32_t type = 0;
  uint8_t nameLength = 0;
  uint64_t startingVcn = 0;
  uint32_t recordNumber = 0;  // low 32 bits of the MFT reference
};

// The bytes of the record's first $ATTRIBUTE_LIST: its resident value, or a non-resident one read
// through its runs (at most kNtfsAttributeListRunCapacity runs and kNtfsAttributeListMaxBytes)
// into `storage`, which the result then views. Empty when the record has none.
bo::Bytes NtfsReadAttributeList(std::string_view device, bo::Bytes record, const NtfsVolume& volume,
                                std::vector<std::byte>& storage);

// The entries of type `type` of attribute-list bytes, in list order, at most
// kNtfsAttributeListRefCapacity.
std::vector<NtfsAttributeListEntry> NtfsAttributeListEntriesOf(bo::Bytes list, uint32_t type);

// The entries of type `type` of the record's first $ATTRIBUTE_LIST (resident, or non-resident read
// through its runs, at most kNtfsAttributeListRunCapacity runs and kNtfsAttributeListMaxBytes),
// in list order, at most kNtfsAttributeListRefCapacity. `record` is a fixed-up FILE record.
std::vector<NtfsAttributeListEntry> NtfsCollectAttributeListEntries(std::string_view device,
                                                                    bo::Bytes record,
                                                                    const NtfsVolume& volume,
                                                                    uint32_t type);

// The runs of the unnamed $DATA of the file whose FILE record lies at recordSector, in VCN order,
// following its $ATTRIBUTE_LIST into extension records (located through g_MftRuns; an extension
// record counts only when its base reference names this record). runs is cleared first. R is the
// sectors per FILE record. For the copy (with g_MftRuns built by the scan).
NtfsRunListEnd NtfsReadMftRuns(std::string_view device, uint64_t recordSector, uint32_t R,
                               const NtfsVolume& volume, NtfsRunArrays& runs);

// The same for FILE record `recordNumber`, which the caller has read and fixed up already (a
// record found by the deleted-file scan is read by its number: NtfsReadMftRecord(device,
// g_MftRuns, R, id, buffer), then ApplyUpdateSequenceFixup; one found by the signature scan lies
// at its locator sector).
NtfsRunListEnd NtfsReadDataRuns(std::string_view device, bo::Bytes record, uint32_t recordNumber,
                                uint32_t R, const NtfsVolume& volume, NtfsRunArrays& runs);

// Builds g_MftRuns for the volume whose record 0 lies at mftStartSector:
//   1. from record 5 (the root), when it is a FILE record, the runs of its $INDEX_ALLOCATION;
//   2. from record 0, when it is a FILE record, the runs of its unnamed $DATA, which replace them,
//      following record 0's attribute list through the runs known so far.
// A damaged record 5 does not stop step 2. Runs of step 2 that together claim more sectors than
// the volume holds are left out from the first that does. mftStartSector 0 (no $MFT found) leaves
// the map empty. Returns the run count.
size_t NtfsReadMftRunsWithAttrList(std::string_view device, const NtfsVolume& volume,
                                   uint64_t mftStartSector, uint32_t R);
