#include "pages/source/LogicalDrives.h"

#include <sys/statvfs.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/DeviceNamespace.h"
#include "platform/LinuxDisks.h"

namespace {

namespace fs = std::filesystem;

// mountinfo writes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string UnescapeOctal(std::string_view field) {
  const auto octal = [&](size_t at) { return field[at] >= '0' && field[at] <= '7'; };
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(field[i]);
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The label whose /dev/disk/by-label link resolves to device; empty when none does.
std::string LabelOfDevice(const std::string& device) {
  std::error_code error;
  const std::string node = SystemPath(device);
  const std::string labels = SystemPath("/dev/disk/by-label");
  if (node.empty() || labels.empty()) return {};
  const fs::path target = fs::canonical(node, error);
  if (error) return {};
  for (fs::directory_iterator it(labels, error), end; !error && it != end; it.increment(error)) {
    std::error_code linkError;
    if (fs::canonical(it->path(), linkError) == target && !linkError)
      return UnescapeLabelName(it->path().filename().string());
  }
  return {};
}

void FillSizes(LogicalDrive& drive, const std::string& mountPoint) {
  const std::string path = SystemPath(mountPoint);
  struct statvfs s {};
  if (path.empty() || statvfs(path.c_str(), &s) != 0) return;
  drive.capacityBytes = static_cast<uint64_t>(s.f_blocks) * s.f_frsize;
  drive.freeBytes = static_cast<uint64_t>(s.f_bfree) * s.f_frsize;
}

class SystemCatalogue : public DriveCatalogue {
 public:
  std::vector<LogicalDrive> LogicalDrives() override {
    const std::string mountinfo = ReadSystemMountInfo();
    std::vector<LogicalDrive> drives;
    const auto volumes = ParseMountedVolumes(mountinfo);
    for (size_t i = 0; i < volumes.size(); ++i) {
      LogicalDrive drive;
      drive.letter = static_cast<char>('C' + i);
      drive.label = LabelOfDevice(volumes[i].device);
      drive.fileSystem = MountFileSystemType(mountinfo, volumes[i].mountPoint);
      FillSizes(drive, volumes[i].mountPoint);
      drives.push_back(std::move(drive));
    }
    return drives;
  }
  std::optional<LogicalDrive> Drive(char letter) override {
    for (LogicalDrive& d : LogicalDrives())
      if (d.letter == letter) return d;
    return std::nullopt;
  }
};

}  // namespace

std::string LogicalDriveNodeText(const LogicalDrive& drive) {
  const std::string letter{drive.letter, ':'};
  return (drive.label.empty() ? std::string("Local Disk") : drive.label) + " (" + letter + ")";
}

char DriveLetterOfNodeText(std::string_view text) {
  if (text.size() < 4) return 0;
  const std::string_view tail = text.substr(text.size() - 4);
  if (tail[0] != '(' || tail[2] != ':' || tail[3] != ')') return 0;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(tail[1])));
  return letter >= 'C' && letter <= 'Z' ? letter : 0;
}

std::optional<LogicalDrive> FixedDriveCatalogue::Drive(char letter) {
  for (const LogicalDrive& d : m_Drives)
    if (d.letter == letter) return d;
  return std::nullopt;
}

std::unique_ptr<DriveCatalogue> SystemDriveCatalogue() {
  return std::make_unique<SystemCatalogue>();
}

std::string MountFileSystemType(std::string_view mountinfo, std::string_view mountPoint) {
  std::istringstream lines{std::string(mountinfo)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> parts;
    for (std::string f; fields >> f;) parts.push_back(f);
    // id parent major:minor root mountpoint options [optional...] - type source superoptions
    if (parts.size() < 10 || UnescapeOctal(parts[4]) != mountPoint) continue;
    for (size_t i = 6; i + 1 < parts.size(); ++i)
      if (parts[i] == "-") return parts[i + 1];
  }
  return {};
}

std::string UnescapeLabelName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const int hi = HexValue(name[i + 2]);
      const int lo = HexValue(name[i + 3]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 3;
        continue;
      }
    }
    out.push_back(name[i]);
  }
  return out;
}
