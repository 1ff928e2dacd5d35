#include "pages/SizeText.h"

#include <cstdio>

namespace {

constexpr double kKiB = 1024.0;
constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;
constexpr uint64_t kTiB = uint64_t{1} << 40;

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "%.1f" in the largest unit the count reaches: above its power, or from it when fromPower.
std::string OneDecimal(uint64_t bytes, bool fromPower) {
  const double b = static_cast<double>(bytes);
  const auto reaches = [&](uint64_t power) { return fromPower ? bytes >= power : bytes > power; };
  if (reaches(kTiB)) return Format("%.1f TB", b / static_cast<double>(kTiB));
  if (reaches(kGiB)) return Format("%.1f GB", b / static_cast<double>(kGiB));
  if (reaches(kMiB)) return Format("%.1f MB", b / static_cast<double>(kMiB));
  return Format("%.1f KB", b / kKiB);
}

}  // namespace

std::string SizeTextMbGbTb(uint64_t bytes) {
  const double b = static_cast<double>(bytes);
  if (bytes <= kGiB) return Format("%.3f MB", b / static_cast<double>(kMiB));
  if (bytes <= kTiB) return Format("%.3f GB", b / static_cast<double>(kGiB));
  return Format("%.3f TB", b / static_cast<double>(kTiB));
}

std::string SizeTextOneDecimal(uint64_t bytes) {
  return OneDecimal(bytes, false);
}

std::string SizeTextOneDecimalFrom(uint64_t bytes) {
  return OneDecimal(bytes, true);
}
