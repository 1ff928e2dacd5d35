#include "platform/DeviceNamespace.h"

#include <cctype>
#include <cerrno>
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
  std::map<std::string, DeviceIdentity, std::less<>> expected;
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

// The kernel name ("sdb", "loop3") of a system node path.
std::string KernelName(const std::string& node) {
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::canonical(node, ec);
  return (ec ? std::filesystem::path(node) : canonical).filename().string();
}

// The file behind a loop device, from sysfs; empty for anything else.
std::string BackingFileOf(const std::string& node) {
  const std::string sysBlock = SysBlockRoot();
  if (sysBlock.empty()) return {};
  const std::string name = KernelName(node);
  if (name.rfind("loop", 0) != 0) return {};
  std::ifstream in(std::filesystem::path(sysBlock) / name / "loop" / "backing_file");
  std::string line;
  std::getline(in, line);
  return line;
}

std::optional<DeviceIdentity> ExpectedIdentity(std::string_view devicePath) {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  auto it = t.expected.find(devicePath);
  if (it == t.expected.end()) return std::nullopt;
  return it->second;
}

DeviceOpenError OpenErrorOf(int error) {
  return error == EACCES || error == EPERM ? DeviceOpenError::Permission : DeviceOpenError::Failed;
}

std::optional<DiskFacts> SystemDiskFacts(std::string_view devicePath);

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

namespace {

// Opens what the name names now, and the system path behind it (empty for a factory).
std::unique_ptr<RawDevice> OpenNamed(std::string_view devicePath, DeviceAccess access,
                                     DeviceOpenError& error, std::string& node) {
  int code = 0;
  std::unique_ptr<RawDevice> device;
  if (auto m = FindMapping(devicePath)) {
    if (auto* factory = std::get_if<DeviceFactory>(&*m)) {
      errno = 0;
      device = (*factory)(access);
      code = errno;
    } else {
      node = std::get<std::string>(*m);
      device = OpenFileDevice(node, access, &code);
    }
  } else {
    auto path = ResolveSystemDevice(devicePath);
    if (!path) {
      error = DeviceOpenError::Unknown;
      return nullptr;
    }
    node = *path;
    device = OpenFileDevice(node, access, &code);
  }
  error = device ? DeviceOpenError::None : OpenErrorOf(code);
  return device;
}

DeviceIdentity IdentityOfOpen(RawDevice& device, const std::string& node) {
  DeviceIdentity identity = device.Identity().value_or(DeviceIdentity{});
  if (identity.sizeBytes == 0) identity.sizeBytes = device.SizeBytes().value_or(0);
  if (!node.empty()) identity.backingFile = BackingFileOf(node);
  return identity;
}

// An identity taken without the rights to open the device has no size; its number still tells.
bool SameDevice(const DeviceIdentity& chosen, const DeviceIdentity& now) {
  if (chosen.sizeBytes == 0 || now.sizeBytes == 0) {
    DeviceIdentity a = chosen, b = now;
    a.sizeBytes = b.sizeBytes = 0;
    return a == b;
  }
  return chosen == now;
}

}  // namespace

std::unique_ptr<RawDevice> OpenDevice(std::string_view devicePath, DeviceAccess access,
                                      DeviceOpenError* error) {
  DeviceOpenError why = DeviceOpenError::None;
  std::string node;
  // A disk that is not the chosen one is not even opened for writing; the check after the open
  // below closes the gap of a disk swapped in between.
  if (access == DeviceAccess::WriteExclusive) {
    const auto expected = ExpectedIdentity(devicePath);
    const auto now = expected ? IdentifyDevice(devicePath) : std::nullopt;
    if (expected && (!now || !SameDevice(*expected, *now))) {
      if (error) *error = DeviceOpenError::Changed;
      return nullptr;
    }
  }
  std::unique_ptr<RawDevice> device = OpenNamed(devicePath, access, why, node);
  if (device) {
    if (const auto expected = ExpectedIdentity(devicePath);
        expected && !SameDevice(*expected, IdentityOfOpen(*device, node))) {
      device->Close();
      device.reset();
      why = DeviceOpenError::Changed;
    }
  } else if (why != DeviceOpenError::Permission && ExpectedIdentity(devicePath)) {
    // The chosen disk is gone and nothing (or nothing openable) took its name.
    why = DeviceOpenError::Changed;
  }
  if (error) *error = why;
  return device;
}

std::optional<DeviceIdentity> IdentifyDevice(std::string_view devicePath) {
  if (auto m = FindMapping(devicePath)) {
    if (std::get_if<DeviceFactory>(&*m)) {
      auto device = (*std::get_if<DeviceFactory>(&*m))(DeviceAccess::Read);
      if (!device) return std::nullopt;
      return IdentityOfOpen(*device, {});
    }
    return IdentifyFile(std::get<std::string>(*m));
  }
  auto path = ResolveSystemDevice(devicePath);
  if (!path) return std::nullopt;
  auto identity = IdentifyFile(*path);
  if (identity) identity->backingFile = BackingFileOf(*path);
  return identity;
}

void ExpectDevice(std::string devicePath, DeviceIdentity identity) {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  t.expected.insert_or_assign(std::move(devicePath), std::move(identity));
}

void ForgetExpectedDevice(std::string_view devicePath) {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  if (auto it = t.expected.find(devicePath); it != t.expected.end()) t.expected.erase(it);
}

void ForgetExpectedDevices() {
  auto& t = Mappings();
  std::lock_guard lock(t.mutex);
  t.expected.clear();
}

std::optional<DiskFacts> QueryDiskFacts(std::string_view devicePath) {
  if (auto m = FindMapping(devicePath)) {
    DeviceOpenError error = DeviceOpenError::None;
    auto device = OpenDevice(devicePath, DeviceAccess::Read, &error);
    // A device the user may not open is still described by the system, as a real disk is.
    if (!device && error == DeviceOpenError::Permission) return SystemDiskFacts(devicePath);
    if (!device) return std::nullopt;
    const std::optional<uint64_t> size = device->SizeBytes();
    if (!size || *size == 0) return std::nullopt;
    DiskFacts facts;
    facts.sizeBytes = *size;
    if (const uint32_t sector = device->LogicalSectorSize(); sector != 0)
      facts.logicalSectorSize = sector;
    return facts;
  }
  return SystemDiskFacts(devicePath);
}

namespace {

std::optional<DiskFacts> SystemDiskFacts(std::string_view devicePath) {
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

}  // namespace

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
  t.expected.clear();
}
