#include "engine/scans/FatDirectoryWalk.h"

#include <algorithm>

#include "platform/TextCodec.h"
#include "storage/fat/FatLongName.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {

// Long names reach back at most 20 entries, so this much of the directory read before the
// current block is kept for names that begin in it.
constexpr size_t kLookbackBytes = 20 * kFatEntryBytes;
// The fixed root of FAT12/16 is read in pieces of this many sectors.
constexpr uint32_t kRootReadSectors = 64;

}  // namespace

std::u16string FatEntry::DisplayName() const {
  return longName.empty() ? FatShortNameToUtf16(shortName) : std::u16string(longName);
}

FatWalk FatDirectoryReader::ReadRoot(const EntryFn& fn) {
  if (volume_.bits == 32) {
    if (!volume_.IsDataCluster(volume_.rootCluster)) return FatWalk::kGoOn;
    ClusterList chain;
    FollowFatChain(table_, chain, volume_.rootCluster, 0);
    return ReadClusters(chain, false, /*rootRules=*/true, fn);
  }
  lookback_.clear();
  const uint32_t bps = volume_.sectorBytes;
  for (uint32_t done = 0; done < volume_.rootSectors;) {
    const uint32_t n = std::min(kRootReadSectors, volume_.rootSectors - done);
    Read(static_cast<int64_t>(volume_.rootStart + done), n);
    for (uint32_t s = 0; s < n; ++s) {
      const FatWalk w = ReadEntries(s * size_t{bps}, (s + 1) * size_t{bps}, true, false, fn);
      if (w == FatWalk::kStop || w == FatWalk::kCancel) return w;
    }
    KeepLookback(n * size_t{bps});
    done += n;
  }
  return FatWalk::kGoOn;
}

FatWalk FatDirectoryReader::ReadFolder(uint32_t id, bool deleted, const EntryFn& fn) {
  if (!volume_.IsDataCluster(id)) return FatWalk::kGoOn;
  // A cluster that no longer starts with "." and ".." holds something else now.
  Read(volume_.ClusterSector(id), 1);
  if (!StartsWithDotEntries(buffer_)) return FatWalk::kGoOn;
  ClusterList chain;
  FollowFatChain(table_, chain, id, deleted ? kDeletedFolderCap : 0);
  const FatWalk w = ReadClusters(chain, deleted, /*rootRules=*/false, fn);
  return w == FatWalk::kEndDirectory ? FatWalk::kGoOn : w;
}

FatWalk FatDirectoryReader::ReadClusters(const ClusterList& chain, bool parentDeleted,
                                         bool rootRules, const EntryFn& fn) {
  lookback_.clear();
  const uint32_t spc = volume_.sectorsPerCluster;
  const size_t bps = volume_.sectorBytes;
  for (const ClusterNode* n = chain.head(); n; n = n->next) {
    if (!volume_.IsDataCluster(n->cluster)) break;
    Read(volume_.ClusterSector(n->cluster), spc);
    if (rootRules) {
      for (uint32_t s = 0; s < spc; ++s) {
        const FatWalk w = ReadEntries(s * bps, (s + 1) * bps, true, parentDeleted, fn);
        if (w == FatWalk::kStop || w == FatWalk::kCancel) return w;
      }
    } else {
      const FatWalk w = ReadEntries(0, spc * bps, false, parentDeleted, fn);
      if (w != FatWalk::kGoOn) return w;
    }
    KeepLookback(spc * bps);
  }
  return FatWalk::kGoOn;
}

void FatDirectoryReader::Read(int64_t first, uint32_t count) {
  const size_t bytes = size_t{count} * volume_.sectorBytes;
  if (buffer_.size() < bytes) buffer_.resize(bytes);
  std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(bytes), std::byte{0});
  ReadSectors(CurrentDevicePath(), first, count, std::span(buffer_).first(bytes));
}

void FatDirectoryReader::KeepLookback(size_t blockBytes) {
  const size_t keep = std::min(kLookbackBytes, blockBytes);
  lookback_.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(blockBytes - keep),
                   buffer_.begin() + static_cast<std::ptrdiff_t>(blockBytes));
}

// The entries in buffer_[from, to); the bytes before `from` are the entries in front. An end mark
// ends the sector in the root (kEndSector) and the whole folder elsewhere.
FatWalk FatDirectoryReader::ReadEntries(size_t from, size_t to, bool root, bool parentDeleted,
                                        const EntryFn& fn) {
  const std::span<const std::byte> block = std::span(buffer_).first(to);
  for (size_t at = from; at + kFatEntryBytes <= to; at += kFatEntryBytes) {
    const FatDirEntry e(block.subspan(at, kFatEntryBytes));
    if (e.IsEndMark()) return root ? FatWalk::kEndSector : FatWalk::kEndDirectory;
    if (e.IsDotEntry() || e.IsLongName()) continue;
    const FatWalk w = TakeEntry(e, block, at, parentDeleted, fn);
    if (w != FatWalk::kGoOn) return w;
  }
  return FatWalk::kGoOn;
}

FatWalk FatDirectoryReader::TakeEntry(const FatDirEntry& e, std::span<const std::byte> block,
                                      size_t at, bool parentDeleted, const EntryFn& fn) {
  const uint32_t cluster = e.Cluster(volume_.bits);
  if (cluster == 0) return FatWalk::kGoOn;
  const std::string shortName = e.ShortName();
  if (!IsValidFileName(shortName)) return FatWalk::kGoOn;

  bool lookbackGiven = false;
  PreviousDirectoryBlock previous = [&](std::span<const std::byte>& before) {
    if (lookbackGiven || lookback_.empty()) return false;
    lookbackGiven = true;
    before = lookback_;
    return true;
  };
  longName_.clear();
  const bool hasLong = AssembleFatLongName(block, at, previous, longName_) == 0;
  if (hasLong && !IsValidFileName(longName_)) return FatWalk::kGoOn;

  const FatEntry entry{e, cluster, hasLong ? std::string_view{} : std::string_view{shortName},
                       hasLong ? std::u16string_view{longName_} : std::u16string_view{},
                       static_cast<uint8_t>((e.IsDeleted() || parentDeleted) ? 'y' : 'n')};
  return fn(entry);
}
