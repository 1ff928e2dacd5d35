#include "pages/imaging/ImagingTargets.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/DeviceNamespace.h"
#include "platform/StorageIdentity.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/GeometryStore.h"
#include "storage/SourceGlobals.h"

namespace {

std::string DiskDevicePath(int number) {
  return "\\\\.\\PhysicalDrive" + std::to_string(number);
}

}  // namespace

bool DiskOpenElsewhere(int number) {
  auto device = OpenDevice(DiskDevicePath(number), DeviceAccess::ReadExclusive);
  if (!device) return true;
  device->Close();
  return false;
}

TargetDiskList ImagingTargetDisks(const DiskInUseFn& inUse) {
  TargetDiskList list;
  if (PublishDiskGeometry() != 1) return list;
  list.storeRead = true;
  const bool diskSource = !g_DiskImageSource && !g_VirtualDiskMode;
  const std::optional<std::string> sourceNode =
      diskSource ? ResolveDevicePath(CurrentDevicePath()) : std::nullopt;
  for (int n = 0; n < kDevicePathCount; ++n) {
    const std::optional<StoredDiskGeometry> stored = ReadDiskGeometry(n);
    if (!stored || stored->kind == "Image") continue;
    // The image is written through the device name of entry N: an entry the source page has
    // taken for a logical drive no longer names disk N.
    if (DevicePathAt(n) != DiskDevicePath(n)) continue;
    // The source is known by the device it is read through, not by g_SelectedDiskNumber, which
    // Next of the range modes sets to 0 whatever disk was chosen.
    const std::optional<std::string> node = ResolveDevicePath(DiskDevicePath(n));
    if (diskSource && (DiskDevicePath(n) == CurrentDevicePath() ||
                       (sourceNode && node && SameStorage(*sourceNode, *node))))
      continue;
    if (inUse && inUse(n)) continue;
    TargetDisk disk;
    disk.number = n;
    disk.name = "Disk" + std::to_string(n);
    disk.model = stored->model;
    disk.sizeBytes = stored->sizeBytes;
    disk.node = node.value_or(std::string());
    disk.identity = IdentifyDevice(DiskDevicePath(n));
    list.disks.push_back(std::move(disk));
  }
  return list;
}

void ChooseImagingTarget(const TargetDisk& target) {
  g_ImageToDisk = 1;
  g_ImageTargetDisk = target.number;
  g_ImageTargetLabel = TargetDiskLabel(target);
  // The source keeps its own name's hold; only the earlier target's is let go.
  static std::string held;
  if (!held.empty() && held != CurrentDevicePath()) ForgetExpectedDevice(held);
  held.clear();
  if (!target.identity) return;
  held = DiskDevicePath(target.number);
  ExpectDevice(held, *target.identity);
}

std::string TargetDiskSizeText(uint64_t bytes) {
  if (bytes == 0) return "0";
  struct Unit {
    int shift;
    const char* suffix;
  } const units[] = {{40, " TB"}, {30, " GB"}, {20, " MB"}, {10, " KB"}};
  for (const Unit& u : units) {
    if (u.shift == 10 || bytes >= (uint64_t{1} << u.shift)) {
      char text[48];
      std::snprintf(text, sizeof text, "%.1f%s",
                    static_cast<double>(bytes) / static_cast<double>(uint64_t{1} << u.shift),
                    u.suffix);
      return text;
    }
  }
  return "0";
}

std::string DataLossQuestion(const TargetDisk& target) {
  std::string facts = target.sizeBytes ? TargetDiskSizeText(target.sizeBytes) : std::string();
  if (!target.node.empty()) facts += (facts.empty() ? "" : ", ") + target.node;
  const std::string disk = TargetDiskLabel(target) + (facts.empty() ? "" : " (" + facts + ")");
  return "All data will be lost in Target Disk -\r\n" + disk +
         "\r\n\r\nAre you sure you want to continue ?\r\n";
}

std::string TargetDiskLabel(const TargetDisk& target) {
  return target.name + " - " + target.model;
}

std::string BrowsedImagePath(std::string_view folder) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  return path + std::string(kImageFileName);
}

std::string ImageFolderOf(std::string_view path) {
  const size_t dmg = path.size() > 4 ? path.find(".dmg", 4) : std::string_view::npos;
  if (path.size() > 3 && dmg != std::string_view::npos) {
    const size_t slash = path.rfind('/');
    if (slash != std::string_view::npos) return std::string(path.substr(0, slash == 0 ? 1 : slash));
  }
  return std::string(path);
}

uint64_t ImagingSourceBytes(int64_t startSector, int64_t endSector, int32_t bytesPerSector) {
  if (endSector <= startSector || bytesPerSector <= 0) return 0;
  return static_cast<uint64_t>(endSector - startSector) * static_cast<uint64_t>(bytesPerSector);
}

uint64_t FreeBytesAt(std::string_view path) {
  std::error_code error;
  const std::filesystem::space_info space =
      std::filesystem::space(std::filesystem::path(ImageFolderOf(path)), error);
  return error ? 0 : static_cast<uint64_t>(space.available);
}
