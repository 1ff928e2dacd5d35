#include "storage/ntfs/NtfsAttributes.h"

#include <algorithm>

#include "storage/ntfs/NtfsRecord.h"

bo::Bytes NtfsAttribute::ResidentValue(bool& ok) const {
  ok = false;
  if (length < 24) return {};
  const size_t valueLength = bo::LoadLe32(bytes, 16);
  const size_t valueOffset = bo::LoadLe16(bytes, 20);
  if (valueOffset > length || valueLength > length - valueOffset) return {};
  ok = true;
  return bytes.subspan(valueOffset, valueLength);
}

bool NtfsAttribute::NameIs(std::u16string_view name) const {
  if (nameLength != name.size()) return false;
  const size_t at = nonResident ? 64 : 24;
  if (!bo::Fits(bytes, at, 2 * name.size())) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (bo::LoadLe16(bytes, at + 2 * i) != name[i]) return false;
  return true;
}

bo::Bytes NtfsAttribute::RunList() const {
  if (nonResident != 1 || length < 64) return {};
  const size_t at = bo::LoadLe16(bytes, 32);
  if (at >= length) return {};
  return bytes.subspan(at);
}

std::optional<NtfsAttribute> NtfsAttributeAt(bo::Bytes record, size_t offset) {
  std::optional<NtfsAttribute> found;
  NtfsForEachAttribute(record, offset, record.size(), [&](const NtfsAttribute& a) {
    found = a;
    return false;
  });
  return found;
}

namespace {

size_t FirstAttribute(bo::Bytes record) {
  return NtfsFirstAttributeOffset(record);
}

int DataSize(bo::Bytes record, size_t bound, uint64_t& size) {
  int found = 0;
  size = 0;
  NtfsForEachAttribute(record, FirstAttribute(record), bound, [&](const NtfsAttribute& a) {
    if (a.type != kNtfsDataAttribute || a.nameLength != 0) return true;
    if (a.nonResident == 1) {
      if (a.length < 56) return false;
      size = a.RealSize();
      found = 1;
    } else if (a.nonResident == 0) {
      bool ok = false;
      bo::Bytes v = a.ResidentValue(ok);
      if (ok) size = v.size(), found = 1;
    }
    return false;
  });
  return found;
}

// True when the $FILE_NAME value holds its header and its whole name.
bool WholeFileNameValue(bo::Bytes value) {
  return value.size() >= 66 && value.size() - 66 >= 2 * size_t{bo::Load8(value, 64)};
}

// Copies a value that WholeFileNameValue accepted.
void CopyFileName(bo::Bytes value, NtfsFileName& out) {
  const size_t n = bo::Load8(value, 64);
  out.parentRef = bo::LoadLe32(value, 0);
  out.nameSpace = bo::Load8(value, 65);
  out.length = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) out.units[i] = bo::LoadLe16(value, 66 + 2 * i);
  out.units[n] = 0;
}

// Walks the unnamed $FILE_NAMEs in order; fn(value, namespace) returns false to stop. Returns
// false when an attribute's value did not hold its whole name (the search then fails as a whole).
template <class F>
bool ForEachFileName(bo::Bytes record, size_t bound, F&& fn) {
  bool intact = true;
  NtfsForEachAttribute(record, FirstAttribute(record), bound, [&](const NtfsAttribute& a) {
    if (a.type != kNtfsFileNameAttribute || a.nameLength != 0) return true;
    bool ok = false;
    bo::Bytes value = a.nonResident == 0 ? a.ResidentValue(ok) : bo::Bytes{};
    if (!ok || !WholeFileNameValue(value)) {
      intact = false;
      return false;
    }
    return fn(value, bo::Load8(value, 65));
  });
  return intact;
}

int FindFileName(bo::Bytes record, size_t bound, NtfsFileName& out, uint8_t wanted) {
  out.length = 0;
  out.units[0] = 0;
  out.parentRef = 0;
  out.times = NtfsTimes{};
  const size_t first = FirstAttribute(record);
  if (first >= std::min(bound, record.size())) return 0;
  NtfsTimes times;
  NtfsGetStandardTimes(record, first, times);
  bo::Bytes found;
  const bool intact = ForEachFileName(record, bound, [&](bo::Bytes value, uint8_t ns) {
    if (ns != wanted) return true;
    found = value;
    return false;
  });
  if (!intact || found.empty()) return 0;
  CopyFileName(found, out);
  out.times = times;
  return 1;
}

int FindPreferred(bo::Bytes record, size_t bound, NtfsFileName& out) {
  out.length = 0;
  out.units[0] = 0;
  out.parentRef = 0;
  out.times = NtfsTimes{};
  const size_t first = FirstAttribute(record);
  if (first >= std::min(bound, record.size())) return 0;
  // Rank of each namespace in the order 0, 1, 3, 2; anything else is never chosen.
  constexpr int kRank[4] = {0, 1, 3, 2};
  int best = 4;
  bo::Bytes chosen;
  ForEachFileName(record, bound, [&](bo::Bytes value, uint8_t ns) {
    if (ns > 3) return true;
    if (kRank[ns] < best) {
      best = kRank[ns];
      chosen = value;
    }
    return best != 0;
  });
  // A damaged $FILE_NAME ends the search, but names met before it still count, as each
  // namespace's own search would have found them before reaching it.
  if (best == 4) return 0;
  CopyFileName(chosen, out);
  NtfsGetStandardTimes(record, first, out.times);
  return 1;
}

}  // namespace

int NtfsGetDataSize(bo::Bytes record, uint64_t& size) {
  return DataSize(record, record.size(), size);
}

int NtfsGetDataSizeBounded(bo::Bytes record, uint64_t& size) {
  return DataSize(record, NtfsOwnBound(record), size);
}

int NtfsFindDataAttribute(bo::Bytes record, size_t& offset) {
  int kind = 0;
  offset = 0;
  NtfsForEachAttribute(record, FirstAttribute(record), record.size(), [&](const NtfsAttribute& a) {
    if (a.type != kNtfsDataAttribute || a.nameLength != 0) return true;
    offset = a.offset;
    kind = a.nonResident == 0 ? 1 : a.nonResident == 1 ? 2 : 0;
    return false;
  });
  return kind;
}

int NtfsGetStandardTimes(bo::Bytes record, size_t start, NtfsTimes& times) {
  times = NtfsTimes{};
  int found = 0;
  NtfsForEachAttribute(record, start, NtfsOwnBound(record), [&](const NtfsAttribute& a) {
    if (a.type != kNtfsStandardInformation) return true;
    bool ok = false;
    bo::Bytes v = a.nonResident == 0 ? a.ResidentValue(ok) : bo::Bytes{};
    if (ok && v.size() >= 32) {
      times.created = bo::LoadLe64(v, 0);
      times.modified = bo::LoadLe64(v, 8);
      times.accessed = bo::LoadLe64(v, 24);
      found = 1;
    }
    return false;
  });
  return found;
}

int NtfsFindFileName(bo::Bytes record, NtfsFileName& out, uint8_t wanted) {
  return FindFileName(record, record.size(), out, wanted);
}

int NtfsFindFileNameBounded(bo::Bytes record, NtfsFileName& out, uint8_t wanted) {
  return FindFileName(record, NtfsOwnBound(record), out, wanted);
}

int NtfsFindPreferredFileName(bo::Bytes record, NtfsFileName& out) {
  return FindPreferred(record, record.size(), out);
}

int NtfsFindPreferredFileNameBounded(bo::Bytes record, NtfsFileName& out) {
  return FindPreferred(record, NtfsOwnBound(record), out);
}

int NtfsGetPreferredFileName(std::span<std::byte> record, NtfsFileName& out) {
  ApplyUpdateSequenceFixup(record);
  if (!NtfsFindPreferredFileNameBounded(record, out)) {
    out.length = 0;
    out.units[0] = 0;
    out.parentRef = 0;
  }
  const bool rootSelf = out.length == 1 && out.units[0] == u'.' && out.parentRef == kNtfsRootRecord;
  return rootSelf ? 0 : 1;
}

size_t NtfsCollectAttributeListRefs(bo::Bytes record, std::span<uint32_t> refs, size_t count) {
  NtfsForEachAttribute(record, FirstAttribute(record), record.size(), [&](const NtfsAttribute& a) {
    if (a.type != kNtfsAttributeList) return true;
    if (a.nonResident != 0) return true;
    bool ok = false;
    bo::Bytes list = a.ResidentValue(ok);
    if (!ok) return false;
    // Entries: type (4), length (2), ..., MFT reference at 16 (low 32 bits used).
    for (size_t at = 0; at + 24 <= list.size() && count < refs.size();) {
      const uint32_t type = bo::LoadLe32(list, at);
      if (type == 0 || type == kNtfsAttributeEnd) break;
      const size_t length = bo::LoadLe16(list, at + 4);
      refs[count++] = bo::LoadLe32(list, at + 16);
      if (length == 0 || length > list.size() - at) break;
      at += length;
    }
    return false;
  });
  return count;
}

namespace {

size_t FindI30(bo::Bytes record, uint32_t type, size_t limit, bool nonResident) {
  size_t found = 0;
  NtfsForEachAttribute(record, FirstAttribute(record), limit, [&](const NtfsAttribute& a) {
    if (a.type != type || (a.nonResident != 0) != nonResident || !a.NameIs(u"$I30")) return true;
    if (!nonResident && a.length < 144) return false;
    found = a.offset;
    return false;
  });
  return found;
}

}  // namespace

size_t NtfsFindNonResidentI30(bo::Bytes record, uint32_t type, size_t limit) {
  return FindI30(record, type, limit, true);
}

size_t NtfsFindResidentI30(bo::Bytes record, uint32_t type, size_t limit) {
  return FindI30(record, type, limit, false);
}

uint32_t NtfsGetIndexAllocationLcn(bo::Bytes record, size_t limit) {
  limit = std::min(limit, record.size());
  const size_t p = NtfsFindNonResidentI30(record, kNtfsIndexAllocation, limit);
  if (p == 0) return 0;
  const std::optional<NtfsAttribute> a = NtfsAttributeAt(record.first(limit), p);
  if (!a) return 0;
  bo::Bytes runs = a->RunList();
  if (runs.empty() || p + (a->length - runs.size()) >= limit) return 0;
  const uint8_t header = bo::Load8(runs, 0);
  if (header == 0) return 0;
  const size_t lengthBytes = header & 0x0F;
  const size_t offsetBytes = std::min<size_t>(header >> 4, 4);
  if (!bo::Fits(runs, 1 + lengthBytes, offsetBytes)) return 0;
  uint32_t lcn = 0;
  for (size_t i = 0; i < offsetBytes; ++i)
    lcn |= uint32_t{bo::Load8(runs, 1 + lengthBytes + i)} << (8 * i);
  return lcn;
}

uint32_t NtfsGetIndexRootParentRef(bo::Bytes record) {
  const size_t own = NtfsOwnBound(record);
  const size_t p = NtfsFindResidentI30(record, kNtfsIndexRoot, own);
  if (p == 0 || p + 64 >= own) return 0;
  const size_t attrEnd = p + bo::LoadLe32(record, p + 4);
  if (p + 145 > attrEnd || bo::Load8(record, p + 144) == 0) return 0;
  const uint32_t ref = bo::LoadLe32(record, p + 80);
  return ref == 0xFFFFFFFF ? 0 : ref;
}
