// Small virtual-disk images built byte by byte for the reader tests: QCOW 1 and 2, QED, and VHD
// (fixed, dynamic, differencing). Every written guest sector is filled with one byte that names
// the sector and the disk it was written to, so a sector read from the wrong place shows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/FakeDevices.h"
#include "storage/vdisk/Uuid.h"
#include "storage/vdisk/VirtualDiskFile.h"

namespace vdisk_test {

// Never 0, so a written sector differs from an unwritten one.
inline std::byte SectorByte(uint64_t sector, uint8_t salt = 0) {
  return std::byte((sector * 13 + salt) % 255 + 1);
}

inline bool SectorHolds(std::span<const std::byte> bytes, std::byte value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](std::byte b) { return b == value; });
}

// Bytes of a file under construction; fields grow it as needed.
struct FileBytes {
  std::vector<std::byte> bytes;

  void Grow(size_t size) {
    if (bytes.size() < size) bytes.resize(size);
  }
  void Be16(size_t at, uint16_t v) {
    Grow(at + 2);
    bo::StoreBe(std::span(bytes), at, v);
  }
  void Be32(size_t at, uint32_t v) {
    Grow(at + 4);
    bo::StoreBe(std::span(bytes), at, v);
  }
  void Be64(size_t at, uint64_t v) {
    Grow(at + 8);
    bo::StoreBe(std::span(bytes), at, v);
  }
  void Le32(size_t at, uint32_t v) {
    Grow(at + 4);
    bo::StoreLe(std::span(bytes), at, v);
  }
  void Le64(size_t at, uint64_t v) {
    Grow(at + 8);
    bo::StoreLe(std::span(bytes), at, v);
  }
  void Text(size_t at, std::string_view text) {
    Grow(at + text.size());
    std::memcpy(bytes.data() + at, text.data(), text.size());
  }
  void Fill(size_t at, size_t count, std::byte value) {
    Grow(at + count);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), count, value);
  }
};

// Files served from memory by name, as the readers' opener.
class MemoryFiles {
 public:
  void Put(const std::string& name, std::vector<std::byte> bytes) {
    auto disk = std::make_shared<MemoryDisk>();
    disk->bytes = std::move(bytes);
    disk->readOnly = true;
    files_[name] = disk;
  }
  VirtualDiskOpener Opener() {
    return [this](const std::string& path) -> std::unique_ptr<RawDevice> {
      auto it = files_.find(path);
      if (it == files_.end()) return nullptr;
      return std::make_unique<MemoryDevice>(it->second);
    };
  }

 private:
  std::map<std::string, std::shared_ptr<MemoryDisk>> files_;
};

inline void WriteFile(const std::string& path, const std::vector<std::byte>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// QCOW (version 1 or 2) and QED images: a header, the L1 table, then L2 tables and data clusters
// in the order clusters are written. With nothing written the file ends right after the L1 table.
class ClusterImageBuilder {
 public:
  enum class Kind { Qcow1, Qcow2, Qed };

  ClusterImageBuilder(Kind kind, uint32_t clusterBits, uint64_t diskBytes, uint32_t qcow1L2Bits = 0)
      : kind_(kind), clusterBits_(clusterBits), diskBytes_(diskBytes) {
    l2Bits_ = kind == Kind::Qcow1 ? qcow1L2Bits : clusterBits - 3;
    const uint64_t span = uint64_t{1} << (clusterBits_ + l2Bits_);
    l1Entries_ = kind == Kind::Qed ? (uint64_t{1} << l2Bits_) : (diskBytes + span - 1) / span;
    l1Offset_ = ClusterBytes();
    next_ = l1Offset_ + ((l1Entries_ * 8 + ClusterBytes() - 1) / ClusterBytes()) * ClusterBytes();
    WriteHeader();
    file_.Grow(l1Offset_ + l1Entries_ * 8);
  }

  uint64_t ClusterBytes() const { return uint64_t{1} << clusterBits_; }
  uint64_t L1Offset() const { return l1Offset_; }
  FileBytes& File() { return file_; }

  // Writes guest cluster c: every 512-byte guest sector in it holds SectorByte(sector, salt).
  // Returns the data cluster's file offset.
  uint64_t Write(uint64_t c, uint8_t salt = 0) {
    const uint64_t data = next_;
    next_ += ClusterBytes();
    for (uint64_t s = 0; s < ClusterBytes() / 512; ++s) {
      const uint64_t sector = c * (ClusterBytes() / 512) + s;
      file_.Fill(data + s * 512, 512, SectorByte(sector, salt));
    }
    SetL2(c, data);
    return data;
  }

  // Stores raw as the L2 entry of guest cluster c (making its L2 table when needed).
  void SetL2(uint64_t c, uint64_t raw) {
    const uint64_t l1Index = c >> l2Bits_;
    uint64_t& table = tables_[l1Index];
    if (table == 0) {
      table = next_;
      next_ += std::max<uint64_t>(ClusterBytes(), uint64_t{8} << l2Bits_);
      file_.Grow(table + (uint64_t{8} << l2Bits_));
      SetL1(l1Index, table);
    }
    Put64(table + (c & ((uint64_t{1} << l2Bits_) - 1)) * 8, raw);
  }
  void SetL1(uint64_t index, uint64_t raw) { Put64(l1Offset_ + index * 8, raw); }
  uint64_t L1(uint64_t index) const { return Get64(l1Offset_ + index * 8); }
  uint64_t L2TableOf(uint64_t c) const { return tables_.at(c >> l2Bits_); }

  std::vector<std::byte> Bytes() const { return file_.bytes; }

 private:
  void Put64(uint64_t at, uint64_t v) {
    kind_ == Kind::Qed ? file_.Le64(at, v) : file_.Be64(at, v);
  }
  uint64_t Get64(uint64_t at) const {
    return kind_ == Kind::Qed ? bo::LoadLe64(file_.bytes, at) : bo::LoadBe64(file_.bytes, at);
  }
  void WriteHeader() {
    if (kind_ == Kind::Qed) {
      file_.Text(0, std::string_view("QED\0", 4));
      file_.Le32(4, static_cast<uint32_t>(ClusterBytes()));
      file_.Le32(8, 1);   // table size in clusters
      file_.Le32(12, 1);  // header size in clusters
      file_.Le64(40, l1Offset_);
      file_.Le64(48, diskBytes_);
      return;
    }
    file_.Be32(0, 0x514649FB);
    file_.Be64(24, diskBytes_);
    file_.Be64(40, l1Offset_);
    if (kind_ == Kind::Qcow1) {
      file_.Be32(4, 1);
      file_.Fill(32, 1, std::byte(clusterBits_));
      file_.Fill(33, 1, std::byte(l2Bits_));
    } else {
      file_.Be32(4, 2);
      file_.Be32(20, clusterBits_);
      file_.Be32(36, static_cast<uint32_t>(l1Entries_));
      file_.Grow(72);
    }
  }

  Kind kind_;
  uint32_t clusterBits_;
  uint32_t l2Bits_ = 0;
  uint64_t diskBytes_;
  uint64_t l1Entries_ = 0;
  uint64_t l1Offset_ = 0;
  uint64_t next_ = 0;
  std::map<uint64_t, uint64_t> tables_;
  FileBytes file_;
};

// VHD files. Fixed: the guest data then the footer. Dynamic and differencing: a footer copy, the
// dynamic header, the block table, then each written block (its bitmap sectors and data), and the
// footer at the end.
class VhdBuilder {
 public:
  static constexpr uint32_t kFixed = 2, kDynamic = 3, kDifferencing = 4;

  VhdBuilder(uint32_t type, uint64_t diskBytes, uint32_t blockBytes = 4096)
      : type_(type), diskBytes_(diskBytes), blockBytes_(blockBytes) {
    id_[0] = std::byte(0x11);
    entries_ = static_cast<uint32_t>((diskBytes + blockBytes - 1) / blockBytes);
    bitmapSectors_ = (blockBytes / 512 / 8 + 511) / 512;
    if (bitmapSectors_ == 0) bitmapSectors_ = 1;
    table_.assign(entries_, 0xFFFFFFFF);
    if (type != kFixed) next_ = 1536 + ((uint64_t{entries_} * 4 + 511) / 512) * 512;
  }

  void SetId(uint8_t first) { id_[1] = std::byte(first); }
  const Uuid& Id() const { return id_; }
  void SetParent(const Uuid& id, std::u16string name) {
    parentId_ = id;
    parentName_ = std::move(name);
  }

  // Writes guest sector s (for dynamic and differencing disks, allocating its block and setting
  // its bitmap bit) with SectorByte(s, salt).
  void WriteSector(uint64_t s, uint8_t salt) {
    if (type_ == kFixed) {
      data_.Fill(s * 512, 512, SectorByte(s, salt));
      return;
    }
    const uint64_t spb = blockBytes_ / 512;
    const uint64_t block = s / spb, k = s % spb;
    if (table_[block] == 0xFFFFFFFF) {
      table_[block] = static_cast<uint32_t>(next_ / 512);
      next_ += (bitmapSectors_ + spb) * 512;
      data_.Grow(next_);
    }
    const uint64_t bitmap = uint64_t{table_[block]} * 512;
    const size_t at = bitmap + k / 8;
    data_.bytes[at] |= std::byte(0x80 >> (k % 8));
    data_.Fill(bitmap + (bitmapSectors_ + k) * 512, 512, SectorByte(s, salt));
  }
  uint32_t TableEntry(uint64_t block) const { return table_[block]; }

  // Field overrides for damaged-header cases: (offset in the footer or header, value).
  std::map<size_t, uint32_t> footerBe32, headerBe32;

  std::vector<std::byte> Bytes() const {
    FileBytes footer;
    footer.Text(0, "conectix");
    footer.Be32(8, 2);
    footer.Be32(12, 0x00010000);
    footer.Be64(16, type_ == kFixed ? ~uint64_t{0} : 512);
    footer.Be64(40, diskBytes_);
    footer.Be64(48, diskBytes_);
    footer.Be32(60, type_);
    footer.Grow(512);
    std::copy(id_.begin(), id_.end(), footer.bytes.begin() + 68);
    for (auto [at, v] : footerBe32) footer.Be32(at, v);
    if (type_ == kFixed) {
      FileBytes out = data_;
      out.Grow(diskBytes_);
      out.bytes.insert(out.bytes.end(), footer.bytes.begin(), footer.bytes.end());
      return out.bytes;
    }
    FileBytes out = data_;
    out.Grow(next_);
    std::copy(footer.bytes.begin(), footer.bytes.end(), out.bytes.begin());
    out.Text(512, "cxsparse");
    out.Be64(512 + 8, ~uint64_t{0});
    out.Be64(512 + 16, 1536);
    out.Be32(512 + 24, 0x00010000);
    out.Be32(512 + 28, entries_);
    out.Be32(512 + 32, blockBytes_);
    std::copy(parentId_.begin(), parentId_.end(), out.bytes.begin() + 512 + 40);
    for (size_t i = 0; i < parentName_.size() && i < 256; ++i)
      out.Be16(512 + 64 + 2 * i, parentName_[i]);
    for (auto [at, v] : headerBe32) out.Be32(512 + at, v);
    for (uint32_t i = 0; i < entries_; ++i) out.Be32(1536 + i * 4, table_[i]);
    out.bytes.insert(out.bytes.end(), footer.bytes.begin(), footer.bytes.end());
    return out.bytes;
  }

 private:
  uint32_t type_;
  uint64_t diskBytes_;
  uint32_t blockBytes_;
  uint32_t entries_ = 0;
  uint64_t bitmapSectors_ = 1;
  uint64_t next_ = 0;
  std::vector<uint32_t> table_;
  FileBytes data_;
  Uuid id_{};
  Uuid parentId_{};
  std::u16string parentName_;
};

}  // namespace vdisk_test
