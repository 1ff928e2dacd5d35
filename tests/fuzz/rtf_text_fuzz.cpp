// Fuzzes the RTF-to-text reader: control words and their numbers, hex escapes, \u with its
// fall-backs, \bin lengths and nesting, all against the end of the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "results/RtfText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)RtfToText(std::as_bytes(std::span(data, size)));
  return 0;
}
