// Block tables of 32-bit little-endian entries (Parallels, VDI), read whole into memory when a
// file is opened, so that no sector read costs a table read.
#pragma once

#include <cstdint>
#include <new>
#include <vector>

#include "platform/ByteOrder.h"
#include "storage/vdisk/VirtualDiskFile.h"

// Reads count entries at offset of file into table. false, with table empty, when the file ends
// before the table does or memory for it runs out.
inline bool ReadLe32Table(VirtualDiskFile& file, uint64_t offset, uint32_t count,
                          std::vector<uint32_t>& table) {
  table.clear();
  try {
    std::vector<std::byte> raw(size_t{count} * 4);
    if (!file.Read(offset, raw)) return false;
    table.resize(count);
    for (size_t i = 0; i < table.size(); ++i) table[i] = bo::LoadLe32(raw, i * 4);
  } catch (const std::bad_alloc&) {
    table.clear();
    return false;
  }
  return true;
}
