// A found file's or folder's name as UTF-16: its 8-bit name (a FAT name as read, code page 437)
// when it has one, else its UTF-16 name.
#pragma once

#include <string>

#include "platform/TextCodec.h"

template <class Record>
std::u16string RecordName(const Record& r) {
  if (r.ansiName.IsSet()) return FatShortNameToUtf16(r.ansiName.View());
  return std::u16string(r.wideName.View());
}
