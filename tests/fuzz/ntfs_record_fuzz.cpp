// Fuzzes one NTFS FILE record (or INDX block) through the fix-up and every finder. The first byte
// picks the buffer size (the scan bound); the rest is the record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "storage/ntfs/NtfsAttributes.h"
#include "storage/ntfs/NtfsIndx.h"
#include "storage/ntfs/NtfsRecord.h"
#include "storage/ntfs/NtfsRunList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const size_t kSizes[] = {512, 1024, 2048, 4096, 0};
  size_t bound = kSizes[data[0] % 5];
  if (bound == 0) bound = size - 1;  // exactly the input: finders must stop at the span's end
  std::vector<std::byte> record(bound);
  if (bound > 0 && size > 1) std::memcpy(record.data(), data + 1, std::min(bound, size - 1));

  std::vector<std::byte> indx = record;
  ApplyUpdateSequenceFixup(indx, data[0] * 16u);
  uint32_t parent = 0, vcn = 0;
  NtfsCheckIndxHeader(indx, parent, vcn);

  ApplyUpdateSequenceFixup(record);
  const bo::Bytes r(record);
  uint64_t dataSize = 0;
  NtfsGetDataSize(r, dataSize);
  NtfsGetDataSizeBounded(r, dataSize);
  size_t offset = 0;
  NtfsFindDataAttribute(r, offset);
  NtfsTimes times;
  NtfsGetStandardTimes(r, NtfsFirstAttributeOffset(r), times);
  NtfsFileName name;
  for (uint8_t ns = 0; ns < 4; ++ns) {
    NtfsFindFileName(r, name, ns);
    NtfsFindFileNameBounded(r, name, ns);
  }
  NtfsFindPreferredFileName(r, name);
  uint32_t refs[50];
  NtfsCollectAttributeListRefs(r, refs, 1);
  NtfsFindNonResidentI30(r, kNtfsIndexAllocation, r.size());
  NtfsFindResidentI30(r, kNtfsIndexRoot, r.size());
  NtfsGetIndexAllocationLcn(r, r.size());
  NtfsGetIndexRootParentRef(r);
  // Every non-resident attribute's run list, on a bounded and an unbounded volume.
  NtfsForEachAttribute(r, NtfsFirstAttributeOffset(r), r.size(), [&](const NtfsAttribute& a) {
    NtfsRunArrays runs(NtfsRunArrays::kFixedCapacity);
    NtfsDecodeRunList(a.RunList(), {2048, 2048 + (uint64_t{1} << 30), 8}, runs);
    NtfsRunArrays unbounded;
    NtfsDecodeRunList(a.RunList(), {0, 0, 128}, unbounded);
    return true;
  });
  std::vector<std::byte> copy = record;
  NtfsGetPreferredFileName(copy, name);
  return 0;
}
