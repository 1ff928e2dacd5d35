// Base64 (the standard alphabet with "=" padding) for memory buffers and whole files. Encoded
// text is broken into lines of 76 characters (19 groups), each ending with CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// Result codes of the file operations.
inline constexpr int kBase64Done = 0;
inline constexpr int kBase64TargetFailed = 1;  // target not created, or a write to it failed
inline constexpr int kBase64NoBuffer = 2;
inline constexpr int kBase64SourceFailed = 3;  // source missing or unreadable

class Base64Coder {
 public:
  Base64Coder() = default;

  // Characters of the encoded text of n bytes, its CR LF line ends and the terminating NUL.
  static std::size_t EncodedLength(std::size_t n);
  // The number of bytes Decode makes of the text: an exact count taken over its valid
  // characters, so it is never negative and never too small.
  static std::size_t DecodedLength(std::string_view text);

  // Four characters for 1 to 3 bytes; two bytes end with "=", one byte with "==".
  static void EncodeGroup(std::span<const std::uint8_t> bytes, char out[4]);
  // Decodes four alphabet characters into out; returns 3, 2 when the fourth is "=", 1 when the
  // third and fourth are.
  static int DecodeGroup(const char in[4], std::uint8_t out[3]);

  // Writes the text of bytes into out, NUL-terminated, and returns its length without the NUL.
  // Writes nothing (or only the NUL) and returns 0 when out holds fewer than
  // EncodedLength(bytes.size()) characters.
  static std::size_t Encode(std::span<const std::uint8_t> bytes, std::span<char> out);
  // Decodes text (up to its first NUL) into out and returns the number of bytes written, never
  // more than out holds. Characters outside the alphabet and "=" are skipped. A last group of two
  // or three characters is decoded as if padded; a single leftover character is dropped.
  static std::size_t Decode(std::string_view text, std::span<std::uint8_t> out);

  // Zeroed buffers of EncodedLength(count) or DecodedLength(text) bytes; return their size.
  static std::size_t AllocEncodeBuffer(std::size_t count, std::unique_ptr<char[]>& out);
  static std::size_t AllocDecodeBuffer(std::string_view text, std::unique_ptr<std::uint8_t[]>& out);

  // Encode or decode a whole file into a new target, which replaces any file of that name only
  // once it has been written whole. Return one of the kBase64 codes above.
  static int EncodeFile(const std::string& source, const std::string& target);
  // Groups may run across line ends, and lines have no length limit.
  static int DecodeFile(const std::string& source, const std::string& target);
};
