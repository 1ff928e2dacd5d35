// Conversions between the text forms the program meets: UTF-16 code units as stored in NTFS
// names and result records, UTF-8 as the toolkit and the file system take it, and the 8-bit
// bytes of FAT short names.
#pragma once

#include <string>
#include <string_view>

// UTF-16 to UTF-8. A lone surrogate (a name from a damaged disk may hold one) becomes U+FFFD,
// so the result is always valid UTF-8.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Every maximal invalid subsequence (stray continuation byte, truncated or
// overlong sequence, encoded surrogate, value above U+10FFFF) becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Each byte is the code point of the same value.
std::u16string Latin1ToUtf16(std::string_view bytes);

// Code page 437: the OEM code page DOS wrote FAT short names in, and the code page the Linux
// FAT driver assumes by default. Bytes below 0x80 are ASCII.
std::u16string Cp437ToUtf16(std::string_view bytes);

// The reverse, for a name the user typed for an 8-bit record: a unit code page 437 lacks becomes
// "?".
std::string Utf16ToCp437(std::u16string_view text);

// The mapping used for FAT short names held as 8-bit names in result records (code page 437).
inline std::u16string FatShortNameToUtf16(std::string_view bytes) {
  return Cp437ToUtf16(bytes);
}
