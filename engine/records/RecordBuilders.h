// The builders every scan and the scan-log reader use to make records. Names are copied; the
// caller keeps its strings. When memory runs out a builder shows "Out Of Memory" and the program
// ends; a builder returns nullptr only when a test stopped that exit.
//
// The result-list builders work on g_ScanState's folder and file lists; the appending builders
// take the list to append to (the global found lists, or a scan's private lists).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "engine/records/RecordList.h"
#include "engine/records/ResultRecords.h"

struct NewFile {
  std::string_view ansiName{};     // stored when not empty
  std::u16string_view wideName{};  // stored otherwise (possibly empty)
  uint8_t deleted = 'n';
  uint64_t size = 0;
  uint32_t parentId = 0;
  uint32_t id = 0;
  uint64_t locator = 0;
  TimeHalves modified{};
  TimeHalves created{};
  TimeHalves accessed{};
};

struct NewFolder {
  std::string_view ansiName{};
  std::u16string_view wideName{};
  uint8_t deleted = 'n';
  uint32_t parentId = 0;
  uint32_t id = 0;
  uint64_t locator = 0;
  TimeHalves modified{};
  TimeHalves created{};
  TimeHalves accessed{};
  int16_t partition = 0;
};

// Inserts a file into the file list in key order; sequence = fileCount before; fileCount += 1.
FileRecord* AddFileRecord(const NewFile& f);

// Inserts a folder in key order, or merges it into a stored folder of the same id and partition:
// a stored deleted folder takes the values of a present one in place (moving to its new key's
// place when the parent changed); any other duplicate is dropped. Folders with id 0 are appended
// at the end and never merged. folderCount += 1 only on insertion. Returns the record that holds
// the folder (the stored one on a merge or drop).
FolderRecord* AddFolderRecord(const NewFolder& f);

// The lost-folder stages: change a folder's parent without moving it, and take a folder off the
// list (folderCount -= 1; the record stays readable until the list is freed).
void SetFolderParentInPlace(FolderRecord& f, uint32_t parentId);
void UnlinkFolderRecord(FolderRecord& f);
// The lost-file stage: gives every file for which `moves` holds the parent parentId, in one pass.
size_t MoveFilesToParent(const std::function<bool(const FileRecord&)>& moves, uint32_t parentId);

// The first folder in list order with this id and partition, or nullptr.
FolderRecord* FindFolderRecord(uint32_t id, int16_t partition);

// Replaces the name that is set (a rename on the results page), copying it into the list.
void RenameFileRecord(FileRecord& f, std::u16string_view wide, std::string_view ansi);
void RenameFolderRecord(FolderRecord& f, std::u16string_view wide, std::string_view ansi);

struct NewFoundFile {
  std::u16string_view wideName{};
  uint8_t deleted = 'n';
  uint64_t size = 0;
  uint32_t parentId = 0;
  uint32_t recordNumber = 0;
  uint64_t recordSector = 0;
  TimeHalves modified{};
  TimeHalves created{};
  TimeHalves accessed{};
};

struct NewFoundDirectory {
  std::u16string_view wideName{};
  uint8_t deleted = 'n';
  uint32_t parentId = 0;
  uint32_t directoryId = 0;
  uint64_t recordSector = 0;
  TimeHalves modified{};
  TimeHalves created{};
  TimeHalves accessed{};
  uint32_t indexLcn = 0;
  uint32_t assignedPartition = 0;
};

// Appends; foundSequence = foundFileCount before; foundFileCount += 1.
FoundFileRecord* AddFoundFileRecord(RecordList<FoundFileRecord>& list, const NewFoundFile& f);
// Appends; foundDirCount += 1.
FoundDirectoryRecord* AddFoundDirectoryRecordCounted(RecordList<FoundDirectoryRecord>& list,
                                                     const NewFoundDirectory& d);
// Appends without counting (the private lists of the NTFS signature scan).
FoundDirectoryRecord* AddFoundDirectoryRecord(RecordList<FoundDirectoryRecord>& list,
                                              const NewFoundDirectory& d);

// Appends; candidateCount += 1 (one count for both kinds).
NtfsBootCandidate* AddNtfsBootCandidate(RecordList<NtfsBootCandidate>& list,
                                        const NtfsBootCandidate& values);
FatBootCandidate* AddFatBootCandidate(RecordList<FatBootCandidate>& list,
                                      const FatBootCandidate& values, std::u16string_view typeText);

// Appends; indxCount += 1.
IndxBlockRecord* AddIndxBlockRecord(RecordList<IndxBlockRecord>& list, uint64_t sector,
                                    uint32_t directoryId, uint32_t vcn, uint32_t mark);

// Appends a copy of values with the name copied in (at most 9 units); counts nothing.
PartitionRecord* AddPartitionRecord(RecordList<PartitionRecord>& list,
                                    const PartitionRecord& values, std::u16string_view name);

// The record number of an NTFS system file by its exact name, 0 for any other name.
uint32_t SystemFileRecordNumber(std::u16string_view name);
