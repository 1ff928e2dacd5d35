// Fuzzes VmdkImage's Open and Read over files held in memory: the input is the disk's file, and
// every extent it names is the input past its first 512 bytes, so that one input can hold a
// descriptor followed by a sparse extent.
#include <cstddef>
#include <cstdint>
#include <string>

#include "storage/vdisk/vmdk/VmdkImage.h"
#include "tests/fuzz/VdiskFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VirtualDiskOpener whole = fuzz_support::OpenerOf(data, size);
  VirtualDiskOpener extent =
      size > 512 ? fuzz_support::OpenerOf(data + 512, size - 512) : fuzz_support::OpenerOf(data, 0);
  VmdkImage image(
      [&](const std::string& path) { return path == "disk.vmdk" ? whole(path) : extent(path); });
  std::string type;
  if (image.Open("disk.vmdk", &type) == 1)
    fuzz_support::ReadAround(image, /*byteAddressed=*/false, data, size);
  image.Close();
  return 0;
}
