// What QCOW and QED images share: a guest disk cut into clusters, a first-level table (L1) of
// file offsets of second-level tables (L2), and L2 entries that say where each cluster lies.
// The formats differ only in their headers and in how an L2 entry is encoded, which the derived
// readers supply.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "storage/vdisk/VirtualDiskFile.h"
#include "storage/vdisk/VirtualDiskReader.h"
#include "storage/vdisk/qcow/L2Cache.h"

class ClusteredImage : public VirtualDiskReader {
 public:
  explicit ClusteredImage(VirtualDiskOpener opener);

  // Opens the file and checks its header and L1 table (OpenHeader); nothing stays open unless
  // the result is 1.
  int Open(const std::string& path, std::string* typeText) override;
  // True after an Open refused (2) a sound file whose data partly lives in another file (a
  // backing file), which is not read.
  bool NeedsBackingFile() const { return m_NeedsBackingFile; }

  // Fills destination from the guest disk at byte offset position; the range may cross clusters.
  // An unallocated or zero cluster reads as zeros. 0 (destination zeroed) for a range outside the
  // disk, an empty range, a compressed cluster, or a table or data the file does not hold.
  int Read(uint64_t position, std::span<std::byte> destination) override;
  void Close() override;
  uint64_t DiskSizeBytes() const override;

 protected:
  enum class ClusterKind { Unallocated, Zeros, Data, Unsupported };
  struct Cluster {
    ClusterKind kind = ClusterKind::Unallocated;
    uint64_t offset = 0;  // file offset of the cluster's first byte, for Data
  };

  // Reads and checks the header of the file just opened and, when it is sound, the L1 table
  // (ReadL1) and the layout (SetLayout); the result of Open.
  virtual int OpenHeader() = 0;
  // The cluster an L2 entry (raw bytes of the table) describes.
  virtual Cluster DecodeL2Entry(std::span<const std::byte> table, size_t index) const = 0;

  // Reads the L1 table of entryCount entries (8 bytes each) at offset; false when the file
  // does not hold it. decode turns a stored entry into an L2 table offset (0: none).
  bool ReadL1(uint64_t offset, uint64_t entryCount,
              uint64_t (*decode)(std::span<const std::byte>, size_t));
  // Sets the geometry once the header is checked.
  void SetLayout(uint64_t diskBytes, uint32_t clusterBits, uint32_t l2Bits, size_t l2TableBytes);

  VirtualDiskFile& File() { return m_File; }

  bool m_NeedsBackingFile = false;  // set by OpenHeader

  std::mutex m_Mutex;  // reads come from any thread; the window and the cache are shared state

 private:
  int OpenFile(const std::string& path);
  int ReadInCluster(uint64_t position, std::span<std::byte> destination);

  VirtualDiskOpener m_Opener;
  VirtualDiskFile m_File;
  uint64_t m_DiskBytes = 0;
  uint32_t m_ClusterBits = 0;
  uint32_t m_L2Bits = 0;
  uint64_t m_L2TableBytes = 0;
  std::vector<uint64_t> m_L1;  // L2 table offsets, 0 for none
  L2Cache m_Cache;
};
