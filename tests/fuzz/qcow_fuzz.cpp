// Fuzzes QcowImage's Open and Read over a file held in memory.
#include <cstddef>
#include <cstdint>

#include "storage/vdisk/qcow/QcowImage.h"
#include "tests/fuzz/VdiskFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QcowImage image(fuzz_support::OpenerOf(data, size));
  if (image.Open("disk.qcow", nullptr) == 1)
    fuzz_support::ReadAround(image, /*byteAddressed=*/true, data, size);
  image.Close();
  return 0;
}
