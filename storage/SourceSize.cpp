#include "storage/SourceSize.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/DeviceNamespace.h"
#include "storage/DiskImageFolder.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {

std::optional<uint64_t> FileBytes(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

// The pieces in order until the first one missing; only the last may be short.
std::optional<uint64_t> DiskImageSectors(uint64_t bps) {
  if (!g_ImageMultiFile) {
    const auto bytes = FileBytes(FirstImagePiecePath());
    return bytes ? std::optional<uint64_t>(*bytes / bps) : std::nullopt;
  }
  const int64_t piece = ImagePieceSectors(g_BytesPerSector);
  if (piece <= 0) return std::nullopt;
  uint64_t sectors = 0;
  for (int64_t n = 0;; ++n) {
    std::string path;
    int64_t first = n * piece;
    if (!MakeImagePiecePath(path, first)) return std::nullopt;
    const auto bytes = FileBytes(path);
    if (!bytes) return n == 0 ? std::nullopt : std::optional<uint64_t>(sectors);
    sectors += *bytes / bps;
    if (*bytes / bps < static_cast<uint64_t>(piece)) return sectors;
  }
}

}  // namespace

std::optional<uint64_t> SourceSectorCount() {
  const uint64_t bps = ReadSizeBytes(1);
  if (bps == 0 || g_VirtualDiskMode) return std::nullopt;
  if (g_DiskImageSource) return DiskImageSectors(bps);
  const std::unique_ptr<RawDevice> device = OpenDevice(CurrentDevicePath(), DeviceAccess::Read);
  if (!device) return std::nullopt;
  const std::optional<uint64_t> bytes = device->SizeBytes();
  if (!bytes) return std::nullopt;
  return *bytes / bps;
}

uint64_t SourceRangeEnd() {
  if (g_SourceEndSector <= 0) return 0;
  const uint64_t end = static_cast<uint64_t>(g_SourceEndSector);
  const std::optional<uint64_t> size = SourceSectorCount();
  return size ? std::min(end, *size) : end;
}
