// How many UTF-16 units a UTF-8 text takes: the measure of the program's fixed text buffers
// (260 characters for paths and registry values).
#pragma once

#include <cstddef>
#include <string_view>

// A four-byte sequence counts two units, every other sequence one.
inline size_t Utf16Length(std::string_view utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) == 0x80) continue;  // continuation byte
    units += (c >= 0xF0) ? 2 : 1;
  }
  return units;
}
