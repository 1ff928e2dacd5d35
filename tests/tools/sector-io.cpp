// Test driver for the sector path on real files and block devices. The given path is served as
// "\\.\PhysicalDrive3" (the source stays "\\.\PhysicalDrive0").
//
//   sector-io info PATH                      prints "size BYTES" and "sector-size N" (0 for a file)
//   sector-io read PATH START COUNT          prints "result R" and the first byte of each sector
//   sector-io write PATH START COUNT BYTE    writes COUNT sectors of BYTE; prints "result R"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s info|read|write PATH [START COUNT [BYTE]]\n", argv[0]);
    return 2;
  }
  const std::string command = argv[1];
  const char* device = "\\\\.\\PhysicalDrive3";
  ResetSourceGlobals();
  MapDeviceToFile(device, argv[2]);
  if (command == "info") {
    auto dev = OpenFileDevice(argv[2], DeviceAccess::Read);
    if (!dev) return 1;
    std::printf("size %llu\nsector-size %u\n",
                static_cast<unsigned long long>(dev->SizeBytes().value_or(0)),
                dev->LogicalSectorSize());
    return 0;
  }
  if (argc < 5) return 2;
  const int64_t start = std::strtoll(argv[3], nullptr, 10);
  const auto count = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
  std::vector<std::byte> buffer(count * 512);
  if (command == "read") {
    const int result = ReadSectors(device, start, count, buffer);
    std::printf("result %d\n", result);
    for (uint32_t i = 0; i < count; ++i)
      std::printf("%02x\n", std::to_integer<int>(buffer[i * 512]));
    return 0;
  }
  if (command == "write" && argc == 6) {
    std::fill(buffer.begin(), buffer.end(),
              static_cast<std::byte>(std::strtol(argv[5], nullptr, 0)));
    std::printf("result %d\n", WriteSectors(device, start, count, buffer));
    return 0;
  }
  return 2;
}
