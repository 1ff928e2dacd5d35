#include "storage/GeometryStore.h"

#include <charconv>
#include <initializer_list>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "prompts/UserPrompts.h"

namespace {

constexpr uint32_t kHeads = 255;
constexpr uint32_t kSectorsPerTrack = 63;
constexpr uint64_t kSectorsPerCylinder = uint64_t{kHeads} * kSectorsPerTrack;  // 16,065

constexpr std::string_view kSubkeys[] = {
    kGeometryCylinderKey,        kGeometryHeadKey, kGeometryMediaTypeKey,      kGeometryModelKey,
    kGeometrySectorsPerTrackKey, kGeometrySizeKey, kGeometryBytesPerSectorKey,
};

void ReportStoreFailure() {
  Prompts().ViewMsgBox(std::string(kGeometryStoreFailedText) + ProgramRegistry().Path() + ".");
}

// The store's path of a key below the classes root.
std::string KeyPath(std::string_view key) {
  return RegistryKeyPath(RegistryRoot::ClassesRoot, key);
}

// One entry: its (key, text) pairs under its value name.
std::vector<RegistryKeyValues> Entry(
    const std::string& name,
    std::initializer_list<std::pair<std::string_view, std::string>> values) {
  std::vector<RegistryKeyValues> keys;
  for (const auto& [key, text] : values) keys.push_back({KeyPath(key), {{name, text}}});
  return keys;
}

// The stored entries' numbers are written as the drivers' 32-bit fields hold them.
std::string SignedLow32(int64_t value) {
  return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(value & 0xFFFFFFFF)));
}

uint64_t ParseUnsigned(const std::string& text) {
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

std::string ReadValue(std::string_view key, const std::string& name) {
  std::string text;
  ReadRegistryString(RegistryRoot::ClassesRoot, key, name, text);
  return text;
}

}  // namespace

std::string GeometryValueName(int n) {
  return "Disk" + std::to_string(n);
}

int QueryDriveGeometry(std::string_view devicePath, DiskGeometry& geometry) {
  const std::optional<DiskFacts> facts = QueryDiskFacts(devicePath);
  if (!facts) return 0;
  geometry.mediaType = facts->removable ? kRemovableMedia : kFixedMedia;
  geometry.tracksPerCylinder = kHeads;
  geometry.sectorsPerTrack = kSectorsPerTrack;
  geometry.bytesPerSector = facts->logicalSectorSize;
  geometry.sizeBytes = facts->sizeBytes;
  geometry.cylinders =
      static_cast<int64_t>(facts->sizeBytes / facts->logicalSectorSize / kSectorsPerCylinder);
  return 1;
}

long GetPhysicalDriveModel(unsigned drive, std::string& model) {
  model.clear();
  const std::optional<DiskFacts> facts =
      QueryDiskFacts("\\\\.\\PhysicalDrive" + std::to_string(drive));
  if (!facts) return ENOENT;
  model = facts->model;
  return 0;
}

int PublishDiskGeometry() {
  // The root key and its subkeys are rebuilt from nothing: no entry of an earlier listing, disk
  // images included, survives.
  std::vector<RegistryKeyValues> keys{{KeyPath(kGeometryKey), {}}};
  for (std::string_view key : kSubkeys) keys.push_back({KeyPath(key), {}});
  const auto add = [&](const std::vector<RegistryKeyValues>& entry) {
    for (const RegistryKeyValues& value : entry)
      for (RegistryKeyValues& key : keys)
        if (key.key == value.key) key.values.push_back(value.values.front());
  };
  for (int n = 0; n <= 9; ++n) {
    DiskGeometry g;
    if (!QueryDriveGeometry("\\\\.\\PhysicalDrive" + std::to_string(n), g)) continue;
    const bool fixed = g.mediaType == kFixedMedia;
    const std::string name = GeometryValueName(n);
    add(Entry(name, {{kGeometryKey, fixed ? "HDD" : "ZIP"},
                     {kGeometryMediaTypeKey,
                      fixed ? "Fixed hard disk media" : "Removable media other than floppy"},
                     {kGeometryCylinderKey, SignedLow32(g.cylinders)},
                     {kGeometryHeadKey, std::to_string(g.tracksPerCylinder)},
                     {kGeometrySectorsPerTrackKey, std::to_string(g.sectorsPerTrack)},
                     {kGeometrySizeKey, std::to_string(g.sizeBytes)},
                     {kGeometryBytesPerSectorKey, std::to_string(g.bytesPerSector)}}));
    std::string model;
    if (GetPhysicalDriveModel(static_cast<unsigned>(n), model) == 0 && !model.empty())
      add(Entry(name, {{kGeometryModelKey, model}}));
  }
  if (!ProgramRegistry().ReplaceKeys(keys)) {
    ReportStoreFailure();
    return 0;
  }
  return 1;
}

int AddDiskImageGeometry(std::string_view model, uint64_t totalBytes, uint32_t bytesPerSector) {
  // The first free number, so an image never takes over a disk's entry.
  int n = 0;
  while (n < kGeometryEntryCount && !ReadValue(kGeometryKey, GeometryValueName(n)).empty()) ++n;
  if (n == kGeometryEntryCount) return -1;
  const uint32_t bps = bytesPerSector != 0 ? bytesPerSector : 512;
  const bool written = ProgramRegistry().WriteValues(Entry(
      GeometryValueName(n), {{kGeometryKey, "Image"},
                             {kGeometryCylinderKey, SignedLow32(static_cast<int64_t>(
                                                        totalBytes / bps / kSectorsPerCylinder))},
                             {kGeometryHeadKey, std::to_string(kHeads)},
                             {kGeometrySectorsPerTrackKey, std::to_string(kSectorsPerTrack)},
                             {kGeometryBytesPerSectorKey, std::to_string(bps)},
                             {kGeometryMediaTypeKey, "Image"},
                             {kGeometryModelKey, std::string(model)},
                             {kGeometrySizeKey, std::to_string(totalBytes)}}));
  if (!written) {
    ReportStoreFailure();
    return -1;
  }
  return n;
}

std::optional<StoredDiskGeometry> ReadDiskGeometry(int n) {
  const std::string name = GeometryValueName(n);
  StoredDiskGeometry entry;
  entry.kind = ReadValue(kGeometryKey, name);
  if (entry.kind.empty()) return std::nullopt;
  entry.mediaType = ReadValue(kGeometryMediaTypeKey, name);
  entry.model = ReadValue(kGeometryModelKey, name);
  entry.sizeBytes = ParseUnsigned(ReadValue(kGeometrySizeKey, name));
  const uint64_t bps = ParseUnsigned(ReadValue(kGeometryBytesPerSectorKey, name));
  entry.bytesPerSector = bps <= 65536 ? static_cast<uint32_t>(bps) : 0;
  return entry;
}
