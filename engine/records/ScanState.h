// The one record that describes the current scan, read by every page: the result and temporary
// lists with their counts, the chosen file system, the volume geometry the scan works on. Plus
// the flag globals that select the kind of scan.
//
// Lists are written by one scan thread at a time (or the UI thread while a log loads) without a
// lock; pages read them only after that thread has ended. The counts and the last shown name are
// read by the progress display while the scan runs, so they are atomics / guarded.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/records/RecordList.h"
#include "engine/records/ResultLists.h"
#include "engine/records/ResultRecords.h"
#include "storage/FileSystemKind.h"

struct ScanState {
  std::array<uint32_t, 50> attrListRefs{};
  int16_t attrListRefCount = 0;

  std::atomic<uint32_t> indxCount{0};
  std::atomic<uint32_t> folderCount{0};
  std::atomic<uint32_t> fileCount{0};
  std::atomic<uint64_t> totalSize{0};
  std::atomic<uint32_t> foundFileCount{0};
  std::atomic<uint32_t> foundDirCount{0};
  std::atomic<uint32_t> candidateCount{0};
  std::atomic<uint32_t> partitionCount{0};
  std::atomic<int32_t> chosenFileSystem{0};  // 1-based found file system of the lists; 0 none

  // The result lists. folderList.head / fileList.head are the list heads; the skip indexes are
  // g_FolderSkipIndex / g_FileSkipIndex below.
  FolderList folderList;
  FileList fileList;
  uint32_t FileSkipCount() const { return static_cast<uint32_t>(fileList.skipIndex.size()); }
  uint32_t FolderSkipCount() const { return static_cast<uint32_t>(folderList.skipIndex.size()); }

  // The temporary lists of the signature and partition scans; foundFileList.tail and
  // foundDirList.tail are the found-file and found-directory tails.
  RecordList<FoundFileRecord> foundFileList;
  RecordList<FoundDirectoryRecord> foundDirList;
  RecordList<PartitionRecord> partitionList;

  // The file system the lists were scanned from (g_FileSystemName when the scan started). The
  // volume geometry has one copy, g_VolumeGeometry (storage/VolumeGeometry.h).
  FileSystemKind fileSystem = FileSystemKind::None;

  int32_t recoveryMode = 0;    // RecoveryMode: 1 deleted ... 5 create disk image
  int32_t partitionStyle = 0;  // 0 one selected volume, 1 a sector range

  // The file name last shown by the progress display (at most 259 units are kept).
  void SetLastShownName(std::u16string_view name);
  std::u16string LastShownName() const;

  // The saving settings are kept here by the saving pages (added with them).

 private:
  mutable std::mutex m_LastNameMutex;
  std::array<char16_t, 260> m_LastShownName{};
  uint32_t m_LastShownLength = 0;
};

extern constinit ScanState g_ScanState;

// The skip indexes and their rebuild thresholds, as the readers name them.
inline constinit std::vector<FileRecord*>& g_FileSkipIndex = g_ScanState.fileList.skipIndex;
inline constinit std::vector<FolderRecord*>& g_FolderSkipIndex = g_ScanState.folderList.skipIndex;
inline constinit uint32_t& g_FileSkipThreshold = g_ScanState.fileList.skipThreshold;
inline constinit uint32_t& g_FolderSkipThreshold = g_ScanState.folderList.skipThreshold;

// Flag globals that select the kind of scan (0 or 1 unless stated).
extern constinit std::atomic<int32_t> g_FormattedMode;
extern constinit std::atomic<int32_t> g_PartitionMode;
extern constinit std::atomic<int32_t> g_PartitionPass;  // 0 before the range search, 1 after
extern constinit std::atomic<int32_t> g_CreateImageMode;
extern constinit std::atomic<int32_t> g_LogLoaded;
extern constinit std::atomic<int32_t> g_TreeMode;  // CFolderTreeCtrl mode 1..5

// Freeing lists. Every worker that reads a list must have ended first.
void FreeFolderList();     // folder list, its index and folderCount
void FreeFileList();       // file list, its index, fileCount
void FreeFoundLists();     // found files and directories, their counts
void FreePartitionList();  // partition records and partitionCount

// For a dump that reads the found files once, in list order, and never again: hands the memory
// of every found file before `next` (the one it reads next) to the file list, which then grows
// into pages already touched instead of holding both lists whole. The found-file list must be
// freed (foundFileList.Free()) once the dump ends, without being walked again.
void LendFoundFileMemoryBefore(const FoundFileRecord& next);

// A scan that starts fresh (not from a log) calls this first, so nothing of an earlier or
// aborted scan mixes into its result: found lists, partition list and the indx, candidate,
// found and partition counts.
void ClearTemporaryLists();

// Frees every list and zeroes every head, tail, count and member of g_ScanState.
void ResetScanState();
// Sets the flag globals back to 0.
void ResetScanFlags();
