// The attributes of an NTFS FILE record and the finders that read names, times, sizes, attribute
// lists and the "$I30" index attributes from them. Every finder takes the record as a span; the
// span is the scan bound (the bytes the caller read). "Bounded" finders walk only the record's own
// size (NtfsOwnBound). Apply the fix-up (storage/ntfs/NtfsRecord.h) before asking any finder.
//
// Every field is read only after it is checked against the attribute's end, the bound and the
// span: a malformed record gives "not found" (0), never a read outside the buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/ByteOrder.h"

inline constexpr uint32_t kNtfsStandardInformation = 0x10;
inline constexpr uint32_t kNtfsAttributeList = 0x20;
inline constexpr uint32_t kNtfsFileNameAttribute = 0x30;
inline constexpr uint32_t kNtfsDataAttribute = 0x80;
inline constexpr uint32_t kNtfsIndexRoot = 0x90;
inline constexpr uint32_t kNtfsIndexAllocation = 0xA0;
inline constexpr uint32_t kNtfsAttributeEnd = 0xFFFFFFFF;

// $FILE_NAME namespaces.
inline constexpr uint8_t kNtfsPosixName = 0;
inline constexpr uint8_t kNtfsWin32Name = 1;
inline constexpr uint8_t kNtfsDosName = 2;
inline constexpr uint8_t kNtfsWin32AndDosName = 3;

// One attribute header found by the walk. `bytes` is the attribute itself: [offset, offset +
// length) of the record, already checked to lie within the bound.
struct NtfsAttribute {
  size_t offset = 0;
  size_t length = 0;
  uint32_t type = 0;
  uint8_t nonResident = 0;  // 0 resident, 1 non-resident, anything else is malformed
  uint8_t nameLength = 0;   // characters
  bo::Bytes bytes;

  // Resident value [value offset, + value length) when it lies within the attribute; else empty
  // with ok false.
  bo::Bytes ResidentValue(bool& ok) const;
  // True when the attribute's name is `name`. The name is where the program has always looked:
  // at 24 for a resident and at 64 for a non-resident attribute.
  bool NameIs(std::u16string_view name) const;
  // Non-resident: the run list, from the run-list offset (16 bits at 32) to the attribute's end;
  // empty when the offset does not lie within the attribute.
  bo::Bytes RunList() const;
  // Non-resident: the real size (64 bits at 48) and the first VCN the attribute maps (at 16).
  uint64_t RealSize() const { return bo::LoadLe64(bytes, 48); }
  uint64_t StartingVcn() const { return bo::LoadLe64(bytes, 16); }
};

// The attribute that starts at `offset` (as NtfsFindDataAttribute gives it), checked as the walk
// checks it; nothing when it does not lie within the span.
std::optional<NtfsAttribute> NtfsAttributeAt(bo::Bytes record, size_t offset);

// Walks the attributes that start at `start` and lie within bound (capped at the span) and calls
// fn(const NtfsAttribute&) for each until fn returns false. The walk ends at type 0 or
// 0xFFFFFFFF, a length below 16 or not below the bound, or an attribute that leaves the bound.
template <class F>
void NtfsForEachAttribute(bo::Bytes record, size_t start, size_t bound, F&& fn) {
  if (bound > record.size()) bound = record.size();
  size_t offset = start;
  while (offset < bound && bound - offset >= 16) {
    NtfsAttribute a;
    a.offset = offset;
    a.type = bo::LoadLe32(record, offset);
    if (a.type == 0 || a.type == kNtfsAttributeEnd) return;
    a.length = bo::LoadLe32(record, offset + 4);
    if (a.length < 16 || a.length >= bound || a.length > bound - offset) return;
    a.nonResident = bo::Load8(record, offset + 8);
    a.nameLength = bo::Load8(record, offset + 9);
    a.bytes = record.subspan(offset, a.length);
    if (!fn(static_cast<const NtfsAttribute&>(a))) return;
    offset += a.length;
  }
}

// The three times of $STANDARD_INFORMATION as 64-bit file times.
struct NtfsTimes {
  uint64_t modified = 0;
  uint64_t created = 0;
  uint64_t accessed = 0;
};

// A name read from $FILE_NAME (at most 255 UTF-16 units, as on disk), with the parent directory's
// MFT number (low 32 bits of its reference) and the times of the record's $STANDARD_INFORMATION.
struct NtfsFileName {
  std::array<char16_t, 256> units{};  // zero-terminated
  uint8_t length = 0;
  uint8_t nameSpace = 0;
  uint32_t parentRef = 0;
  NtfsTimes times;
  std::u16string_view View() const { return {units.data(), length}; }
};

// First unnamed $DATA (a named $DATA is stepped over): the real size (non-resident) or the value
// length (resident, when the value lies within the attribute). 1 found, 0 not.
int NtfsGetDataSize(bo::Bytes record, uint64_t& size);
int NtfsGetDataSizeBounded(bo::Bytes record, uint64_t& size);

// First unnamed $DATA: its offset, and 1 when resident, 2 when non-resident, 0 when there is none
// or its non-resident flag is neither 0 nor 1.
int NtfsFindDataAttribute(bo::Bytes record, size_t& offset);

// First $STANDARD_INFORMATION from offset `start` within the own bound; its value must hold the
// three times. 1 found (times set), 0 not (times zeroed).
int NtfsGetStandardTimes(bo::Bytes record, size_t start, NtfsTimes& times);

// The first unnamed $FILE_NAME of namespace `wanted`, with the standard times (zero when the record
// has none). Every unnamed $FILE_NAME before it must hold a whole value, else the result is 0.
int NtfsFindFileName(bo::Bytes record, NtfsFileName& out, uint8_t wanted);
int NtfsFindFileNameBounded(bo::Bytes record, NtfsFileName& out, uint8_t wanted);

// The name the program shows: the first of namespace 0, else 1, else 3, else 2, in one walk (the
// same answer as asking NtfsFindFileName for each namespace in that order). 1 found, 0 not.
int NtfsFindPreferredFileName(bo::Bytes record, NtfsFileName& out);
int NtfsFindPreferredFileNameBounded(bo::Bytes record, NtfsFileName& out);

// Applies the fix-up, then NtfsFindPreferredFileNameBounded; without a name, out holds an empty
// name and parent 0. Returns 0 exactly for the root directory's own entry (name "." and parent 5),
// else 1.
int NtfsGetPreferredFileName(std::span<std::byte> record, NtfsFileName& out);

// The MFT numbers (low 32 bits of the references) of the entries of the first resident
// $ATTRIBUTE_LIST (a non-resident one is stepped over), appended to refs[count...] in list order,
// every entry included, until refs is full. Returns the new count.
size_t NtfsCollectAttributeListRefs(bo::Bytes record, std::span<uint32_t> refs, size_t count);

// Offset of the attribute of `type` named "$I30" within limit (capped at the span), or 0: the
// non-resident one, and the resident one of at least 144 bytes.
size_t NtfsFindNonResidentI30(bo::Bytes record, uint32_t type, size_t limit);
size_t NtfsFindResidentI30(bo::Bytes record, uint32_t type, size_t limit);

// The first cluster of the non-resident $INDEX_ALLOCATION "$I30" (the first run's offset field,
// at most four bytes, unsigned), or 0.
uint32_t NtfsGetIndexAllocationLcn(bo::Bytes record, size_t limit);

// The parent reference in the first entry of the resident $INDEX_ROOT "$I30" (own bound): the
// directory that owns the index. 0 when there is none or it is 0xFFFFFFFF. The layout is fixed:
// value at attribute offset 32, first entry at value offset 32.
uint32_t NtfsGetIndexRootParentRef(bo::Bytes record);
