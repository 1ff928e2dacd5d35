// Fuzzes QedImage's Open and Read over a file held in memory.
#include <cstddef>
#include <cstdint>

#include "storage/vdisk/qed/QedImage.h"
#include "tests/fuzz/VdiskFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QedImage image(fuzz_support::OpenerOf(data, size));
  if (image.Open("disk.qed", nullptr) == 1)
    fuzz_support::ReadAround(image, /*byteAddressed=*/true, data, size);
  image.Close();
  return 0;
}
