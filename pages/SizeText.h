// Byte counts as the pages show them.
#pragma once

#include <cstdint>
#include <string>

// "%.3f MB" up to 2^30 bytes, "%.3f GB" up to 2^40 bytes (2^40 itself still in GB), "%.3f TB"
// above: the scan's total size and the copy page's sizes.
std::string SizeTextMbGbTb(uint64_t bytes);

// "%.1f" with " TB" above 2^40 bytes, " GB" above 2^30, " MB" above 2^20, else " KB": the
// analysis page's capacity and the imaging progress.
std::string SizeTextOneDecimal(uint64_t bytes);

// The same with each unit from its own power on (exactly 2^30 bytes is "1.0 GB"): the source
// page's panels.
std::string SizeTextOneDecimalFrom(uint64_t bytes);
