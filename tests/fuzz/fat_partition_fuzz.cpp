// Fuzzes the first pass of the FAT partition search over an in-memory range of 4096 sectors.
// The input's first byte says how many of its sectors go verbatim to the start of the range
// (boot sectors and directory clusters as they come); the rest is read as 12-byte placements of
// directory clusters ("." and ".." with chosen clusters) and FAT16/FAT32 boot sectors (chosen
// cluster size, reserved sectors, FAT size and sector count) at chosen sectors, so that the
// matching of directories to boot sectors and the pairing of directories without one are reached
// with many related values. The pass must end, and leave every found directory assigned to a
// found file system or marked as belonging to none.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/records/ScanState.h"
#include "engine/scans/FatPartitionScan.h"
#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "tests/fuzz/QuietPrompts.h"

namespace {

constexpr uint64_t kSectors = 4096;

void Put16(std::byte* p, uint32_t v) {
  p[0] = std::byte(v & 0xFF);
  p[1] = std::byte((v >> 8) & 0xFF);
}
void Put32(std::byte* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}
uint32_t Get(const uint8_t* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = n; i-- > 0;) v = (v << 8) | p[i];
  return v;
}

void PlaceDirectory(std::byte* s, uint32_t id, uint32_t parent) {
  std::memset(s, ' ', 11);
  s[0] = std::byte{'.'};
  s[11] = std::byte{0x10};
  Put16(s + 20, id >> 16);
  Put16(s + 26, id & 0xFFFF);
  std::byte* d = s + 32;
  std::memset(d, ' ', 11);
  d[0] = d[1] = std::byte{'.'};
  d[11] = std::byte{0x10};
  Put16(d + 20, parent >> 16);
  Put16(d + 26, parent & 0xFFFF);
}

void PlaceBoot(std::byte* s, bool fat32, uint32_t spc, uint32_t reserved, uint32_t fatSize,
               uint32_t total) {
  std::memset(s, 0, 512);
  Put16(s + 11, 512);
  s[13] = std::byte(spc);
  Put16(s + 14, reserved);
  s[16] = std::byte{2};
  Put32(s + 32, total);
  if (fat32) {
    Put32(s + 36, fatSize);
    std::memcpy(s + 82, "FAT32   ", 8);
  } else {
    Put16(s + 17, 512);
    Put16(s + 22, fatSize);
    std::memcpy(s + 54, "FAT16   ", 8);
  }
  s[510] = std::byte{0x55};
  s[511] = std::byte{0xAA};
}

using QuietPrompts = fuzz_support::QuietPrompts;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static QuietPrompts quiet;
  SetUserPrompts(&quiet);

  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.assign(kSectors * 512, std::byte{0});
  const size_t raw = std::min<size_t>((data[0] % 9) * size_t{512}, size - 1);
  std::memcpy(disk->bytes.data(), data + 1, raw);
  for (size_t at = 1 + raw; at + 12 <= size; at += 12) {
    const uint8_t* d = data + at;
    std::byte* s = disk->bytes.data() + (Get(d + 1, 2) % kSectors) * 512;
    if (d[0] & 1)
      PlaceBoot(s, d[0] & 2, d[3], d[4], Get(d + 5, 3), Get(d + 8, 4));
    else
      PlaceDirectory(s, Get(d + 3, 4) >> (d[0] >> 3), Get(d + 7, 2));
  }

  ResetProgramState();
  MapDeviceToFactory("\\\\.\\PhysicalDrive0",
                     [disk](DeviceAccess) { return std::make_unique<MemoryDevice>(disk); });
  g_CurrentDevice = 0;
  g_BytesPerSector = 512;
  g_BadSectorChoice = 3;
  g_PartitionMode = 1;
  g_FileSystemName = (data[0] & 0x80) ? FileSystemKind::Fat32 : FileSystemKind::Fat16;
  g_SourceStartSector = (data[0] & 0x40) ? 7 : 0;
  g_SourceEndSector = kSectors - 1;

  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  if (FatPartitionFirstPass(job) != ScanEnd::PassDone) __builtin_trap();

  uint32_t partitions = 0;
  for (const PartitionRecord* r = g_ScanState.partitionList.head; r; r = r->next) {
    ++partitions;
    const uint32_t c = r->clusterSize;
    if (c == 0 || c > 128 || (c & (c - 1)) != 0) __builtin_trap();
  }
  if (partitions != g_ScanState.partitionCount.load()) __builtin_trap();
  uint32_t dirs = 0;
  for (const FoundDirectoryRecord* d = g_ScanState.foundDirList.head; d; d = d->next) {
    ++dirs;
    const uint32_t a = d->assignedPartition;
    if (a == 0 || (a != 0xFFFFFFFF && a > partitions)) __builtin_trap();
  }
  if (dirs != g_ScanState.foundDirCount.load()) __builtin_trap();

  ResetProgramState();
  ClearDeviceMappings();
  return 0;
}
