// The disk-image worker: copies the source sectors g_SourceStartSector (inclusive) to
// g_SourceEndSector (exclusive) either into image files (g_ImageToDisk 0) or onto another disk
// (g_ImageToDisk 1, entry g_ImageTargetDisk of g_DevicePaths, from its sector 0).
//
// Image files, the DiskImageFolder format that the sector path reads back as a source:
//   - pieces named from g_ImagePath less its ".dmg", the piece number and ".dmg"
//     ("DiskImage0.dmg", "DiskImage1.dmg", ...; ImagePiecePath in storage/DiskImageFolder.h):
//     raw sectors in order, no header;
//   - with g_ImageMultiFile every piece but the last holds exactly ImagePieceSectors(bps) sectors
//     (2 GiB); without it piece 0 holds the whole range;
//   - "bps.dmg" beside them (4 bytes, little-endian) only when sectors are larger than 512 bytes;
//     an older one is removed otherwise; either happens only when the first piece is created, so
//     a run that writes nothing leaves an older image as it was;
//   - numbered pieces of the same name beyond the last one written are removed once the new image
//     covers the whole range, so that a piece of an older, longer image can never be read as part
//     of this one; a run that ends early leaves them;
//   - a piece that received nothing (its first write failed) is removed when it is closed.
//
// The range is read in blocks of 400 sectors (fewer for larger sectors) through ReadSectors, so
// unreadable sectors get the bad-sector question and are imaged as zeros. A block that cannot be
// written asks the copy-error question (prompts/CopyErrorPrompt.h) unless g_CopySkipAll is set:
// Abort stops at once, every other answer leaves the block out and goes on.
//
// Pieces are new files, written at their offsets and synced before they are closed; a disk target
// is synced by WriteSectors. A disk-image source is read with its own layout (one file or split),
// whatever the multi-file setting of the target.
//
// The run ends with one notice through Prompts().ViewMsgBox: "Disk Image created successfully."
// when its position reached the end, every sector was written (unreadable ones as zeros) and every
// piece was synced and closed; otherwise
// "Disk Image creation aborted." (also when it could not start, was stopped or aborted). A run
// that could not start or go on says why, and one that left sectors out says how many, in the
// observer's detail line. A cancelled run (the page went back) ends without a notice.
//
// Nothing is written to the source: a target disk that is, holds or is held by the source device,
// an image folder on the source disk or in the source image's folder, and a piece path of the
// range (or "bps.dmg") that is not a plain file (a link, a device) or is the source file are
// refused before anything is written, as is a folder that cannot take new files.
#pragma once

#include <cstdint>
#include <string>

#include "engine/worker/ScanJob.h"

inline constexpr const char* kImageCreatedText = "Disk Image created successfully.";
inline constexpr const char* kImageAbortedText = "Disk Image creation aborted.";

struct DiskImageResult {
  ScanEnd end = ScanEnd::ImageDone;  // ImageDone, or Cancelled when the page went back
  bool success = false;              // the success text was shown
  int64_t position = 0;              // next source sector when the loop ended
  uint64_t sectorsUnread = 0;        // imaged as zeros because they could not be read
  uint64_t sectorsNotWritten = 0;    // in blocks whose write failed and were left out
  int piecesCreated = 0;             // image files created (0 for a disk target)
  std::string failure;               // why the run could not start or go on; empty otherwise
};

// Sectors per read for a sector size: 400 for 512-byte sectors, 400 / (bps / 512) above.
uint32_t ImageBlockSectors(int32_t bytesPerSector);

// The worker. Reads the globals named above, reports one progress call per block through
// job.Report (sector mode 'e': sizeOrSector the sectors in the current piece or on the target,
// folders the low 32 bits of the source position, name the current piece or target label) and
// the bar (position × 100 / g_SourceEndSector), passes job.control's pause gate before every
// block, ends after the current block on Stop and at once on Cancel.
DiskImageResult DiskImageThread(ScanJob& job);

// One line for the run's detail text: why the run could not start or go on, how many sectors
// were imaged as zeros and how many were left out; empty when there is nothing to say.
std::string DiskImageRunNote(const DiskImageResult& result);
