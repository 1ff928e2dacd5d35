#include "storage/ntfs/NtfsRecord.h"

#include <algorithm>

namespace {

bool HasSignature(bo::Bytes b, const char (&sig)[5]) {
  if (b.size() < 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (std::to_integer<char>(b[i]) != sig[i]) return false;
  return true;
}

}  // namespace

bool IsNtfsFileRecord(bo::Bytes record) {
  return HasSignature(record, "FILE");
}
bool IsNtfsIndxBlock(bo::Bytes block) {
  return HasSignature(block, "INDX");
}

size_t NtfsOwnRecordSize(bo::Bytes record) {
  const auto size = static_cast<int16_t>(bo::LoadLe16(record, kNtfsAllocatedSizeField));
  if (size < 512 || size > 0x4000 || size % 512 != 0) return 1024;
  return static_cast<size_t>(size);
}

size_t NtfsOwnBound(bo::Bytes record) {
  return std::min(NtfsOwnRecordSize(record), record.size());
}

int ApplyUpdateSequenceFixup(std::span<std::byte> record, size_t length) {
  const bo::Bytes view(record);
  const size_t bound =
      IsNtfsFileRecord(view) ? NtfsOwnBound(view) : std::min(length, record.size());
  const size_t usa = bo::LoadLe16(view, kNtfsUsaOffsetField);
  const size_t count = bo::LoadLe16(view, kNtfsUsaCountField);
  if (count == 0 || usa < 8 || usa % 2 != 0 || usa + 2 * count > bound) return 0;
  // Entry k + 1 belongs to stride k; a stride that does not end within the bound is left alone.
  const size_t strides = std::min(count - 1, bound / kNtfsFixupStride);
  for (size_t k = 0; k < strides; ++k) {
    const size_t tail = kNtfsFixupStride * k + kNtfsFixupStride - 2;
    const size_t entry = usa + 2 + 2 * k;
    record[tail] = record[entry];
    record[tail + 1] = record[entry + 1];
  }
  return 1;
}
