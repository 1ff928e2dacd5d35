#include "storage/vdisk/vmdk/VmdkImage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <new>

#include "platform/ByteOrder.h"

namespace {

constexpr uint64_t kSector = 512;
constexpr char kDescriptorMagic[] = "# Disk DescriptorFile";
constexpr size_t kDescriptorMagicBytes = sizeof kDescriptorMagic - 1;
constexpr uint64_t kMaxDescriptorBytes = 4 << 20;
// Extent files kept open at once; a disk split into thousands of 2 GiB pieces must not run out of
// file handles.
constexpr size_t kMaxOpenFiles = 32;
constexpr size_t kMaxCachedTableBytes = 2 << 20;
constexpr size_t kMaxExtents = 1 << 16;

bool IsReadableType(const std::string& type) {
  static const char* const kTypes[] = {"monolithicSparse",
                                       "twoGbMaxExtentSparse",
                                       "twoGbMaxExtentFlat",
                                       "monolithicFlat",
                                       "vmfs",
                                       "flat"};
  return std::any_of(std::begin(kTypes), std::end(kTypes),
                     [&](const char* t) { return type == t; });
}

bool HasVmdkExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".vmdk";
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

VmdkImage::VmdkImage(VirtualDiskOpener opener) : m_Opener(std::move(opener)) {}

int VmdkImage::Open(const std::string& path, std::string* typeText) {
  std::lock_guard lock(m_Mutex);
  std::string type;
  int result = 2;
  try {
    result = OpenLocked(path, type);
  } catch (const std::bad_alloc&) {
    result = 2;
  }
  if (result != 1) {
    m_Extents.clear();
    m_DiskSectors = 0;
  }
  if (typeText) *typeText = type;
  return result;
}

int VmdkImage::OpenLocked(const std::string& path, std::string& typeText) {
  m_Extents.clear();
  m_Descriptor = VmdkDescriptor{};
  m_DiskSectors = 0;
  m_OpenFiles = 0;
  m_CachedTableBytes = 0;
  auto device = m_Opener(path);
  if (!device) {
    typeText = "Used";
    return 3;
  }
  VirtualDiskFile file(std::move(device));
  std::array<std::byte, kVmdkSparseHeaderBytes> first{};
  const size_t firstBytes =
      static_cast<size_t>(std::min<uint64_t>(file.Size(), kVmdkSparseHeaderBytes));
  file.Read(0, std::span(first).first(firstBytes));
  std::string magic;
  for (size_t i = 0; i < std::min(firstBytes, kDescriptorMagicBytes); ++i)
    if (first[i] != std::byte{0}) magic.push_back(static_cast<char>(first[i]));

  if (magic == kDescriptorMagic) {
    if (file.Size() > kMaxDescriptorBytes || !ParseDescriptor(file, 0, file.Size())) return 2;
    typeText = m_Descriptor.createType;
    if (m_Descriptor.hasParent) {
      typeText = kVmdkNeedsParentType;
      return 2;
    }
    const std::string& type = m_Descriptor.createType;
    if (!BuildExtents(FolderOf(path), type == "twoGbMaxExtentSparse")) return 2;
    if (type == "twoGbMaxExtentSparse" || type == "twoGbMaxExtentFlat") {
      if (!m_Extents.empty()) {
        Extent& head = m_Extents.front();
        if (head.sparse && !LoadSparse(head)) typeText = "Damaged";
        if (!head.sparse) OpenExtentFile(head);
      }
    }
    return 1;
  }

  if (IsVmdkSparseHeader(first)) {
    VmdkSparseHeader header;
    if (firstBytes < kVmdkSparseHeaderBytes) return 2;
    if (bo::LoadLe64(first, 28) == 0) return 0;
    if (ParseVmdkSparseHeader(first, file.Size(), header) != 1) {
      // A sound disk of a kind not read: known by its type, so the user is told to choose
      // another file rather than that this one is not valid. Nothing of it is ever read.
      if (!IsVmdkStreamOptimized(header)) return 2;
      m_Descriptor.createType = "streamOptimized";
      typeText = m_Descriptor.createType;
      return 1;
    }
    if (header.descriptorSize * kSector > kMaxDescriptorBytes ||
        !ParseDescriptor(file, header.descriptorOffset * kSector, header.descriptorSize * kSector))
      return 2;
    typeText = m_Descriptor.createType;
    if (m_Descriptor.hasParent) {
      typeText = kVmdkNeedsParentType;
      return 2;
    }
    m_DiskSectors = header.capacity;
    Extent self;
    self.path = path;
    self.sectors = header.capacity;
    self.sparse = true;
    self.file = std::move(file);
    m_OpenFiles = 1;
    m_Extents.push_back(std::move(self));
    if (!LoadSparse(m_Extents.front())) typeText = "Damaged";
    return 1;
  }

  if (!HasVmdkExtension(path)) return 2;
  m_Descriptor.createType = "flat";
  typeText = "flat";
  m_DiskSectors = file.Size() / kSector;
  Extent whole;
  whole.path = path;
  whole.sectors = m_DiskSectors;
  whole.file = std::move(file);
  m_OpenFiles = 1;
  m_Extents.push_back(std::move(whole));
  return 1;
}

bool VmdkImage::ParseDescriptor(VirtualDiskFile& file, uint64_t start, uint64_t length) {
  std::string text(static_cast<size_t>(length), '\0');
  if (!file.Read(start, std::as_writable_bytes(std::span(text)))) return false;
  return ParseVmdkDescriptor(text, m_Descriptor);
}

bool VmdkImage::BuildExtents(const std::string& folder, bool sparse) {
  if (m_Descriptor.extents.size() > kMaxExtents) return false;
  uint64_t start = 0;
  for (const SPLITTED_FILEPATH_SIZE& line : m_Descriptor.extents) {
    Extent extent;
    if (!ParseVmdkSectorCount(line.sizeText, extent.sectors)) return false;
    extent.path = folder + line.fileName;
    extent.start = start;
    extent.fileOffset = line.fileOffset;
    extent.sparse = sparse;
    start += extent.sectors;
    m_Extents.push_back(std::move(extent));
  }
  m_DiskSectors = start;
  return true;
}

bool VmdkImage::OpenExtentFile(Extent& extent) {
  if (extent.file.IsOpen()) return true;
  if (m_OpenFiles >= kMaxOpenFiles) {
    for (Extent& other : m_Extents) other.file.Close();
    m_OpenFiles = 0;
  }
  auto device = m_Opener(extent.path);
  if (!device) return false;
  extent.file = VirtualDiskFile(std::move(device));
  ++m_OpenFiles;
  return true;
}

// Reads a sparse extent's header and the grain directory it points to: the redundant copy when it
// is there and its first entry is set, otherwise the primary one on the same condition.
bool VmdkImage::LoadSparse(Extent& extent) {
  if (extent.loaded) return extent.usable;
  extent.loaded = true;
  if (!OpenExtentFile(extent)) return false;
  VirtualDiskFile& file = extent.file;
  std::array<std::byte, kVmdkSparseHeaderBytes> raw{};
  if (!file.Read(0, raw) || ParseVmdkSparseHeader(raw, file.Size(), extent.header) != 1)
    return false;
  const VmdkSparseHeader& h = extent.header;
  uint64_t chosen = 0;
  for (uint64_t candidate : {h.redundantDirectory, h.directory}) {
    std::array<std::byte, 4> entry{};
    if (candidate != 0 && candidate <= UINT64_MAX / kSector &&
        file.Read(candidate * kSector, entry) && bo::LoadLe32(entry, 0) != 0) {
      chosen = candidate;
      break;
    }
  }
  if (chosen == 0) return false;
  const uint64_t entries = h.DirectoryEntries();
  const uint64_t offset = chosen * kSector;
  if (entries > (file.Size() - std::min(file.Size(), offset)) / 4) return false;
  std::vector<std::byte> bytes(static_cast<size_t>(entries * 4));
  if (!file.Read(offset, bytes)) return false;
  extent.directory.resize(static_cast<size_t>(entries));
  for (size_t i = 0; i < extent.directory.size(); ++i)
    extent.directory[i] = bo::LoadLe32(bytes, i * 4);
  extent.usable = true;
  return true;
}

int VmdkImage::Read(uint64_t position, std::span<std::byte> destination) {
  std::lock_guard lock(m_Mutex);
  bool ok = IsReadableType(m_Descriptor.createType) && !destination.empty() &&
            destination.size() % kSector == 0 && position <= m_DiskSectors &&
            destination.size() / kSector <= m_DiskSectors - position;
  try {
    uint64_t sector = position;
    size_t done = 0;
    while (ok && done < destination.size()) {
      auto it = std::upper_bound(m_Extents.begin(), m_Extents.end(), sector,
                                 [](uint64_t s, const Extent& e) { return s < e.start; });
      Extent& extent = *std::prev(it);
      const uint64_t left = extent.start + extent.sectors - sector;
      const size_t n =
          static_cast<size_t>(std::min<uint64_t>((destination.size() - done) / kSector, left));
      ok = ReadExtent(extent, sector - extent.start, destination.subspan(done, n * kSector));
      sector += n;
      done += n * kSector;
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) std::fill(destination.begin(), destination.end(), std::byte{0});
  return ok ? 1 : 0;
}

bool VmdkImage::ReadExtent(Extent& extent, uint64_t sector, std::span<std::byte> out) {
  if (extent.sparse) return LoadSparse(extent) && ReadSparse(extent, sector, out);
  if (!OpenExtentFile(extent)) return false;
  return extent.file.Read((extent.fileOffset + sector) * kSector, out);
}

bool VmdkImage::ReadSparse(Extent& extent, uint64_t sector, std::span<std::byte> out) {
  const VmdkSparseHeader& h = extent.header;
  if (!OpenExtentFile(extent)) return false;
  size_t done = 0;
  while (done < out.size()) {
    const uint64_t grainStart = sector - sector % h.grainSize;
    const uint64_t within = sector - grainStart;
    const size_t n = static_cast<size_t>(
        std::min<uint64_t>((out.size() - done) / kSector, h.grainSize - within));
    auto part = out.subspan(done, n * kSector);
    const uint64_t directoryIndex = sector / h.SectorsPerTable();
    if (directoryIndex >= extent.directory.size()) return false;
    const uint32_t tableSector = extent.directory[directoryIndex];
    uint32_t grain = kVmdkUnallocatedGrain;
    if (tableSector != 0) {
      const std::vector<uint32_t>* table = GrainTable(extent, tableSector);
      if (!table) return false;
      grain = (*table)[(sector % h.SectorsPerTable()) / h.grainSize];
    }
    if (grain == kVmdkUnallocatedGrain || grain == kVmdkZeroedGrain) {
      std::fill(part.begin(), part.end(), std::byte{0});
    } else if (!extent.file.Read((uint64_t{grain} + within) * kSector, part)) {
      return false;
    }
    sector += n;
    done += n * kSector;
  }
  return true;
}

const std::vector<uint32_t>* VmdkImage::GrainTable(Extent& extent, uint32_t tableSector) {
  auto found = extent.tables.find(tableSector);
  if (found != extent.tables.end()) return &found->second;
  const size_t bytes = size_t{extent.header.tableEntries} * 4;
  std::vector<std::byte> raw(bytes);
  if (!extent.file.Read(uint64_t{tableSector} * kSector, raw)) return nullptr;
  // A full cache is emptied at once: a sequential read needs one table at a time, and a
  // scattered one gains little from keeping old tables longer.
  if (m_CachedTableBytes + bytes > kMaxCachedTableBytes) {
    for (Extent& e : m_Extents) e.tables.clear();
    m_CachedTableBytes = 0;
  }
  std::vector<uint32_t> table(extent.header.tableEntries);
  for (size_t i = 0; i < table.size(); ++i) table[i] = bo::LoadLe32(raw, i * 4);
  m_CachedTableBytes += bytes;
  return &extent.tables.emplace(tableSector, std::move(table)).first->second;
}

void VmdkImage::Close() {
  std::lock_guard lock(m_Mutex);
  m_Extents.clear();
  m_Descriptor = VmdkDescriptor{};
  m_DiskSectors = 0;
  m_OpenFiles = 0;
  m_CachedTableBytes = 0;
}
