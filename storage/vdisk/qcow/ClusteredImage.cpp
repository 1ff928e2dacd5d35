#include "storage/vdisk/qcow/ClusteredImage.h"

#include <algorithm>

ClusteredImage::ClusteredImage(VirtualDiskOpener opener) : m_Opener(std::move(opener)) {}

void ClusteredImage::Close() {
  std::lock_guard lock(m_Mutex);
  m_File.Close();
  m_DiskBytes = 0;
  m_L1.clear();
  m_L1.shrink_to_fit();
  m_Cache.Clear();
}

uint64_t ClusteredImage::DiskSizeBytes() const {
  return m_DiskBytes;
}

int ClusteredImage::Open(const std::string& path, std::string* /*typeText*/) {
  m_NeedsBackingFile = false;
  const int opened = OpenFile(path);
  if (opened != 1) return opened;
  const int result = OpenHeader();
  if (result != 1) Close();
  return result;
}

int ClusteredImage::OpenFile(const std::string& path) {
  Close();
  std::unique_ptr<RawDevice> device = m_Opener ? m_Opener(path) : nullptr;
  if (!device) return 3;
  std::lock_guard lock(m_Mutex);
  m_File = VirtualDiskFile(std::move(device));
  return 1;
}

bool ClusteredImage::ReadL1(uint64_t offset, uint64_t entryCount,
                            uint64_t (*decode)(std::span<const std::byte>, size_t)) {
  // The table must lie in the file; this also bounds what a damaged header can make us allocate.
  if (entryCount > m_File.Size() / 8) return false;
  std::vector<std::byte> raw(static_cast<size_t>(entryCount * 8));
  if (!m_File.Read(offset, raw)) return false;
  m_L1.resize(static_cast<size_t>(entryCount));
  for (size_t i = 0; i < m_L1.size(); ++i) m_L1[i] = decode(raw, i);
  return true;
}

void ClusteredImage::SetLayout(uint64_t diskBytes, uint32_t clusterBits, uint32_t l2Bits,
                               size_t l2TableBytes) {
  m_DiskBytes = diskBytes;
  m_ClusterBits = clusterBits;
  m_L2Bits = l2Bits;
  m_L2TableBytes = l2TableBytes;
  m_Cache = L2Cache(l2TableBytes);
}

int ClusteredImage::Read(uint64_t position, std::span<std::byte> destination) {
  std::lock_guard lock(m_Mutex);
  const uint64_t length = destination.size();
  const bool inside =
      m_File.IsOpen() && length != 0 && position <= m_DiskBytes && length <= m_DiskBytes - position;
  bool ok = inside;
  for (uint64_t done = 0; ok && done < length;) {
    const uint64_t clusterBytes = uint64_t{1} << m_ClusterBits;
    const uint64_t at = position + done;
    const uint64_t piece = std::min(length - done, clusterBytes - (at & (clusterBytes - 1)));
    ok = ReadInCluster(at, destination.subspan(done, piece)) == 1;
    done += piece;
  }
  if (!ok) std::fill(destination.begin(), destination.end(), std::byte{0});
  return ok ? 1 : 0;
}

int ClusteredImage::ReadInCluster(uint64_t position, std::span<std::byte> destination) {
  const uint64_t clusterIndex = position >> m_ClusterBits;
  const uint64_t l1Index = clusterIndex >> m_L2Bits;
  const size_t l2Index = static_cast<size_t>(clusterIndex & ((uint64_t{1} << m_L2Bits) - 1));
  if (l1Index >= m_L1.size()) return 0;
  Cluster cluster;
  if (const uint64_t tableOffset = m_L1[l1Index]; tableOffset != 0) {
    // A table the file cannot hold is damage; refusing it here also keeps a damaged entry from
    // costing a table-sized allocation.
    if (tableOffset > m_File.Size() || m_L2TableBytes > m_File.Size() - tableOffset) return 0;
    std::span<const std::byte> table = m_Cache.Get(
        tableOffset,
        [this](uint64_t offset, std::span<std::byte> bytes) { return m_File.Read(offset, bytes); });
    if (table.empty()) return 0;
    cluster = DecodeL2Entry(table, l2Index);
  }
  switch (cluster.kind) {
    case ClusterKind::Unallocated:
    case ClusterKind::Zeros:
      std::fill(destination.begin(), destination.end(), std::byte{0});
      return 1;
    case ClusterKind::Unsupported:
      return 0;
    case ClusterKind::Data:
      break;
  }
  // An offset past the file is damage; checked before the sum below can wrap.
  if (cluster.offset > m_File.Size()) return 0;
  const uint64_t inCluster = position & ((uint64_t{1} << m_ClusterBits) - 1);
  return m_File.Read(cluster.offset + inCluster, destination) ? 1 : 0;
}
