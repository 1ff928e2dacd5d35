// The records every scan produces and every later page reads: FileRecord and FolderRecord on the
// two result lists, and the temporary records of the signature and partition scans. Field widths
// and meanings are the program's; the in-memory layout is ordered for size, not packed. Sector
// numbers are 64-bit here whatever width a stored file gives them; the scan log's writer refuses
// a value its 32-bit fields cannot hold.
//
// Records live in their list's arena (engine/records/RecordArena.h) and are freed with the whole list.
// Never delete a record, and never keep a pointer to one past the free of its list.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/records/RecordArena.h"

// A time as two 32-bit halves, in the order they were read. NTFS: a FILETIME, `first` the low
// half. FAT: `first` the DOS date word, `second` the DOS time word (0 for the access time).
struct TimeHalves {
  uint32_t first = 0;
  uint32_t second = 0;
  uint64_t AsFileTime() const { return (uint64_t{second} << 32) | first; }
  friend bool operator==(const TimeHalves&, const TimeHalves&) = default;
};

// One found file. Exactly one of the names is set: the 8-bit name (FAT short or long name as
// read) when the builder was given a non-empty one, else the UTF-16 name.
struct FileRecord {
  AnsiName ansiName;
  WideName wideName;
  FileRecord* next = nullptr;
  uint64_t size = 0;
  uint64_t locator = 0;  // sector of the FILE record (NTFS signature scan), else 0
  TimeHalves modified;
  TimeHalves created;
  TimeHalves accessed;
  uint32_t sequence = 0;  // files inserted before this one; shown as the ID
  uint32_t parentId = 0;  // sort key: NTFS parent MFT number (5 = root), FAT parent cluster (0)
  uint32_t id = 0;        // NTFS MFT record number, FAT first cluster
  uint8_t deleted = 'n';  // 'y' or 'n'
  uint8_t kind = 'F';
  uint8_t selected = 'n';  // 'y' when checked for saving
};

inline constexpr uint32_t kNtfsRootId = 5;
inline constexpr uint32_t kLostFolderId = 0x0FFFFFFF;

// One found folder. Names as in FileRecord.
struct FolderRecord {
  AnsiName ansiName;
  WideName wideName;
  FolderRecord* next = nullptr;
  uint64_t locator = 0;  // sector of the directory's FILE record (signature scan), else 0
  TimeHalves modified;
  TimeHalves created;
  TimeHalves accessed;
  uintptr_t treeItem = 0;  // the results tree's item handle; written by the tree fill only
  uint32_t parentId = 0;   // sort key; change it only through SetFolderParentInPlace
  uint32_t id = 0;         // NTFS MFT number, FAT first cluster; kLostFolderId for "Lost"
  int16_t partition = 0;   // found file system number (1, 2, ...) in partition recovery, else 0
  uint8_t deleted = 'n';
  uint8_t kind = 'D';
  uint8_t selected = 'n';

  // Kept by the folder list for its fast insertion and merge; never written elsewhere.
  uint32_t orderStamp = 0;
  FolderRecord* sameIdentityNext = nullptr;
};

// A FILE record of a file met by the NTFS signature scan.
struct FoundFileRecord {
  WideName wideName;
  FoundFileRecord* next = nullptr;
  uint64_t size = 0;
  uint64_t recordSector = 0;  // sector where the FILE record starts
  TimeHalves modified;
  TimeHalves created;
  TimeHalves accessed;
  uint32_t foundSequence = 0;  // found-file count when made
  uint32_t parentId = 0;       // parent MFT number from $FILE_NAME
  uint32_t recordNumber = 0;
  uint8_t deleted = 'n';
};

// A directory met by a sector search: an NTFS FILE record, or a FAT cluster with "." and "..".
struct FoundDirectoryRecord {
  WideName wideName;  // empty for FAT
  FoundDirectoryRecord* next = nullptr;
  uint64_t recordSector = 0;
  TimeHalves modified;
  TimeHalves created;
  TimeHalves accessed;
  uint32_t parentId = 0;
  uint32_t directoryId = 0;
  uint32_t indexLcn = 0;
  uint32_t assignedPartition = 0;
  uint8_t deleted = 'n';
};

// An NTFS boot sector met by the signature scan.
struct NtfsBootCandidate {
  NtfsBootCandidate* next = nullptr;
  uint64_t bootSector = 0;
  uint64_t totalSectors = 0;
  uint64_t mftCluster = 0;
  uint64_t mftMirrorCluster = 0;
  uint32_t sectorsPerCluster = 0;
  uint32_t sectorsPerIndexRecord = 0;
  uint32_t sectorsPerFileRecord = 0;
};

// A FAT boot sector met by the FAT partition scan.
struct FatBootCandidate {
  FatBootCandidate* next = nullptr;
  uint64_t bootSector = 0;
  uint64_t rootStart = 0;    // FAT16 first root sector; FAT32 root cluster
  uint64_t clusterBase = 0;  // sector of cluster 0
  uint64_t fat1Start = 0;
  uint64_t fat2Start = 0;
  uint64_t endSector = 0;  // one past the volume
  uint32_t fatSize = 0;
  uint32_t sectorsPerCluster = 0;
  uint32_t rootDirSectors = 0;  // FAT16; 0 for FAT32
  uint32_t reservedSectors = 0;
  std::array<char16_t, 10> typeText{};  // "FAT16" or "FAT32", zero-terminated
};

inline constexpr uint64_t kIndxMatched = UINT64_MAX;

// An INDX block met by the signature scan.
struct IndxBlockRecord {
  IndxBlockRecord* next = nullptr;
  uint64_t sector = 0;  // kIndxMatched once matched to a file system
  uint32_t directoryId = 0;
  uint32_t vcn = 0;
  uint32_t mark = 0xFFFFFFFF;
};

// A file system recognised by a partition search.
struct PartitionRecord {
  PartitionRecord* next = nullptr;
  std::array<char16_t, 10> name{};  // "NTFS", "FAT12", "FAT16", "FAT32", zero-terminated
  uint32_t clusterSize = 0;         // sectors per cluster
  uint64_t startSector = 0;
  uint64_t endSector = 0;  // one past the end
  uint32_t fatSize = 0;
  uint32_t rootDirSectors = 0;
  uint32_t reservedSectors = 0;
  uint64_t rootStart = 0;    // FAT16 first root sector; FAT32 root cluster
  uint64_t clusterBase = 0;  // sector of cluster 0
  uint64_t fat1Start = 0;
  uint64_t fat2Start = 0;
  uint32_t fileRecordSectors = 0;
  uint32_t indexRecordSectors = 0;

  std::u16string_view Name() const {
    size_t n = 0;
    while (n < name.size() && name[n]) ++n;
    return {name.data(), n};
  }
};

// Copies at most 9 units of text into a 10-unit field and terminates it.
template <size_t N>
void CopyShortText(std::array<char16_t, N>& field, std::u16string_view text) {
  field.fill(0);
  for (size_t i = 0; i < text.size() && i + 1 < N; ++i) field[i] = text[i];
}
