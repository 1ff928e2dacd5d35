#include "saving/extract/FatFileCopy.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "engine/records/ScanState.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/ExtractSink.h"
#include "prompts/CopyGlobals.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

std::atomic<int32_t> g_FatCopySelector{0};

void ResetFatCopySelector() {
  g_FatCopySelector = 0;
}

namespace {

// Reads of at most this many bytes: large enough to stream a file, small enough that Skip and
// Abort take effect quickly.
constexpr uint64_t kReadBytes = 64 * 1024;

// What the copy of one file reads from, taken when it starts.
struct FatCopySource {
  std::string device;
  FatVolume volume;
};

// The source and the volume of the current scan. Described for every file: it costs one read of
// the boot sector, and nothing stale can survive a change of source.
FatCopySource CurrentSource() {
  FatCopySource source;
  source.device = std::string(CurrentDevicePath());
  source.volume = DescribeFatVolume(g_ScanState.fileSystem, g_VolumeGeometry);
  return source;
}

// Reads the chain of the file's first cluster from the table copy the selector names into chain.
// False (chain empty) when no table gives one of exactly count clusters.
bool ReadChain(ClusterList& chain, const FatVolume& volume, uint32_t first, uint64_t count) {
  auto chainFrom = [&](uint64_t tableStart) {
    chain.Clear();
    GetFileClusterChain(chain, volume, first, tableStart, count);
    return chain.size() == count;
  };
  bool haveChain = false;
  switch (g_FatCopySelector.load()) {
    case 0:
      haveChain = chainFrom(volume.fat1Start) || chainFrom(volume.fat2Start);
      break;
    case 1:
      haveChain = chainFrom(volume.fat1Start);
      break;
    case 2:
      haveChain = chainFrom(volume.fat2Start);
      break;
    default:
      break;
  }
  if (!haveChain) chain.Clear();
  return haveChain;
}

// Writes the file from its first cluster on, along chain when there is one and through the
// consecutive clusters otherwise, until the file is whole or its clusters leave the data area.
ExtractEnd WriteClusters(const FatCopySource& source, uint32_t first, const ClusterList* chain,
                         ExtractSink& sink) {
  const FatVolume& volume = source.volume;
  const uint32_t bps = volume.sectorBytes;
  const uint64_t readBytes = std::min(kReadBytes, volume.ClusterBytes());
  const uint32_t readSectors = static_cast<uint32_t>(std::max<uint64_t>(1, readBytes / bps));
  std::vector<std::byte> buffer(size_t{readSectors} * bps);
  const ClusterNode* node = chain ? chain->head() : nullptr;
  uint32_t cluster = first;
  while (sink.Remaining() > 0) {
    if (!volume.IsDataCluster(cluster)) break;
    const int64_t firstSector = volume.ClusterSector(cluster);
    for (uint32_t done = 0; done < volume.sectorsPerCluster && sink.Remaining() > 0;) {
      if (const auto end = sink.Interrupted()) return *end;
      const uint32_t count = std::min(readSectors, volume.sectorsPerCluster - done);
      const auto part = std::span(buffer).first(size_t{count} * bps);
      std::fill(part.begin(), part.end(), std::byte{0});
      ReadSectors(source.device, firstSector + done, count, part);
      if (const auto end = sink.Write(part)) return *end;
      done += count;
    }
    if (sink.Remaining() == 0) break;
    if (chain) {
      node = node ? node->next : nullptr;
      if (!node) break;
      cluster = node->cluster;
    } else {
      ++cluster;
    }
  }
  return sink.Finish();
}

}  // namespace

void GetFileClusterChain(ClusterList& list, const FatVolume& volume, uint32_t firstCluster,
                         uint64_t tableStart, uint64_t expectedCount) {
  ReadFatChainForCopy(volume, list, firstCluster, tableStart, expectedCount);
}

FatCopyResult CopyFatFile(const FatCopyRequest& r, CopyObserver& observer) {
  if (r.saving) observer.OnFileStarted(r.targetText, r.name);
  g_CopySkipOnce = 0;

  const FatCopySource source = CurrentSource();
  const FatVolume& volume = source.volume;
  // Reading from the first cluster of a damaged entry must not copy out FAT or boot sectors.
  if (r.size > 0 && !volume.IsDataCluster(r.firstCluster)) return FatCopyResult::NotCopied;

  if (r.saving) {
    if (!observer.Admit({r.name, r.size, r.deleted})) return FatCopyResult::Refused;
    g_CopiedFileCount.fetch_add(1);
  }

  const uint64_t clusterBytes = volume.ClusterBytes();
  const uint64_t n = clusterBytes ? (uint64_t{r.size} + clusterBytes - 1) / clusterBytes : 0;
  ClusterList chain;
  const bool haveChain = ReadChain(chain, volume, r.firstCluster, n);

  ExtractTarget target = TargetOf(r, DosTimeToTimespec(r.dosDate, r.dosTime));
  target.accessTimeToo = true;
  ExtractSink sink(target, observer);
  if (const auto failed = sink.Create()) return AsCopyResult<FatCopyResult>(*failed);
  return AsCopyResult<FatCopyResult>(
      WriteClusters(source, r.firstCluster, haveChain ? &chain : nullptr, sink));
}
