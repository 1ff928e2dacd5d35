// Fuzzes VhdxImage's Open and Read over a file held in memory. The structures of a VHDX file lie
// 64 KiB apart, so the input is laid out in pieces: 256 bytes each at 0 (file identifier), 64 KiB
// and 128 KiB (headers) and 192 KiB (region table), the rest from 256 KiB on, where the tables point
// to metadata, BAT and data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "storage/vdisk/vhdx/VhdxImage.h"
#include "tests/fuzz/VdiskFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kPiece = 256;
  constexpr size_t kRest = 0x40000;
  const size_t rest = size > 4 * kPiece ? size - 4 * kPiece : 0;
  std::vector<uint8_t> file(kRest + rest);
  for (size_t piece = 0; piece < 4 && piece * kPiece < size; ++piece)
    std::memcpy(file.data() + piece * 0x10000, data + piece * kPiece,
                std::min(kPiece, size - piece * kPiece));
  if (rest) std::memcpy(file.data() + kRest, data + 4 * kPiece, rest);
  VhdxImage image(fuzz_support::OpenerOf(file.data(), file.size()));
  if (image.Open("disk.vhdx", nullptr) == 1)
    fuzz_support::ReadAround(image, /*byteAddressed=*/false, data, size);
  image.Close();
  return 0;
}
