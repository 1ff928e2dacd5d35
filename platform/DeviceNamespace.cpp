#include "platform/DeviceNamespace.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <variant>

#include "platform/LinuxDisks.h"

namespace {

using Mapping = std::variant<std::string, DeviceFactory>;

struct MappingTable {
  std::mutex mutex;
  std::map<std::string, Mapping, std::less<>> entries;
  std::string systemRoot;  // empty: no operating-system devices
};

MappingTable& Mappings() {
  static MappingTable table;
  return table;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::optional<Mapping> FindMapping(std::string_view devicePath) {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  auto it = t.entries.find(devicePath);
  if (it == t.entries.end()) return std::nullopt;
  return it->second;
}

std::string SysBlockRoot() {
  return SystemPath("/sys/block");
}

// The operating system's node for a program device name, without test mappings.
std::optional<std::string> ResolveSystemDevice(std::string_view name) {
  constexpr std::string_view kPrefix = "\\\\.\\";
  if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix)
    return std::nullopt;
  std::string_view rest = name.substr(kPrefix.size());
  constexpr std::string_view kDrive = "PhysicalDrive";
  if (rest.size() == kDrive.size() + 1 && EqualsIgnoreCase(rest.substr(0, kDrive.size()), kDrive) &&
      std::isdigit(static_cast<unsigned char>(rest.back()))) {
    const size_t n = static_cast<size_t>(rest.back() - '0');
    const std::string sysBlock = SysBlockRoot();
    if (sysBlock.empty()) return std::nullopt;
    auto disks = ListWholeDisks(sysBlock);
    if (n >= disks.size()) return std::nullopt;
    return SystemPath("/dev/" + disks[n]);
  }
  if (rest.size() == 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    const int letter = std::toupper(static_cast<unsigned char>(rest[0]));
    if (letter < 'C') return std::nullopt;
    auto volumes = ParseMountedVolumes(ReadSystemMountInfo());
    const size_t index = static_cast<size_t>(letter - 'C');
    if (index >= volumes.size()) return std::nullopt;
    std::string node = SystemPath(volumes[index].device);
    if (node.empty()) return std::nullopt;
    return node;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ResolveDevicePath(std::string_view devicePath) {
  if (auto m = FindMapping(devicePath)) {
    if (auto* file = std::get_if<std::string>(&*m)) return *file;
    return std::string(devicePath);  // served by a factory: no system path
  }
  return ResolveSystemDevice(devicePath);
}

std::unique_ptr<RawDevice> OpenDevice(std::string_view devicePath, DeviceAccess access) {
  if (auto m = FindMapping(devicePath)) {
    if (auto* factory = std::get_if<DeviceFactory>(&*m)) return (*factory)(access);
    return OpenFileDevice(std::get<std::string>(*m), access);
  }
  auto path = ResolveSystemDevice(devicePath);
  if (!path) return nullptr;
  return OpenFileDevice(*path, access);
}

std::optional<DiskFacts> QueryDiskFacts(std::string_view devicePath) {
  if (auto m = FindMapping(devicePath)) {
    auto device = OpenDevice(devicePath, DeviceAccess::Read);
    if (!device) return std::nullopt;
    const std::optional<uint64_t> size = device->SizeBytes();
    if (!size || *size == 0) return std::nullopt;
    DiskFacts facts;
    facts.sizeBytes = *size;
    if (const uint32_t sector = device->LogicalSectorSize(); sector != 0)
      facts.logicalSectorSize = sector;
    return facts;
  }
  auto path = ResolveSystemDevice(devicePath);
  if (!path) return std::nullopt;
  // A volume may be named through a link (/dev/mapper/..., /dev/disk/by-...); sysfs knows the
  // node it points to.
  std::error_code ec;
  std::filesystem::path node = std::filesystem::canonical(*path, ec);
  if (ec) node = *path;
  const std::string sysBlock = SysBlockRoot();
  if (sysBlock.empty()) return std::nullopt;
  return ReadDiskFacts(sysBlock, node.filename().string());
}

void SetSystemRoot(std::string root) {
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::lock_guard lock(Mappings().mutex);
  Mappings().systemRoot = std::move(root);
}

std::string SystemRoot() {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  return t.systemRoot;
}

std::string SystemPath(std::string_view absolutePath) {
  const std::string root = SystemRoot();
  if (root.empty() || absolutePath.empty() || absolutePath.front() != '/') return {};
  if (root == "/") return std::string(absolutePath);
  return root + std::string(absolutePath);
}

std::string ReadSystemMountInfo() {
  const std::string path = SystemPath("/proc/self/mountinfo");
  if (path.empty()) return {};
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void MapDeviceToFile(std::string devicePath, std::string filePath) {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  t.entries.insert_or_assign(std::move(devicePath), Mapping(std::move(filePath)));
}

void MapDeviceToFactory(std::string devicePath, DeviceFactory factory) {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  t.entries.insert_or_assign(std::move(devicePath), Mapping(std::move(factory)));
}

void ClearDeviceMappings() {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  t.entries.clear();
}
