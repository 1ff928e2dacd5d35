// Fuzzes VhdImage's Open and Read over a file held in memory. A differencing disk gets the same
// bytes as its parent and grandparent, so reads that fall through to a parent are exercised too.
#include <cstddef>
#include <cstdint>

#include "storage/vdisk/vhd/VhdImage.h"
#include "tests/fuzz/VdiskFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VirtualDiskOpener opener = fuzz_support::OpenerOf(data, size);
  VhdImage disk(opener), parent(opener), grandparent(opener);
  if (disk.Open("disk.vhd", nullptr) == 1) {
    if (disk.DiskType() == VhdDiskType::Differencing && parent.Open("parent.vhd", nullptr) == 1) {
      disk.SetParent(&parent);
      if (parent.DiskType() == VhdDiskType::Differencing &&
          grandparent.Open("grandparent.vhd", nullptr) == 1)
        parent.SetParent(&grandparent);
    }
    fuzz_support::ReadAround(disk, /*byteAddressed=*/false, data, size);
  }
  disk.Close();
  parent.Close();
  grandparent.Close();
  return 0;
}
