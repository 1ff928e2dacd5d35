// The header of an NTFS FILE record and the update-sequence fix-up that every FILE record and
// INDX block needs before its contents can be trusted. All offsets are bytes from the record's
// start; all integers are little-endian.
//
// Two sizes bound the walks over a record:
//   - the scan size: the bytes the caller read (g_BytesPerSector x sectors per FILE record); the
//     span a caller passes IS that bound;
//   - the own size: the record's allocated-size field, sanitised by NtfsOwnRecordSize, and never
//     more than the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/ByteOrder.h"

// FILE record header fields.
inline constexpr size_t kNtfsUsaOffsetField = 4;  // 16-bit offset of the update sequence
inline constexpr size_t kNtfsUsaCountField = 6;   // 16-bit entries (sequence number + 1/sector)
inline constexpr size_t kNtfsFirstAttributeField = 20;  // 16-bit offset of the first attribute
inline constexpr size_t kNtfsFlagsField = 22;           // 16-bit: 1 in use, 2 directory
inline constexpr size_t kNtfsAllocatedSizeField = 28;   // read as 16 bits, see NtfsOwnRecordSize
inline constexpr size_t kNtfsBaseRecordField = 32;      // 64-bit base record reference; 0 = base

inline constexpr uint32_t kNtfsRootRecord = 5;
// The fix-up stride: every 512 bytes end in a copy of the sequence number, whatever the sector.
inline constexpr size_t kNtfsFixupStride = 512;

// True when the record begins with the four bytes "FILE".
bool IsNtfsFileRecord(bo::Bytes record);
// True when the block begins with "INDX".
bool IsNtfsIndxBlock(bo::Bytes block);

// The record's allocated size (16 bits at offset 28, taken as signed), replaced by 1,024 when it
// is below 512, above 16,384 or not a multiple of 512. Not capped by the span.
size_t NtfsOwnRecordSize(bo::Bytes record);
// NtfsOwnRecordSize capped at the span: the own bound of the walks.
size_t NtfsOwnBound(bo::Bytes record);

inline uint16_t NtfsRecordFlags(bo::Bytes record) {
  return bo::LoadLe16(record, kNtfsFlagsField);
}
inline uint16_t NtfsFirstAttributeOffset(bo::Bytes record) {
  return bo::LoadLe16(record, kNtfsFirstAttributeField);
}
// An extension record holds attributes that did not fit its base record; its base reference
// (64 bits at 32: record number and sequence number) is not 0. The sequence number keeps the
// reference of an extension of $MFT (record 0) from being 0.
inline bool NtfsIsExtensionRecord(bo::Bytes record) {
  return bo::LoadLe64(record, kNtfsBaseRecordField) != 0;
}
// Low 32 bits of the base record reference: the base record's number for an extension record.
inline uint32_t NtfsBaseRecordNumber(bo::Bytes record) {
  return bo::LoadLe32(record, kNtfsBaseRecordField);
}

// Restores the last two bytes of every 512-byte stride from the update sequence array.
//   - FILE records (first bytes "FILE"): the strides of the own size, capped at the span; length
//     is not used.
//   - Any other block (INDX): the strides that lie within min(length, span).
// In both cases only as many strides as the array has entries (count - 1) are restored. The
// sequence number in entry 0 is not compared with the stride tails: a torn record is restored all
// the same, as it always was.
// Returns 1 when the fix-up was applied, 0 (nothing changed) when the array is unusable: count 0,
// an offset below 8 or odd, or the array not lying wholly within the bound. Callers skip and count
// a record that fails.
int ApplyUpdateSequenceFixup(std::span<std::byte> record, size_t length);
inline int ApplyUpdateSequenceFixup(std::span<std::byte> record) {
  return ApplyUpdateSequenceFixup(record, record.size());
}
