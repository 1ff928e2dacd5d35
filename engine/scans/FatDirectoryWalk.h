// Reading FAT directories as the FAT scans do: the fixed root of FAT12/16, the root chain of
// FAT32 and the clusters of a folder, entry by entry, with long names that begin in the sector or
// cluster before. Each usable entry goes to the scan through one callback, after the entry rule
// every FAT scan shares: "." and ".." and long-name entries are passed over, the short name is
// built, a deleted entry's first byte shows as '_', an entry without a first cluster or with a
// short name that cannot be a file name is left out, and a long name that can be one replaces the
// short one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/fat/FatChain.h"
#include "storage/fat/FatDirEntry.h"
#include "storage/fat/FatVolume.h"

// How a walk goes on after an entry or a block.
enum class FatWalk { GoOn, EndDirectory, EndSector, Stop, Cancel };

// One entry that passed the entry rule.
struct FatEntry {
  const FatDirEntry& raw;
  uint32_t cluster;
  // Exactly one is set: the short name (8-bit) when there is no long name, else the long name.
  std::string_view shortName;
  std::u16string_view longName;
  uint8_t deleted;  // 'y' when the entry or the folder it lies in is deleted
  bool IsDirectory() const { return raw.IsDirectory(); }
  // The name as the progress display shows it.
  std::u16string DisplayName() const;
};

class FatDirectoryReader {
 public:
  using EntryFn = std::function<FatWalk(const FatEntry&)>;

  // Reads from device; volume bounds every cluster read; table serves the FAT32 root chain.
  FatDirectoryReader(std::string_view device, const FatVolume& volume, FatTable& table)
      : m_Device(device), m_Volume(volume), m_Table(table) {}

  // The root directory (FAT32: its cluster chain; FAT12/16: the fixed sectors). An end mark ends
  // only its sector. Returns kStop or kCancel when the callback asked for it, else kGoOn.
  FatWalk ReadRoot(const EntryFn& fn);

  // The folder at cluster id, unless its first sector no longer starts with "." and "..": its
  // chain (26 clusters at most when the folder is deleted) is read and an end mark ends it. Every
  // entry of a deleted folder is deleted. Returns kStop, kCancel or kGoOn.
  FatWalk ReadFolder(uint32_t id, bool deleted, const EntryFn& fn);

  // For a FAT that was cleared (formatted and partition recovery): a folder whose chain ends on
  // a free entry goes on into the clusters that follow it, as a file system lays out a growing
  // folder when the space is there, while each holds directory entries and is not another
  // folder's first cluster. It stops at the first cluster that is not, at one of its own chain,
  // at the volume's end and at the largest folder FAT allows (65,536 entries; 26 clusters for a
  // deleted folder).
  void ContinuePastFreeChainEnd(bool on) { m_PastFreeEnd = on; }

 private:
  FatWalk ReadClusters(const ClusterList& chain, bool parentDeleted, bool rootRules,
                       const EntryFn& fn);
  FatWalk ReadFollowingClusters(const ClusterList& chain, bool parentDeleted, const EntryFn& fn);
  void Read(int64_t first, uint32_t count);
  void KeepLookback(size_t blockBytes);
  FatWalk ReadEntries(size_t from, size_t to, bool root, bool parentDeleted, const EntryFn& fn);
  FatWalk TakeEntry(const FatDirEntry& e, std::span<const std::byte> block, size_t at,
                    bool parentDeleted, const EntryFn& fn);

  std::string_view m_Device;
  FatVolume m_Volume;
  FatTable& m_Table;
  std::vector<std::byte> m_Buffer;
  std::vector<std::byte> m_Lookback;
  std::u16string m_LongName;
  bool m_PastFreeEnd = false;
};

// True when a cluster that follows a folder's chain reads as more of that folder: it does not
// open a folder of its own ("." and ".."), its first entry is in use or deleted, every entry up to
// an end mark is a plausible long-name or 8.3 entry, and nothing but zeros follows the end mark
// (file systems clear a folder's new cluster). Text, pictures and other file data fail this.
bool HoldsFolderContinuation(std::span<const std::byte> cluster);
