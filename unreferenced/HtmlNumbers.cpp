#include "unreferenced/HtmlNumbers.h"

#include <limits>

namespace {

constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::uint64_t kUintMax = std::numeric_limits<std::uint32_t>::max();

int DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return 99;
}

bool IsSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

std::int32_t SaturateInt32(std::int64_t value) {
  return static_cast<std::int32_t>(value > kIntMax ? kIntMax : value < kIntMin ? kIntMin : value);
}

std::int32_t LeadingInt(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  for (; i < text.size() && DigitValue(text[i]) < 10; ++i) {
    value = value * 10 + DigitValue(text[i]);
    if (value > kIntMax + 1) value = kIntMax + 1;
  }
  return SaturateInt32(negative ? -value : value);
}

std::uint32_t ReadUnsignedAuto(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int base = 10;
  if (i < text.size() && text[i] == u'0') {
    base = 8;
    if (i + 2 < text.size() + 0 && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
        DigitValue(text[i + 2]) < 16) {
      base = 16;
      i += 2;
    }
  }
  std::uint64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && DigitValue(text[i]) < base; ++i) {
    value = value * base + DigitValue(text[i]);
    if (value > kUintMax) {
      value = kUintMax;
      saturated = true;
    }
  }
  if (saturated) return static_cast<std::uint32_t>(kUintMax);
  return static_cast<std::uint32_t>(negative ? (0 - value) : value);
}

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  std::int64_t magnitude = product < 0 ? -product : product;
  const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
  magnitude = (magnitude + divisor / 2) / divisor;
  const bool negative = (product < 0) != (c < 0);
  return SaturateInt32(negative ? -magnitude : magnitude);
}
