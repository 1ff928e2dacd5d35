#include "platform/LinuxDisks.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "name" followed by digits only, e.g. "mmcblk0" or "loop3".
bool PrefixThenDigits(std::string_view name, std::string_view prefix) {
  return StartsWith(name, prefix) && AllDigits(name.substr(prefix.size()));
}

// sda, vdb, hdc, xvdaa: the prefix and then letters only (a digit would make it a partition).
bool PrefixThenLetters(std::string_view name, std::string_view prefix) {
  if (!StartsWith(name, prefix) || name.size() == prefix.size()) return false;
  std::string_view rest = name.substr(prefix.size());
  return std::all_of(rest.begin(), rest.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

std::string ReadSmallFile(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::string s;
  std::getline(in, s);
  return s;
}

// mountinfo escapes space, tab, newline and backslash as \ooo.
std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isdigit(static_cast<unsigned char>(s[i + 2])) &&
        std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
      out.push_back(
          static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// Splits a name into runs of letters and runs of digits. Digit runs compare by value and letter
// runs by length first, so sdb comes before sdaa and nvme0n2 before nvme0n10, as the kernel
// numbers them.
std::vector<std::pair<bool, std::string>> Chunks(const std::string& s) {
  std::vector<std::pair<bool, std::string>> out;
  for (char c : s) {
    bool digit = c >= '0' && c <= '9';
    if (out.empty() || out.back().first != digit) out.push_back({digit, {}});
    out.back().second.push_back(c);
  }
  return out;
}

bool NaturalLess(const std::string& a, const std::string& b) {
  auto ca = Chunks(a), cb = Chunks(b);
  for (size_t i = 0; i < ca.size() && i < cb.size(); ++i) {
    if (ca[i].first != cb[i].first) return ca[i].first < cb[i].first;
    std::string x = ca[i].second, y = cb[i].second;
    if (ca[i].first) {  // numeric: drop leading zeros, then shorter is smaller
      x.erase(0, std::min(x.find_first_not_of('0'), x.size() - 1));
      y.erase(0, std::min(y.find_first_not_of('0'), y.size() - 1));
    }
    if (x.size() != y.size()) return x.size() < y.size();
    if (x != y) return x < y;
  }
  return ca.size() < cb.size();
}

}  // namespace

bool IsListedDiskName(std::string_view name) {
  if (PrefixThenLetters(name, "sd") || PrefixThenLetters(name, "vd") ||
      PrefixThenLetters(name, "hd") || PrefixThenLetters(name, "xvd"))
    return true;
  if (PrefixThenDigits(name, "mmcblk")) return true;
  if (PrefixThenDigits(name, "loop")) return true;
  // nvme<controller>n<namespace>, without a "p<partition>" suffix.
  if (StartsWith(name, "nvme")) {
    std::string_view rest = name.substr(4);
    size_t n = rest.find('n');
    return n != std::string_view::npos && AllDigits(rest.substr(0, n)) &&
           AllDigits(rest.substr(n + 1));
  }
  return false;
}

std::vector<std::string> ListWholeDisks(const std::string& sysBlockRoot) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(sysBlockRoot, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!IsListedDiskName(name)) continue;
    // A loop device without a backing file is an empty slot, not a disk.
    if (StartsWith(name, "loop") && ReadSmallFile(it->path() / "loop" / "backing_file").empty())
      continue;
    names.push_back(std::move(name));
  }
  // The machine's own disks come before loop devices: a desktop with snap packages has a dozen
  // loop devices, and they must not push its real disks out of the ten slots.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const bool loopA = StartsWith(a, "loop"), loopB = StartsWith(b, "loop");
    if (loopA != loopB) return loopB;
    return NaturalLess(a, b);
  });
  if (names.size() > 10) names.resize(10);
  return names;
}

std::vector<MountedVolume> ParseMountedVolumes(std::string_view mountinfo) {
  std::map<std::string, std::string> firstMountOf;  // device -> mount point
  std::vector<std::string> order;
  std::istringstream in{std::string(mountinfo)};
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mountpoint options [optional...] - fstype source superopts
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    auto dash = std::find(f.begin(), f.end(), "-");
    if (f.size() < 5 || dash == f.end() || f.end() - dash < 3) continue;
    std::string source = Unescape(*(dash + 2));
    if (!StartsWith(source, "/dev/")) continue;
    std::string mountPoint = Unescape(f[4]);
    auto [pos, inserted] = firstMountOf.emplace(source, mountPoint);
    if (inserted) {
      order.push_back(source);
    } else if (mountPoint == "/") {
      pos->second = mountPoint;  // the root volume is known by "/" even when mounted twice
    }
  }
  std::vector<MountedVolume> volumes;
  for (const auto& dev : order) volumes.push_back({firstMountOf[dev], dev});
  std::stable_sort(volumes.begin(), volumes.end(),
                   [](const MountedVolume& a, const MountedVolume& b) {
                     if ((a.mountPoint == "/") != (b.mountPoint == "/")) return a.mountPoint == "/";
                     return a.mountPoint < b.mountPoint;
                   });
  if (volumes.size() > 24) volumes.resize(24);
  return volumes;
}

namespace {

std::string Trimmed(std::string s) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  size_t first = 0;
  while (first < s.size() && blank(s[first])) ++first;
  return s.substr(first);
}

std::optional<uint64_t> ReadNumber(const std::filesystem::path& p) {
  const std::string text = Trimmed(ReadSmallFile(p));
  if (!AllDigits(text) || text.size() > 19) return std::nullopt;
  return std::stoull(text);
}

}  // namespace

std::optional<DiskFacts> ReadDiskFacts(const std::string& sysBlockRoot, const std::string& name) {
  namespace fs = std::filesystem;
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return std::nullopt;
  std::error_code ec;
  fs::path own = fs::path(sysBlockRoot) / name;
  fs::path disk = own;
  if (!fs::is_directory(own, ec)) {
    // A partition lives in the folder of its disk.
    own.clear();
    for (fs::directory_iterator it(sysBlockRoot, ec), end; !ec && it != end; it.increment(ec)) {
      if (fs::is_directory(it->path() / name, ec)) {
        disk = it->path();
        own = disk / name;
        break;
      }
    }
    if (own.empty()) return std::nullopt;
  }
  const std::optional<uint64_t> units = ReadNumber(own / "size");
  // 2^55 units would overflow the byte count; no disk is that large.
  if (!units || *units == 0 || *units >= (uint64_t{1} << 54)) return std::nullopt;
  DiskFacts facts;
  facts.sizeBytes = *units * 512;
  const std::optional<uint64_t> sector = ReadNumber(disk / "queue" / "logical_block_size");
  // Only a power of two from 512 to 64 KiB is a sector size the program can work with.
  if (sector && *sector >= 512 && *sector <= 65536 && (*sector & (*sector - 1)) == 0)
    facts.logicalSectorSize = static_cast<uint32_t>(*sector);
  facts.removable = Trimmed(ReadSmallFile(disk / "removable")) == "1";
  std::string vendor = Trimmed(ReadSmallFile(disk / "device" / "vendor"));
  const std::string model = Trimmed(ReadSmallFile(disk / "device" / "model"));
  // libata names every SATA disk's vendor "ATA": that is the bus, not the maker.
  if (vendor == "ATA") vendor.clear();
  // virtio gives its PCI vendor number ("0x1af4"), which tells the owner nothing.
  if (vendor.rfind("0x", 0) == 0) vendor.clear();
  facts.model = vendor.empty() || model.empty() ? vendor + model : vendor + " " + model;
  // A loop device has no model of its own; the file behind it is what its owner knows it by.
  if (facts.model.empty()) {
    const std::string backing = Trimmed(ReadSmallFile(disk / "loop" / "backing_file"));
    if (!backing.empty()) facts.model = fs::path(backing).filename().string();
  }
  return facts;
}
