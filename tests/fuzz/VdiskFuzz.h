// What the virtual-disk reader targets share: the fuzz input served as an in-memory file, and a
// set of reads that reach the start, the end and input-chosen places of the guest disk, single
// sectors and runs across clusters and blocks alike.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/FakeDevices.h"
#include "storage/vdisk/VirtualDiskFile.h"
#include "storage/vdisk/VirtualDiskReader.h"

namespace fuzz_support {

// An opener that serves the bytes as every path it is asked for.
inline VirtualDiskOpener OpenerOf(const uint8_t* data, size_t size) {
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.resize(size);
  if (size) std::memcpy(disk->bytes.data(), data, size);
  disk->readOnly = true;
  return [disk](const std::string&) { return std::make_unique<MemoryDevice>(disk); };
}

// Reads through an opened reader. byteAddressed: positions are byte offsets (QCOW, QED), else
// 512-byte sector numbers.
inline void ReadAround(VirtualDiskReader& reader, bool byteAddressed, const uint8_t* data,
                       size_t size) {
  const uint64_t sectors = reader.DiskSizeBytes() / 512;
  std::vector<uint64_t> picks = {0,       1,           sectors ? sectors - 1 : 0,
                                 sectors, sectors + 7, UINT64_MAX / 512};
  // Input bytes near the start of a header tend to be what a mutation changed: use a few of them
  // as sector numbers too.
  for (size_t i = 0; i + 8 <= std::min<size_t>(size, 64); i += 8) {
    uint64_t v = 0;
    std::memcpy(&v, data + i, 8);
    picks.push_back(sectors ? v % (sectors + 1) : v);
  }
  std::vector<std::byte> buffer(64 * 512);
  for (uint64_t s : picks) {
    for (size_t count : {size_t{1}, size_t{3}, size_t{64}}) {
      if (count > 1 && s > sectors) continue;
      auto span = std::span(buffer).first(count * 512);
      const uint64_t position = byteAddressed ? s * 512 : s;
      if (byteAddressed && s > UINT64_MAX / 512) continue;
      reader.Read(position, span);
    }
  }
  reader.Read(0, std::span(buffer).first(0));
  reader.Read(0, std::span(buffer).first(100));
}

}  // namespace fuzz_support
