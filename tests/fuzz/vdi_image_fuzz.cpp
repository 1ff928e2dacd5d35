// Fuzzes VdiImage's Open and Read over a file held in memory.
#include <cstddef>
#include <cstdint>

#include "storage/vdisk/vdi/VdiImage.h"
#include "tests/fuzz/VdiskFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VdiImage image(fuzz_support::OpenerOf(data, size));
  if (image.Open("disk.vdi", nullptr) == 1)
    fuzz_support::ReadAround(image, /*byteAddressed=*/true, data, size);
  image.Close();
  return 0;
}
