// Sequential read of an image file through ReadSectors in the chunk sizes the scans and the copy
// use (one 4 KiB cluster, the 40-sector copy run, 64 KiB and 1 MiB blocks). The image is served as
// "\\.\PhysicalDrive0" like a real disk; bench/sector_read.sh makes it and compares with dd.
//
// The image path comes from the environment variable MERROWIND_BENCH_IMAGE.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "saving/ProgramState.h"

namespace {

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

void BM_SequentialRead(benchmark::State& state) {
  const char* image = std::getenv("MERROWIND_BENCH_IMAGE");
  if (!image) {
    state.SkipWithError("MERROWIND_BENCH_IMAGE is not set");
    return;
  }
  ResetProgramState();
  MapDeviceToFile(kDevice, image);
  auto probe = OpenFileDevice(image, DeviceAccess::Read);
  if (!probe || !probe->SizeBytes()) {
    state.SkipWithError("cannot open the image");
    return;
  }
  const int64_t sectors = static_cast<int64_t>(*probe->SizeBytes() / 512);
  const auto chunk = static_cast<uint32_t>(state.range(0));
  std::vector<std::byte> buffer(chunk * 512);
  int failures = 0;
  for (auto _ : state) {
    for (int64_t s = 0; s + chunk <= sectors; s += chunk) {
      if (ReadSectors(kDevice, s, chunk, buffer) != 1) ++failures;
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  if (failures) state.SkipWithError("a read failed");
  state.SetBytesProcessed(state.iterations() * (sectors / chunk) * chunk * 512);
  ResetDeviceHandleCache();
  ClearDeviceMappings();
}

BENCHMARK(BM_SequentialRead)
    ->Arg(8)
    ->Arg(40)
    ->Arg(128)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
