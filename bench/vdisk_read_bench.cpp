// Sequential read of a virtual disk through ReadSectors in the scans' run sizes (one 4 KiB
// cluster, the 40-sector copy run, 1 MiB blocks). The file is chosen as the virtual-path dialog
// chooses it; bench/vdisk_read.sh makes the files and compares with qemu-img.
//
// The file path comes from the environment variable MERROWIND_BENCH_VDISK.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VirtualDiskProbe.h"

namespace {

void BM_VirtualDiskRead(benchmark::State& state) {
  const char* path = std::getenv("MERROWIND_BENCH_VDISK");
  if (!path) {
    state.SkipWithError("MERROWIND_BENCH_VDISK is not set");
    return;
  }
  ResetSourceGlobals();
  if (const std::string refusal = OpenVirtualDiskSource(path); !refusal.empty()) {
    state.SkipWithError(refusal.c_str());
    return;
  }
  const int64_t sectors = g_SourceEndSector + 1;
  const auto chunk = static_cast<uint32_t>(state.range(0));
  std::vector<std::byte> buffer(chunk * 512);
  int failures = 0;
  for (auto _ : state) {
    for (int64_t s = 0; s + chunk <= sectors; s += chunk) {
      if (ReadSectors(CurrentDevicePath(), s, chunk, buffer) != 1) ++failures;
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  if (failures) state.SkipWithError("a read failed");
  state.SetBytesProcessed(state.iterations() * (sectors / chunk) * chunk * 512);
}

BENCHMARK(BM_VirtualDiskRead)
    ->Arg(8)
    ->Arg(40)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
