#include "engine/scans/FatDirectoryWalk.h"

#include <algorithm>
#include <unordered_set>

#include "platform/TextCodec.h"
#include "storage/fat/FatLongName.h"
#include "storage/SectorIo.h"

namespace {

// Long names reach back at most 20 entries, so this much of the directory read before the
// current block is kept for names that begin in it.
constexpr size_t kLookbackBytes = 20 * kFatEntryBytes;
// The fixed root of FAT12/16 is read in pieces of this many sectors.
constexpr uint32_t kRootReadSectors = 64;
// The largest folder FAT allows: 65,536 entries.
constexpr uint64_t kMaxFolderBytes = 65536 * kFatEntryBytes;

// Characters an 8.3 name never holds as stored (lower case is kept in the case flags instead).
bool IsShortNameByte(uint8_t b) {
  if (b < 0x20 || (b >= 'a' && b <= 'z')) return false;
  for (const char bad : std::string_view("\"*+,./:;<=>?[\\]|"))
    if (b == static_cast<uint8_t>(bad)) return false;
  return true;
}

bool IsPlausibleEntry(const FatDirEntry& e, std::span<const std::byte> raw) {
  const uint8_t first = e.FirstByte();
  if (e.IsLongName()) {
    // Sequence 1..20 (0x40 marks the last part), no type, no cluster.
    const uint8_t order = first & 0x1F;
    return (first == FatDirEntry::kDeletedMark ||
            (order >= 1 && order <= 20 && (first & 0xA0) == 0)) &&
           bo::Load8(raw, 12) == 0 && bo::LoadLe16(raw, 26) == 0;
  }
  if ((e.Attributes() & 0xC0) != 0 || e.IsDotEntry() || first == ' ') return false;
  if (first != FatDirEntry::kDeletedMark && first != 0x05 && !IsShortNameByte(first)) return false;
  for (size_t i = 1; i < 11; ++i)
    if (!IsShortNameByte(bo::Load8(raw, i))) return false;
  return true;
}

}  // namespace

std::u16string FatEntry::DisplayName() const {
  return longName.empty() ? FatShortNameToUtf16(shortName) : std::u16string(longName);
}

FatWalk FatDirectoryReader::ReadRoot(const EntryFn& fn) {
  if (m_Volume.bits == 32) {
    if (!m_Volume.IsDataCluster(m_Volume.rootCluster)) return FatWalk::GoOn;
    ClusterList chain;
    FollowFatChain(m_Table, chain, m_Volume.rootCluster, 0);
    return ReadClusters(chain, false, /*rootRules=*/true, fn);
  }
  m_Lookback.clear();
  const uint32_t bps = m_Volume.sectorBytes;
  for (uint32_t done = 0; done < m_Volume.rootSectors;) {
    const uint32_t n = std::min(kRootReadSectors, m_Volume.rootSectors - done);
    Read(static_cast<int64_t>(m_Volume.rootStart + done), n);
    for (uint32_t s = 0; s < n; ++s) {
      const FatWalk w = ReadEntries(s * size_t{bps}, (s + 1) * size_t{bps}, true, false, fn);
      if (w == FatWalk::Stop || w == FatWalk::Cancel) return w;
    }
    KeepLookback(n * size_t{bps});
    done += n;
  }
  return FatWalk::GoOn;
}

bool HoldsFolderContinuation(std::span<const std::byte> cluster) {
  if (cluster.size() < kFatEntryBytes || StartsWithDotEntries(cluster)) return false;
  for (size_t at = 0; at + kFatEntryBytes <= cluster.size(); at += kFatEntryBytes) {
    const auto raw = cluster.subspan(at, kFatEntryBytes);
    const FatDirEntry e(raw);
    if (e.IsEndMark()) {
      return at > 0 && std::all_of(cluster.begin() + static_cast<std::ptrdiff_t>(at), cluster.end(),
                                   [](std::byte b) { return b == std::byte{0}; });
    }
    if (!IsPlausibleEntry(e, raw)) return false;
  }
  return true;
}

FatWalk FatDirectoryReader::ReadFolder(uint32_t id, bool deleted, const EntryFn& fn) {
  if (!m_Volume.IsDataCluster(id)) return FatWalk::GoOn;
  // A cluster that no longer starts with "." and ".." holds something else now.
  Read(m_Volume.ClusterSector(id), 1);
  if (!StartsWithDotEntries(m_Buffer)) return FatWalk::GoOn;
  ClusterList chain;
  FollowFatChain(m_Table, chain, id, deleted ? kDeletedFolderCap : 0);
  FatWalk w = ReadClusters(chain, deleted, /*rootRules=*/false, fn);
  if (w == FatWalk::GoOn && m_PastFreeEnd) w = ReadFollowingClusters(chain, deleted, fn);
  return w == FatWalk::EndDirectory ? FatWalk::GoOn : w;
}

// Goes on after a chain that ReadClusters read whole without meeting an end mark, keeping its
// long-name lookback.
FatWalk FatDirectoryReader::ReadFollowingClusters(const ClusterList& chain, bool parentDeleted,
                                                  const EntryFn& fn) {
  if (chain.empty()) return FatWalk::GoOn;
  const uint32_t last = chain[chain.size() - 1];
  if (!m_Volume.IsDataCluster(last)) return FatWalk::GoOn;
  // Only a chain that ends on a free entry lost its rest with the FAT; an unreadable or unplaced
  // FAT cannot tell, so its chains go on too.
  const std::optional<uint32_t> next = m_Table.Entry(last);
  if (next && *next != 0) return FatWalk::GoOn;
  const uint32_t spc = m_Volume.sectorsPerCluster;
  const size_t bytes = size_t{spc} * m_Volume.sectorBytes;
  if (bytes == 0) return FatWalk::GoOn;
  const uint64_t most =
      parentDeleted ? kDeletedFolderClusters : std::max<uint64_t>(1, kMaxFolderBytes / bytes);
  const std::vector<uint32_t> own = chain.Clusters();
  const std::unordered_set<uint32_t> taken(own.begin(), own.end());
  uint64_t count = own.size();
  for (uint64_t c = uint64_t{last} + 1; count < most && m_Volume.IsDataCluster(c); ++c, ++count) {
    if (taken.count(static_cast<uint32_t>(c))) break;
    Read(m_Volume.ClusterSector(static_cast<uint32_t>(c)), spc);
    if (!HoldsFolderContinuation(std::span(m_Buffer).first(bytes))) break;
    const FatWalk w = ReadEntries(0, bytes, false, parentDeleted, fn);
    if (w != FatWalk::GoOn) return w;
    KeepLookback(bytes);
  }
  return FatWalk::GoOn;
}

FatWalk FatDirectoryReader::ReadClusters(const ClusterList& chain, bool parentDeleted,
                                         bool rootRules, const EntryFn& fn) {
  m_Lookback.clear();
  const uint32_t spc = m_Volume.sectorsPerCluster;
  const size_t bps = m_Volume.sectorBytes;
  for (const ClusterNode* n = chain.head(); n; n = n->next) {
    if (!m_Volume.IsDataCluster(n->cluster)) break;
    Read(m_Volume.ClusterSector(n->cluster), spc);
    if (rootRules) {
      for (uint32_t s = 0; s < spc; ++s) {
        const FatWalk w = ReadEntries(s * bps, (s + 1) * bps, true, parentDeleted, fn);
        if (w == FatWalk::Stop || w == FatWalk::Cancel) return w;
      }
    } else {
      const FatWalk w = ReadEntries(0, spc * bps, false, parentDeleted, fn);
      if (w != FatWalk::GoOn) return w;
    }
    KeepLookback(spc * bps);
  }
  return FatWalk::GoOn;
}

void FatDirectoryReader::Read(int64_t first, uint32_t count) {
  const size_t bytes = size_t{count} * m_Volume.sectorBytes;
  if (m_Buffer.size() < bytes) m_Buffer.resize(bytes);
  std::fill(m_Buffer.begin(), m_Buffer.begin() + static_cast<std::ptrdiff_t>(bytes), std::byte{0});
  ReadSectors(m_Device, first, count, std::span(m_Buffer).first(bytes));
}

void FatDirectoryReader::KeepLookback(size_t blockBytes) {
  const size_t keep = std::min(kLookbackBytes, blockBytes);
  m_Lookback.assign(m_Buffer.begin() + static_cast<std::ptrdiff_t>(blockBytes - keep),
                   m_Buffer.begin() + static_cast<std::ptrdiff_t>(blockBytes));
}

// The entries in m_Buffer[from, to); the bytes before `from` are the entries in front. An end mark
// ends the sector in the root (kEndSector) and the whole folder elsewhere.
FatWalk FatDirectoryReader::ReadEntries(size_t from, size_t to, bool root, bool parentDeleted,
                                        const EntryFn& fn) {
  const std::span<const std::byte> block = std::span(m_Buffer).first(to);
  for (size_t at = from; at + kFatEntryBytes <= to; at += kFatEntryBytes) {
    const FatDirEntry e(block.subspan(at, kFatEntryBytes));
    if (e.IsEndMark()) return root ? FatWalk::EndSector : FatWalk::EndDirectory;
    if (e.IsDotEntry() || e.IsLongName()) continue;
    const FatWalk w = TakeEntry(e, block, at, parentDeleted, fn);
    if (w != FatWalk::GoOn) return w;
  }
  return FatWalk::GoOn;
}

FatWalk FatDirectoryReader::TakeEntry(const FatDirEntry& e, std::span<const std::byte> block,
                                      size_t at, bool parentDeleted, const EntryFn& fn) {
  const uint32_t cluster = e.Cluster(m_Volume.bits);
  if (cluster == 0) return FatWalk::GoOn;
  const std::string shortName = e.ShortName();
  if (!IsValidFileName(shortName)) return FatWalk::GoOn;

  bool lookbackGiven = false;
  PreviousDirectoryBlock previous = [&](std::span<const std::byte>& before) {
    if (lookbackGiven || m_Lookback.empty()) return false;
    lookbackGiven = true;
    before = m_Lookback;
    return true;
  };
  m_LongName.clear();
  // A long name that is no file name (a damaged fragment) gives way to the entry's own 8.3
  // name, so the entry, and a folder's whole subtree, stay listed.
  const bool hasLong =
      AssembleFatLongName(block, at, previous, m_LongName) == 0 && IsValidFileName(m_LongName);

  const FatEntry entry{e, cluster, hasLong ? std::string_view{} : std::string_view{shortName},
                       hasLong ? std::u16string_view{m_LongName} : std::u16string_view{},
                       static_cast<uint8_t>((e.IsDeleted() || parentDeleted) ? 'y' : 'n')};
  return fn(entry);
}
