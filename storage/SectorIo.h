// The one path by which the program reads sectors, and the writer used for disk-to-disk images.
//
// ReadSectors serves four kinds of source behind one call, chosen by the globals in
// storage/SourceGlobals.h:
//   - a virtual-disk file (g_VirtualDiskMode): the reader registered for g_VirtualDiskType;
//     sectors are always 512 bytes there, whatever g_BytesPerSector holds;
//   - the program's disk image (g_DiskImageSource): the pieces in g_SourceImageFolder;
//   - otherwise a physical disk or logical drive named like "\\.\PhysicalDrive0" or "\\.\C:",
//     opened once and kept open until another name is read (the device handle cache).
//
// Guarantees every caller can rely on:
//   - buffer must hold at least ReadSizeBytes(count) bytes; a smaller buffer reads nothing, is
//     zeroed, and the call returns 0.
//   - Every sector that was not delivered is zero-filled: never stale bytes. This holds for a start
//     past g_SourceEndSector, for sectors past the real end of the device or image, for a device
//     or piece that cannot be opened, for bad sectors that stayed unreadable or were skipped.
//   - The result is 1 only when every sector of the call was read; otherwise 0.
//   - Only the start is checked against g_SourceEndSector (when it is above 0): a run that begins
//     at or before the last sector and reaches past it is read in full.
//   - A device that reads well is read in calls of about 2 MiB. When such a call fails or comes
//     back short, its sectors are read again in runs of 40 sectors from the call's start, and when
//     a run fails the user is asked the bad-sector question through Prompts().AskBadSector()
//     unless retry all (2) or skip all (3) is already in force in g_BadSectorChoice; retry
//     re-reads the run sector by sector and zeroes what stays unreadable, skip zeroes the run. A
//     start past the device's real end is zeroed without asking.
//   - A missing image piece or an offset at or past a piece's end asks the same question and
//     retries once on retry; what is still missing is zeroed.
//   - Nothing here ever writes to the source.
//
// Reads may come from any thread; the device handle cache is safe to share. Sector numbers are
// 64-bit and relative to the start of the device or image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

// Said when a device name no longer names the disk the user chose (platform/DeviceNamespace.h):
// nothing is read from or written to the disk that took its name.
inline constexpr std::string_view kChosenDiskChangedText =
    "The selected disk has changed since it was chosen. Please select it again.";

// Bytes one call of count sectors moves in the current mode (count × 512 for a virtual disk,
// count × g_BytesPerSector otherwise); 0 when g_BytesPerSector is not a valid sector size.
uint64_t ReadSizeBytes(uint32_t count);

// Reads count sectors from startSector of devicePath into buffer. Returns 1 when every sector was
// read, 0 otherwise (see above). A count of 0 reads nothing; it gives 1 on a device or disk image
// and 0 on a virtual disk, as it always has.
int ReadSectors(std::string_view devicePath, int64_t startSector, uint32_t count,
                std::span<std::byte> buffer);

// Reads count sectors of a device or disk image in as few calls as it can, asking nothing: 1 when
// every sector was read, else 0, and then nothing in buffer may be used: the caller reads the
// range again with ReadSectors, which applies the bad-sector policy. Never zero-fills, never
// counts a sector as unread and never changes g_BadSectorChoice, so a large range can be tried
// with it first and read again in runs only where it fails. A virtual disk is not read here (0).
int ReadSectorsQuietly(std::string_view devicePath, int64_t startSector, uint32_t count,
                       std::span<std::byte> buffer);

// Writes count sectors of g_BytesPerSector bytes from data at startSector of devicePath, the
// target of a disk-to-disk image. The device is opened for exclusive writing on every call (the
// kernel refuses a mounted or held disk), written in runs of 40 sectors with a sector-by-sector
// second attempt for a failed run, synced and closed. Returns 1 only when every sector was written
// and the sync and close succeeded. Refuses (0) the device the current source is read from.
int WriteSectors(std::string_view devicePath, int64_t startSector, uint32_t count,
                 std::span<const std::byte> data);

// Writes one block of the disk-image worker: into stream at sector × g_BytesPerSector when
// g_ImageToDisk is 0, or onto g_DevicePaths[g_ImageTargetDisk] at sector when it is 1.
// context is unused. Returns 1 or 0.
int WriteImageSectors(std::span<const std::byte> data, uint32_t count, int64_t sector,
                      std::FILE* stream, void* context);

// Moves the position of stream (method SEEK_SET, SEEK_CUR or SEEK_END) and returns the new
// position, or -1 on failure.
int64_t SeekFile64(std::FILE* stream, int64_t distance, int method);

// Forgets the cached device handle (closing it), and lets the next refusal of a changed disk be
// said again. For a new choice, for tests and for the end of the program.
void ResetDeviceHandleCache();

// Sectors zero-filled by ReadSectors since the last reset, so a scan or copy can tell the user how
// much it could not read.
uint64_t ZeroFilledSectorCount();
void ResetZeroFilledSectorCount();
