// Writes one NTFS file of the result lists to a target folder: the data of its unnamed $DATA
// attribute, taken from the FILE record itself (resident) or from the clusters its run list names
// (following an attribute list into extension records; LZNT1-compressed data is decompressed unit
// by unit), cut to the file's size, with its modification time.
//
// What it reads from is taken once, when the copy of the file starts: the source
// g_DevicePaths[g_CurrentDevice] and its sector size, and the volume from g_VolumeGeometry
// (sectors per FILE record, sectors per cluster, the sector of cluster 0) and g_SourceEndSector.
// A record found by the deleted-file scan is read by its number through the $MFT map the scan
// built (g_MftRuns, storage/ntfs/NtfsMftMap.h); one found by the signature scan is read at its
// sector. The target side (creation, writes, counting, progress, the preview's Stop, how the file
// is left) is saving/extract/ExtractSink.h. The copy flags (prompts/CopyGlobals.h) are polled
// before every read: g_CopySkipOnce leaves this file, g_CopyAbort the whole copy; either way the
// part written stays, without the record's time.
//
// Saving (the copy walk) runs the admission step, counts the file and bytes and reports progress;
// a preview does none of that and asks no question.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/worker/ScanJob.h"
#include "saving/extract/CopyObserver.h"
#include "saving/extract/TargetFiles.h"

struct NtfsCopyRequest {
  const TargetFolder* folder = nullptr;  // where the file is created
  std::u16string_view targetText;        // the target folder as the copy page shows it
  std::u16string_view name;              // the record's name; made safe for the target
  uint64_t size = 0;
  uint32_t recordNumber = 0;  // MFT record number (FileRecord::id)
  uint64_t recordSector = 0;  // sector of the FILE record; 0: read it by its number instead
  bool saving = true;         // the copy walk (admission, counting, progress); false: a preview
  bool deleted = false;
  uint64_t modified = 0;  // the record's modification time as NTFS keeps it (UTC file time)
  ScanControl* control = nullptr;  // the worker's pause gate and stop, checked at every read
  ExistingName whenTaken = ExistingName::Rename;  // a target name taken already (the replace rule)
};

inline constexpr std::string_view kNtfsNoLayoutNotice =
    "The layout of this NTFS volume is not known (no usable boot sector was found), so its files "
    "cannot be copied.";

inline constexpr std::string_view kNtfsEncryptedNotice =
    "Some of the files are encrypted by NTFS. Their contents cannot be read without the key of the "
    "user who encrypted them, so they were not copied.";

enum class NtfsCopyResult {
  Written,       // the whole file, with its time
  Short,         // the data, or its runs within the volume's size, ran out before the size, or
                 // a compressed unit was damaged: the part before it is kept
  Refused,       // the admission step left it, or its name was taken and the rule said skip
  NotCopied,     // no usable FILE record or data attribute: nothing written
  Unsupported,   // encrypted data, or compressed in a form other than LZNT1: nothing written
  CreateFailed,  // the target could not be created (the copy-error question was asked)
  WriteFailed,   // a write, time change or close failed (asked as well)
  Skipped,       // g_CopySkipOnce during the copy: partial file kept
  Aborted,       // g_CopyAbort during the copy: partial file kept
  PreviewStopped,
};

// Copies one file: its data from extents (a sparse run is left as a hole, unread) in reads of at
// most kNtfsCopyBufferBytes, or unit by unit when it is compressed, cut to request.size; file
// bytes at or past the attribute's initialized size are written as zeros, as the file system
// reads them. Admitted files add 1 to g_CopiedFileCount, except those whose data is
// encrypted (or compressed in a form other than LZNT1), which add 1 to g_CopyUnsupportedFileCount
// instead; saving tells the user once per copy that encrypted files were left out
// (kNtfsEncryptedNotice, g_CopyEncryptedNoticed). g_CopiedBytes grows by the bytes really written
// (saving only). When the volume's layout is not known (no sectors per FILE record or per
// cluster: no usable boot sector was found) no file can be read: saving shows kNtfsNoLayoutNotice
// once per copy (g_CopyNoLayoutNoticed) and the file is NotCopied.
NtfsCopyResult CopyNtfsFile(const NtfsCopyRequest& request, CopyObserver& observer);

// Bytes of one read of the extent copy.
inline constexpr uint32_t kNtfsCopyBufferBytes = 20480;
