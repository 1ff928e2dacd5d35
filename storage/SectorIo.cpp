#include "storage/SectorIo.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/DeviceNamespace.h"
#include "prompts/UserPrompts.h"
#include "storage/BadSectorPolicy.h"
#include "storage/DiskImageFolder.h"
#include "storage/SourceGlobals.h"
#include "storage/vdisk/VirtualDiskReader.h"

namespace {

constexpr uint32_t kRunSectors = 40;
// A healthy device is read in calls of about this size: a system call per 40-sector run costs a
// scan of a whole volume more time than its own work.
constexpr uint64_t kLargeReadBytes = uint64_t{1} << 21;
constexpr uint64_t kVirtualSectorBytes = 512;

// The read handle of the last device named, kept so that the many small reads of a scan do not
// reopen it. A failed open is not kept: the next call tries again.
struct DeviceHandleCache {
  std::mutex mutex;
  std::string path;
  std::shared_ptr<RawDevice> device;
  std::optional<uint64_t> sizeBytes;  // taken at open: asking the kernel on every read costs
};

struct CachedDevice {
  std::shared_ptr<RawDevice> device;
  std::optional<uint64_t> sizeBytes;
};

DeviceHandleCache& Cache() {
  static DeviceHandleCache cache;
  return cache;
}

// A scan reads thousands of runs: the user hears once that the chosen disk is gone.
std::atomic<bool> g_ChangeTold{false};

void TellIfChanged(DeviceOpenError error) {
  if (error == DeviceOpenError::Changed && !g_ChangeTold.exchange(true))
    Prompts().ViewMsgBox(kChosenDiskChangedText);
}

// The cached device for path, opening it (and closing a device of another name) when needed.
// Returned as a shared handle so that a read in progress survives another thread switching
// devices, and so that the lock is not held while the user answers a question.
CachedDevice DeviceFor(std::string_view path) {
  auto& c = Cache();
  std::lock_guard lock(c.mutex);
  if (c.device && c.path == path) return {c.device, c.sizeBytes};
  c.device.reset();
  c.path.assign(path);
  DeviceOpenError error = DeviceOpenError::None;
  std::unique_ptr<RawDevice> opened = OpenDevice(path, DeviceAccess::Read, &error);
  if (!opened) {
    c.path.clear();
    TellIfChanged(error);
    return {};
  }
  c.sizeBytes = opened->SizeBytes();
  c.device = std::move(opened);
  return {c.device, c.sizeBytes};
}

// Sectors of one large read of a healthy device: a whole number of 40-sector runs, so that a
// large read that fails is gone over in the very runs a read of 40 sectors at a time makes.
uint32_t LargeReadSectors(uint64_t bps) {
  return static_cast<uint32_t>(std::max<uint64_t>(1, kLargeReadBytes / (kRunSectors * bps))) *
         kRunSectors;
}

// count sectors at first in runs of at most 40 sectors, the bad-sector policy per run: the path
// of a device that failed a large read, and of every read of 40 sectors or fewer.
bool ReadRuns(RawDevice& device, uint64_t deviceSectors, uint64_t first, uint32_t count,
              std::span<std::byte> bytes) {
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  bool ok = true;
  for (uint32_t done = 0; done < count; done += std::min(kRunSectors, count - done)) {
    const uint32_t run = std::min(kRunSectors, count - done);
    auto runBytes = bytes.subspan(done * bps, run * bps);
    const uint64_t at = first + done;
    const uint64_t present = at >= deviceSectors ? 0 : std::min<uint64_t>(run, deviceSectors - at);
    if (present < run) {
      ZeroFillSectors(runBytes.subspan(present * bps), run - present);
      ok = false;
      if (present == 0) continue;
    }
    auto readable = runBytes.first(present * bps);
    if (device.ReadAt(at * bps, readable) == static_cast<int64_t>(readable.size())) continue;

    ok = false;
    if (ChoiceRetries(BadSectorChoiceAfterFailure())) {
      for (uint64_t i = 0; i < present; ++i) {
        auto one = readable.subspan(i * bps, bps);
        if (device.ReadAt((at + i) * bps, one) != static_cast<int64_t>(bps))
          ZeroFillSectors(one, 1);
      }
    } else {
      ZeroFillSectors(readable, present);
    }
  }
  return ok;
}

// One read of count sectors that all lie on the device; false when it failed or came back short.
bool ReadWhole(RawDevice& device, uint64_t deviceSectors, uint64_t first, uint32_t count,
               std::span<std::byte> bytes) {
  if (first >= deviceSectors || count > deviceSectors - first) return false;
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  return device.ReadAt(first * bps, bytes) == static_cast<int64_t>(bytes.size());
}

// The device branch: large reads while the device reads well; a large read that fails or comes
// back short is gone over in runs of 40 sectors with the bad-sector policy, so a failing disk
// asks the same questions and zero-fills the same sectors as when it is read 40 at a time.
int ReadDeviceSectors(std::string_view path, int64_t startSector, uint32_t count,
                      std::span<std::byte> buffer) {
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  auto [device, size] = DeviceFor(path);
  if (!device) {
    ZeroFillSectors(buffer, count);
    return 0;
  }
  // Sectors the device really has; reads past them are zeroed without a question.
  const uint64_t deviceSectors = size ? *size / bps : UINT64_MAX;
  const uint64_t start = static_cast<uint64_t>(startSector);
  const uint32_t large = LargeReadSectors(bps);

  bool ok = true;
  for (uint32_t done = 0; done < count;) {
    const uint32_t n = std::min(large, count - done);
    auto part = buffer.subspan(done * bps, n * bps);
    const uint64_t first = start + done;
    if (n <= kRunSectors || !ReadWhole(*device, deviceSectors, first, n, part))
      ok = ReadRuns(*device, deviceSectors, first, n, part) && ok;
    done += n;
  }
  return ok ? 1 : 0;
}

// The virtual-disk branch: 512-byte sectors through the reader of g_VirtualDiskType.
int ReadVirtualDiskSectors(int64_t startSector, uint32_t count, std::span<std::byte> buffer) {
  VirtualDiskReader* reader = VirtualDiskReaderFor(g_VirtualDiskType);
  if (!reader) {
    ZeroFillSectors(buffer, count);
    return 0;
  }
  const uint64_t start = static_cast<uint64_t>(startSector);
  const VirtualDiskAddressing addressing = AddressingOf(g_VirtualDiskType);
  if (addressing == VirtualDiskAddressing::SectorWholeRun) {
    if (reader->Read(start, buffer) == 1) return 1;
    ZeroFillSectors(buffer, count);
    return 0;
  }
  if (count == 0) return 0;
  bool ok = true;
  for (uint32_t i = 0; i < count; ++i) {
    auto one = buffer.subspan(i * kVirtualSectorBytes, kVirtualSectorBytes);
    const uint64_t position = addressing == VirtualDiskAddressing::ByteOffsetPerSector
                                  ? (start + i) * kVirtualSectorBytes
                                  : start + i;
    if (reader->Read(position, one) != 1) {
      ZeroFillSectors(one, 1);
      ok = false;
    }
  }
  return ok ? 1 : 0;
}

// Byte offsets must stay inside 63 bits, and only the start is held against g_SourceEndSector; a
// start that cannot be addressed lies past any end.
bool WithinSource(int64_t startSector, uint32_t count, uint64_t sectorBytes) {
  return startSector >= 0 &&
         static_cast<uint64_t>(startSector) + count <= (uint64_t{1} << 62) / sectorBytes &&
         !(g_SourceEndSector > 0 && startSector > g_SourceEndSector);
}

}  // namespace

uint64_t ReadSizeBytes(uint32_t count) {
  if (g_VirtualDiskMode) return count * kVirtualSectorBytes;
  if (!IsValidSectorSize(g_BytesPerSector)) return 0;
  return count * static_cast<uint64_t>(g_BytesPerSector);
}

int ReadSectors(std::string_view devicePath, int64_t startSector, uint32_t count,
                std::span<std::byte> buffer) {
  const uint64_t bytes = ReadSizeBytes(count);
  const bool sizeKnown = g_VirtualDiskMode || IsValidSectorSize(g_BytesPerSector);
  if (!sizeKnown || buffer.size() < bytes) {
    // A bad sector size or a buffer too small for the run: nothing can be read safely.
    ZeroFillSectors(buffer, count);
    return 0;
  }
  buffer = buffer.first(bytes);
  const uint64_t sectorBytes = g_VirtualDiskMode ? kVirtualSectorBytes : g_BytesPerSector;
  if (!WithinSource(startSector, count, sectorBytes)) {
    ZeroFillSectors(buffer, count);
    return 0;
  }
  if (g_VirtualDiskMode) return ReadVirtualDiskSectors(startSector, count, buffer);
  if (g_DiskImageSource) return ReadDiskImageSectors(startSector, count, buffer);
  return ReadDeviceSectors(devicePath, startSector, count, buffer);
}

int ReadSectorsQuietly(std::string_view devicePath, int64_t startSector, uint32_t count,
                       std::span<std::byte> buffer) {
  // A virtual-disk reader is not shared between threads: its sectors are left to ReadSectors.
  if (g_VirtualDiskMode || count == 0 || !IsValidSectorSize(g_BytesPerSector)) return 0;
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  if (buffer.size() < count * bps || !WithinSource(startSector, count, bps)) return 0;
  buffer = buffer.first(count * bps);
  if (g_DiskImageSource) return ReadDiskImageSectorsQuietly(startSector, count, buffer);
  auto [device, size] = DeviceFor(devicePath);
  if (!device) return 0;
  const uint64_t deviceSectors = size ? *size / bps : UINT64_MAX;
  return ReadWhole(*device, deviceSectors, static_cast<uint64_t>(startSector), count, buffer) ? 1
                                                                                               : 0;
}

int WriteSectors(std::string_view devicePath, int64_t startSector, uint32_t count,
                 std::span<const std::byte> data) {
  if (!IsValidSectorSize(g_BytesPerSector) || startSector < 0) return 0;
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  if (data.size() < count * bps) return 0;
  if (static_cast<uint64_t>(startSector) + count > (uint64_t{1} << 62) / bps) return 0;
  // The source is never written: refuse the device the current source is read from.
  if (!g_DiskImageSource && !g_VirtualDiskMode && devicePath == CurrentDevicePath()) return 0;

  DeviceOpenError error = DeviceOpenError::None;
  std::unique_ptr<RawDevice> device = OpenDevice(devicePath, DeviceAccess::WriteExclusive, &error);
  if (!device) {
    TellIfChanged(error);
    return 0;
  }
  const uint64_t start = static_cast<uint64_t>(startSector);
  bool ok = true;
  for (uint32_t done = 0; done < count; done += std::min(kRunSectors, count - done)) {
    const uint32_t run = std::min(kRunSectors, count - done);
    auto runData = data.subspan(done * bps, run * bps);
    if (device->WriteAt((start + done) * bps, runData) == static_cast<int64_t>(runData.size()))
      continue;
    // A failed run gets a second attempt sector by sector; what still fails is lost.
    for (uint64_t i = 0; i < run; ++i) {
      if (device->WriteAt((start + done + i) * bps, runData.subspan(i * bps, bps)) !=
          static_cast<int64_t>(bps))
        ok = false;
    }
  }
  if (!device->Sync()) ok = false;
  if (!device->Close()) ok = false;
  return ok ? 1 : 0;
}

int WriteImageSectors(std::span<const std::byte> data, uint32_t count, int64_t sector,
                      std::FILE* stream, void* /*context*/) {
  if (g_ImageToDisk == 1) {
    if (g_ImageTargetDisk < 0 || g_ImageTargetDisk >= kDevicePathCount) return 0;
    return WriteSectors(DevicePathAt(g_ImageTargetDisk), sector, count, data) ? 1 : 0;
  }
  if (!stream || sector < 0 || !IsValidSectorSize(g_BytesPerSector)) return 0;
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  const uint64_t bytes = count * bps;
  if (data.size() < bytes) return 0;
  if (static_cast<uint64_t>(sector) > (uint64_t{1} << 62) / bps) return 0;
  const int64_t offset = sector * static_cast<int64_t>(bps);
  if (SeekFile64(stream, offset, SEEK_SET) != offset) return 0;
  if (std::fwrite(data.data(), 1, bytes, stream) < bytes) return 0;
  return 1;
}

int64_t SeekFile64(std::FILE* stream, int64_t distance, int method) {
  if (!stream || ::fseeko(stream, static_cast<off_t>(distance), method) != 0) return -1;
  return static_cast<int64_t>(::ftello(stream));
}

void ResetDeviceHandleCache() {
  auto& c = Cache();
  std::lock_guard lock(c.mutex);
  c.device.reset();
  c.path.clear();
  g_ChangeTold = false;
}
