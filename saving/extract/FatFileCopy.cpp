#include "saving/extract/FatFileCopy.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "engine/records/ScanState.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/CopyInterrupt.h"
#include "prompts/CopyErrorPrompt.h"
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

// The volume of the current scan. Described for every file: it costs one read of the boot
// sector, and nothing stale can survive a change of source.
FatVolume CurrentVolume() {
  return DescribeFatVolume(g_ScanState.fileSystem, g_VolumeGeometry);
}

// Saving asks the copy-error question unless the user chose to skip every failing file; a
// preview asks nothing.
void ReportCopyError(const FatCopyRequest& r) {
  if (r.saving && g_CopySkipAll.load() == 0) AskCopyError();
}

}  // namespace

void GetFileClusterChain(ClusterList& list, const FatVolume& volume, uint32_t firstCluster,
                         uint64_t tableStart, uint64_t expectedCount) {
  ReadFatChainForCopy(volume, list, firstCluster, tableStart, expectedCount);
}

FatCopyResult CopyFatFile(const FatCopyRequest& r, CopyObserver& observer) {
  std::string targetName = SafeFileName(r.name);
  if (r.saving) observer.OnFileStarted(r.targetText, r.name);
  const std::optional<timespec> when = DosTimeToTimespec(r.dosDate, r.dosTime);
  g_CopySkipOnce = 0;

  const FatVolume volume = CurrentVolume();
  // Reading from the first cluster of a damaged entry must not copy out FAT or boot sectors.
  if (r.size > 0 && !volume.IsDataCluster(r.firstCluster)) return FatCopyResult::NotCopied;

  if (r.saving) {
    if (!observer.Admit({r.name, r.size, r.deleted})) return FatCopyResult::Refused;
    g_CopiedFileCount.fetch_add(1);
  }

  const uint64_t clusterBytes = volume.ClusterBytes();
  const uint64_t n = clusterBytes ? (uint64_t{r.size} + clusterBytes - 1) / clusterBytes : 0;
  ClusterList chain;
  auto chainFrom = [&](uint64_t tableStart) {
    chain.Clear();
    GetFileClusterChain(chain, volume, r.firstCluster, tableStart, n);
    return chain.size() == n;
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

  if (!r.folder) return FatCopyResult::CreateFailed;
  TargetFile file = r.folder->CreateFile(targetName, r.whenTaken);
  if (file.Skipped()) return FatCopyResult::Refused;
  if (!file.IsOpen()) {
    ReportCopyError(r);
    return FatCopyResult::CreateFailed;
  }
  uint64_t counted = 0;  // bytes of this file added to g_CopiedBytes
  // A file whose time could not be set or whose close failed is reported as not copied, so its
  // bytes are taken back from the count: the end message must not call such a copy complete.
  // Only a file written whole gets the entry's time: one cut short keeps its bytes but never
  // passes for the whole file.
  auto finish = [&](FatCopyResult result) {
    bool ok = !when || result != FatCopyResult::Written || file.SetModifiedTime(*when);
    ok = file.Close() && ok;
    if (!ok && counted) g_CopiedBytes.fetch_sub(counted);
    if (!ok && result != FatCopyResult::PreviewStopped) {
      ReportCopyError(r);
      return FatCopyResult::WriteFailed;
    }
    return result;
  };

  const uint32_t bps = volume.sectorBytes;
  const uint64_t readBytes = std::min(kReadBytes, clusterBytes);
  const uint32_t readSectors = static_cast<uint32_t>(std::max<uint64_t>(1, readBytes / bps));
  std::vector<std::byte> buffer(size_t{readSectors} * bps);
  const uint64_t size = r.size;
  uint64_t written = 0;
  const ClusterNode* node = chain.head();
  uint32_t cluster = r.firstCluster;
  while (written < size) {
    if (!volume.IsDataCluster(cluster)) return finish(FatCopyResult::Short);
    const int64_t first = volume.ClusterSector(cluster);
    for (uint32_t done = 0; done < volume.sectorsPerCluster && written < size;) {
      if (const CopyInterrupt stop = CheckCopyInterrupt(r.control); stop != CopyInterrupt::None) {
        const FatCopyResult why =
            stop == CopyInterrupt::Abort ? FatCopyResult::Aborted : FatCopyResult::Skipped;
        const FatCopyResult result = finish(why);
        g_CopySkipOnce = 0;
        return result;
      }
      const uint32_t count = std::min(readSectors, volume.sectorsPerCluster - done);
      const auto part = std::span(buffer).first(size_t{count} * bps);
      std::fill(part.begin(), part.end(), std::byte{0});
      ReadSectors(CurrentDevicePath(), first + done, count, part);
      const uint64_t take = std::min<uint64_t>(part.size(), size - written);
      if (!file.Write(part.first(static_cast<size_t>(take)))) {
        file.Close();
        if (written == 0) r.folder->Remove(targetName);  // no byte reached it: no empty stand-in
        ReportCopyError(r);
        return FatCopyResult::WriteFailed;
      }
      written += take;
      done += count;
      if (r.saving) {
        g_CopiedBytes.fetch_add(take);
        counted += take;
        observer.OnFileProgress(r.name, written, size);
      } else {
        observer.OnPreviewProgress(
            size ? static_cast<int>(std::min<uint64_t>(100, written * 100 / size)) : 100);
        if (observer.PreviewStopRequested()) {
          file.Close();
          return FatCopyResult::PreviewStopped;
        }
      }
    }
    if (written >= size) break;
    if (haveChain) {
      node = node ? node->next : nullptr;
      if (!node) return finish(FatCopyResult::Short);
      cluster = node->cluster;
    } else {
      ++cluster;
    }
  }
  return finish(FatCopyResult::Written);
}
