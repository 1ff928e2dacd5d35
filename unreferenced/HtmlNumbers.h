// Number reading for markup values. Every reader saturates: digits beyond the range of the
// result give its largest value instead of wrapping around.
#pragma once

#include <cstdint>
#include <string_view>

// The leading decimal integer after spaces and an optional sign; 0 without digits.
std::int32_t LeadingInt(std::u16string_view text);
// An unsigned number the way C's strtoul reads it with base 0: "0x" hexadecimal, a leading "0"
// octal, otherwise decimal; a "-" negates modulo 2^32. Saturates at 0xFFFFFFFF.
std::uint32_t ReadUnsignedAuto(std::u16string_view text);
// a x b / c rounded half away from zero, limited to the int32 range; -1 when c is 0.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);
// Limits a wide value to the int32 range.
std::int32_t SaturateInt32(std::int64_t value);
