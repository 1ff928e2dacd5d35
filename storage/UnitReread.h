// Reading a run of sectors so that one bad sector costs only the record (or sector) that holds it:
// the run is read whole, and when that fails, again one unit at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Reads count sectors at start into buffer. When the read fails, reads them again `unit` sectors
// at a time (the last unit may be shorter), so that the units without a bad sector come back whole
// whatever the answer to the bad-sector question was. The question is asked at most once for the
// whole call. unitOk, when not empty, receives 1 per unit read whole and 0 per unit that was not
// (it holds ceil(count / unit) entries). Returns 1 when the first read was whole, else 0.
int ReadSectorsByUnit(std::string_view device, int64_t start, uint32_t count, uint32_t unit,
                      std::span<std::byte> buffer, std::span<uint8_t> unitOk = {});
