// Fuzzes ParallelsImage's Open and Read over a file held in memory, named ".hds" so that the
// alignment probe of guest sector 0 runs too.
#include <cstddef>
#include <cstdint>

#include "storage/vdisk/parallels/ParallelsImage.h"
#include "tests/fuzz/VdiskFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ParallelsImage image(fuzz_support::OpenerOf(data, size));
  if (image.Open("disk.hds", nullptr) == 1)
    fuzz_support::ReadAround(image, /*byteAddressed=*/true, data, size);
  image.Close();
  return 0;
}
