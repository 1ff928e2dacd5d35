// Fuzzes the zip listing over an archive held in memory: the signature checks, the search for the
// central directory and every record's lengths against the end of the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "results/ZipFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CZipFile zip;
  zip.OpenBytes(std::as_bytes(std::span(data, size)));
  size_t names = 0;
  for (int i = 0; i < zip.GetCount(); ++i) names += zip.GetEntry(i)->name.size();
  (void)names;
  return 0;
}
