#include "storage/vdisk/Uuid.h"

#include <algorithm>
#include <random>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDashPosition(size_t i) {
  return i == 8 || i == 13 || i == 18 || i == 23;
}

}  // namespace

void UuidGenerate(Uuid& id) {
  try {
    std::random_device random;
    Uuid made{};
    for (size_t i = 0; i < made.size(); i += 4) {
      const uint32_t value = random();
      for (size_t j = 0; j < 4; ++j) made[i + j] = std::byte((value >> (8 * j)) & 0xFF);
    }
    made[6] = (made[6] & std::byte{0x0F}) | std::byte{0x40};  // version 4
    made[8] = (made[8] & std::byte{0x3F}) | std::byte{0x80};  // RFC 4122 variant
    id = made;
  } catch (const std::exception&) {
    // No random source: the caller keeps what it had, as it would after a failed generator.
  }
}

int UuidParse(std::string_view text, Uuid& id) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return -1;
  Uuid parsed{};
  size_t nibble = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsDashPosition(i)) {
      if (text[i] != '-') return -1;
      continue;
    }
    const int v = HexValue(text[i]);
    if (v < 0) return -1;
    parsed[nibble / 2] |= std::byte(nibble % 2 == 0 ? v << 4 : v);
    ++nibble;
  }
  id = parsed;
  return 0;
}

std::string UuidFormat(const Uuid& id) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(36);
  for (size_t i = 0; i < id.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    const auto b = std::to_integer<unsigned>(id[i]);
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0xF]);
  }
  return text;
}

void UuidClear(Uuid& id) {
  id.fill(std::byte{0});
}

bool UuidIsNull(const Uuid& id) {
  return std::all_of(id.begin(), id.end(), [](std::byte b) { return b == std::byte{0}; });
}
