// The target side of one file extraction, shared by the FAT and NTFS copies: the file created in
// the target folder, the bytes written to it, what saving counts and shows, the preview's bar and
// Stop, and how the file is left when its copy ends.
//
// The rules it keeps for every file system:
//   - the file is created new under the copy's rule for a taken name, never opened through a link
//     and never truncated (TargetFolder::CreateFile);
//   - every write is cut to the file's size; bytes at or past the valid length are zeros;
//   - every write, time change and close is checked;
//   - only a file written whole gets the source's time; a file cut short (Short, Skipped, Aborted,
//     PreviewStopped) keeps its bytes and the time it was written at, so it never passes for the
//     whole file;
//   - a write that fails before any byte reached the file removes it (no empty stand-in); a later
//     failure keeps the part written;
//   - saving adds every byte written to g_CopiedBytes and takes them back when the close or the
//     time change fails (the bytes may not be on the disk; the copy must not end as complete), and
//     asks the copy-error question on a failure unless the user chose to skip every failing file;
//     a preview counts nothing and asks nothing.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "saving/extract/CopyObserver.h"
#include "saving/extract/TargetFiles.h"

class ScanControl;

// The file one copy writes.
struct ExtractTarget {
  const TargetFolder* folder = nullptr;  // where the file is created
  std::u16string_view name;              // the record's name; made safe for the target
  uint64_t size = 0;                     // bytes of the whole file
  uint64_t validBytes = UINT64_MAX;      // file bytes at or past this are written as zeros
  bool saving = true;                    // the copy walk (counting, progress); false: a preview
  ExistingName whenTaken = ExistingName::Rename;
  std::optional<timespec> modified;  // the source's time, given to a file written whole
  bool accessTimeToo = false;        // the access time becomes `modified` as well
  ScanControl* control = nullptr;    // the worker's pause gate and stop, checked before each read
};

// The target a file system's copy request names (FatCopyRequest, NtfsCopyRequest: the fields
// they share), with the source's time.
template <class Request>
ExtractTarget TargetOf(const Request& r, std::optional<timespec> modified) {
  ExtractTarget target;
  target.folder = r.folder;
  target.name = r.name;
  target.size = r.size;
  target.saving = r.saving;
  target.whenTaken = r.whenTaken;
  target.modified = modified;
  target.control = r.control;
  return target;
}

// How the copy of one file ended on the target side. The file systems' results name these alike
// (AsCopyResult).
enum class ExtractEnd {
  Written,         // the whole file, with its time
  Short,           // fewer bytes than the size: the part written is kept
  Refused,         // the name was taken and the rule said skip: nothing created
  CreateFailed,    // the file could not be created
  WriteFailed,     // a write, time change or close failed
  Skipped,         // Skip during the copy: partial file kept
  Aborted,         // Abort or the worker's stop during the copy: partial file kept
  PreviewStopped,  // the preview's Stop: partial file kept
};

class ExtractSink {
 public:
  ExtractSink(const ExtractTarget& target, CopyObserver& observer);
  ExtractSink(const ExtractSink&) = delete;
  ExtractSink& operator=(const ExtractSink&) = delete;

  // Creates the file. Nothing when it is open; otherwise how the copy ends: Refused when the rule
  // for a taken name said skip, CreateFailed when it could not be made (without a folder, too).
  std::optional<ExtractEnd> Create();

  // Before each read: waits while the worker is paused, then, when Skip, Abort or the worker's
  // stop came, ends the file (kept as written so far, Skip cleared for the next file) and says
  // how. Nothing to go on.
  std::optional<ExtractEnd> Interrupted();

  // Writes data cut to what the file still lacks (zeroing bytes past the valid length in data),
  // or leaves a hole of that many bytes (a sparse run). Nothing to go on; otherwise how the copy
  // ended: WriteFailed, or PreviewStopped once the preview's Stop was pressed.
  std::optional<ExtractEnd> Write(std::span<std::byte> data);
  std::optional<ExtractEnd> WriteHole(uint64_t bytes);

  // In a preview, between reads: ends the file once the preview's Stop was pressed (as a write
  // does). Nothing to go on.
  std::optional<ExtractEnd> PreviewStopped();

  uint64_t Written() const { return m_Written; }
  uint64_t Remaining() const { return m_Target.size - m_Written; }

  // Ends the file where the data ended: Written when it is whole, Short otherwise.
  ExtractEnd Finish();

 private:
  std::optional<ExtractEnd> Wrote(bool ok, uint64_t take);
  ExtractEnd End(ExtractEnd how);
  void ReportError() const;

  const ExtractTarget m_Target;
  CopyObserver& m_Observer;
  std::string m_SafeName;
  TargetFile m_File;
  uint64_t m_Written = 0;  // bytes of the file so far, holes included
  uint64_t m_Counted = 0;  // of them, added to g_CopiedBytes
};

// The result of a file system's copy that names the same ending.
template <class Result>
Result AsCopyResult(ExtractEnd end) {
  switch (end) {
    case ExtractEnd::Written: return Result::Written;
    case ExtractEnd::Short: return Result::Short;
    case ExtractEnd::Refused: return Result::Refused;
    case ExtractEnd::CreateFailed: return Result::CreateFailed;
    case ExtractEnd::WriteFailed: return Result::WriteFailed;
    case ExtractEnd::Skipped: return Result::Skipped;
    case ExtractEnd::Aborted: return Result::Aborted;
    case ExtractEnd::PreviewStopped: return Result::PreviewStopped;
  }
  return Result::WriteFailed;
}
