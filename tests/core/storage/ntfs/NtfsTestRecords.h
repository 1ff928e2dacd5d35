// Builds NTFS FILE records and small in-memory volumes byte by byte, for the NTFS tests and fuzz
// targets. Records are laid out as NTFS lays them out: a 56-byte header (update sequence at 48),
// attributes from 56, each 8-byte aligned, an end marker; Protect() then moves the stride tails
// into the update sequence array as the disk holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"

namespace ntfs_test {

using Bytes = std::vector<std::byte>;

inline void Put16(Bytes& b, size_t at, uint16_t v) {
  bo::StoreLe<uint16_t>(b, at, v);
}
inline void Put32(Bytes& b, size_t at, uint32_t v) {
  bo::StoreLe<uint32_t>(b, at, v);
}
inline void Put64(Bytes& b, size_t at, uint64_t v) {
  bo::StoreLe<uint64_t>(b, at, v);
}

inline Bytes FromU8(std::initializer_list<uint8_t> v) {
  Bytes b;
  for (uint8_t x : v) b.push_back(std::byte{x});
  return b;
}

inline size_t Align8(size_t n) {
  return (n + 7) & ~size_t{7};
}

class RecordBuilder {
 public:
  static constexpr size_t kFirstAttribute = 56;
  static constexpr size_t kUsaOffset = 48;
  static constexpr uint32_t kNoBase = 0xFFFFFFFF;

  explicit RecordBuilder(size_t size = 1024, uint16_t flags = 1, uint32_t number = 0,
                         uint32_t baseRecord = kNoBase)
      : m_Bytes(size) {
    std::memcpy(m_Bytes.data(), "FILE", 4);
    Put16(m_Bytes, 4, kUsaOffset);
    Put16(m_Bytes, 6, static_cast<uint16_t>(size / 512 + 1));
    Put16(m_Bytes, 16, 1);  // sequence number
    Put16(m_Bytes, 18, 1);  // link count
    Put16(m_Bytes, 20, kFirstAttribute);
    Put16(m_Bytes, 22, flags);
    Put32(m_Bytes, 28, static_cast<uint32_t>(size));
    if (baseRecord != kNoBase) Put64(m_Bytes, 32, baseRecord | (uint64_t{1} << 48));
    Put32(m_Bytes, 44, number);
    m_Next = kFirstAttribute;
    End();
  }

  // Appends a resident attribute; returns its offset.
  size_t Resident(uint32_t type, const Bytes& value, std::u16string name = u"") {
    const size_t nameBytes = 2 * name.size();
    const size_t valueOffset = Align8(24 + nameBytes);
    const size_t length = Align8(valueOffset + value.size());
    const size_t at = Begin(type, length, 0, name, 24);
    Put32(m_Bytes, at + 16, static_cast<uint32_t>(value.size()));
    Put16(m_Bytes, at + 20, static_cast<uint16_t>(valueOffset));
    if (!value.empty()) std::memcpy(m_Bytes.data() + at + valueOffset, value.data(), value.size());
    return Finish(length);
  }

  // Appends a non-resident attribute with the given run list; returns its offset.
  size_t NonResident(uint32_t type, const Bytes& runList, uint64_t realSize,
                     std::u16string name = u"", uint64_t startVcn = 0) {
    const size_t nameBytes = 2 * name.size();
    const size_t runOffset = Align8(64 + nameBytes);
    const size_t length = Align8(runOffset + runList.size() + 1);
    const size_t at = Begin(type, length, 1, name, 64);
    Put64(m_Bytes, at + 16, startVcn);
    Put16(m_Bytes, at + 32, static_cast<uint16_t>(runOffset));
    Put64(m_Bytes, at + 40, realSize);
    Put64(m_Bytes, at + 48, realSize);
    Put64(m_Bytes, at + 56, realSize);
    std::memcpy(m_Bytes.data() + at + runOffset, runList.data(), runList.size());
    return Finish(length);
  }

  size_t StandardInformation(uint64_t created, uint64_t modified, uint64_t accessed) {
    Bytes v(72);
    Put64(v, 0, created);
    Put64(v, 8, modified);
    Put64(v, 16, modified);
    Put64(v, 24, accessed);
    return Resident(0x10, v);
  }

  size_t FileName(uint32_t parent, std::u16string name, uint8_t nameSpace) {
    Bytes v(66 + 2 * name.size());
    Put64(v, 0, parent | (uint64_t{1} << 48));
    v[64] = std::byte(name.size());
    v[65] = std::byte(nameSpace);
    for (size_t i = 0; i < name.size(); ++i) Put16(v, 66 + 2 * i, name[i]);
    return Resident(0x30, v);
  }

  size_t ResidentData(size_t size) { return Resident(0x80, Bytes(size, std::byte{'d'})); }

  // An attribute list of (type, record number, starting VCN) entries.
  struct ListEntry {
    uint32_t type;
    uint32_t record;
    uint64_t vcn = 0;
  };
  static Bytes AttributeList(const std::vector<ListEntry>& entries) {
    Bytes v;
    for (const auto& e : entries) {
      Bytes entry(32);
      Put32(entry, 0, e.type);
      Put16(entry, 4, 32);
      entry[7] = std::byte{26};
      Put64(entry, 8, e.vcn);
      Put64(entry, 16, e.record);
      v.insert(v.end(), entry.begin(), entry.end());
    }
    return v;
  }

  Bytes& Raw() { return m_Bytes; }
  size_t Next() const { return m_Next; }

  // The record as it lies on disk: stride tails saved in the update sequence, replaced by seq.
  Bytes Protected(uint16_t seq = 0x0A0B) const {
    Bytes b = m_Bytes;
    Put16(b, kUsaOffset, seq);
    for (size_t k = 0; k < b.size() / 512; ++k) {
      const size_t tail = 512 * k + 510;
      b[kUsaOffset + 2 + 2 * k] = b[tail];
      b[kUsaOffset + 3 + 2 * k] = b[tail + 1];
      Put16(b, tail, seq);
    }
    return b;
  }

 private:
  size_t Begin(uint32_t type, size_t length, uint8_t nonResident, const std::u16string& name,
               size_t nameAt) {
    const size_t at = m_Next;
    if (at + length + 8 > m_Bytes.size()) throw std::length_error("record full");
    Put32(m_Bytes, at, type);
    Put32(m_Bytes, at + 4, static_cast<uint32_t>(length));
    m_Bytes[at + 8] = std::byte{nonResident};
    m_Bytes[at + 9] = std::byte(name.size());
    Put16(m_Bytes, at + 10, static_cast<uint16_t>(nameAt));
    for (size_t i = 0; i < name.size(); ++i) Put16(m_Bytes, at + nameAt + 2 * i, name[i]);
    return at;
  }
  size_t Finish(size_t length) {
    const size_t at = m_Next;
    m_Next += length;
    End();
    return at;
  }
  void End() {
    Put32(m_Bytes, m_Next, 0xFFFFFFFF);
    Put32(m_Bytes, 24, static_cast<uint32_t>(m_Next + 8));
  }

  Bytes m_Bytes;
  size_t m_Next;
};

// A run list with one run: `clusters` clusters at cluster `lcn` (both fit 4 bytes).
inline Bytes OneRun(uint32_t clusters, uint32_t lcn) {
  Bytes b{std::byte{0x44}};
  for (int i = 0; i < 4; ++i) b.push_back(std::byte((clusters >> (8 * i)) & 0xFF));
  for (int i = 0; i < 4; ++i) b.push_back(std::byte((lcn >> (8 * i)) & 0xFF));
  b.push_back(std::byte{0});
  return b;
}

// A small NTFS volume in memory: 512-byte sectors, `spc` sectors per cluster, 1,024-byte records,
// the MFT at cluster mftCluster holding `records` records, described by record 0's $DATA.
struct Volume {
  uint32_t spc = 8;
  uint64_t mftCluster = 16;
  uint32_t records = 64;
  uint64_t sectors = 4096;
  Bytes disk;

  Volume() : disk(sectors * 512) {}
  explicit Volume(uint32_t recordCount, uint64_t totalSectors = 4096)
      : records(recordCount), sectors(totalSectors), disk(totalSectors * 512) {}

  uint64_t MftSector() const { return mftCluster * spc; }
  uint64_t RecordSector(uint32_t n) const { return MftSector() + 2 * uint64_t{n}; }

  void Put(uint32_t n, const Bytes& record) {
    std::memcpy(disk.data() + RecordSector(n) * 512, record.data(), record.size());
  }
  void Zero(uint32_t n) { std::memset(disk.data() + RecordSector(n) * 512, 0, 1024); }

  // Record 0 ($MFT), its $DATA covering all records in one run.
  void PutMftRecord() {
    RecordBuilder r(1024, 1, 0);
    r.StandardInformation(1, 2, 3);
    r.FileName(5, u"$MFT", 3);
    const uint32_t clusters = static_cast<uint32_t>((uint64_t{records} * 2 + spc - 1) / spc);
    r.NonResident(0x80, OneRun(clusters, static_cast<uint32_t>(mftCluster)),
                  uint64_t{records} * 1024);
    Put(0, r.Protected());
  }
  // Record 5, the root directory.
  void PutRoot() {
    RecordBuilder r(1024, 3, 5);
    r.StandardInformation(1, 2, 3);
    r.FileName(5, u".", 3);
    Put(5, r.Protected());
  }
  void PutFolder(uint32_t n, uint32_t parent, std::u16string name, bool deleted = false) {
    RecordBuilder r(1024, deleted ? 2 : 3, n);
    r.StandardInformation(100 + n, 200 + n, 300 + n);
    r.FileName(parent, std::move(name), 1);
    Put(n, r.Protected());
  }
  void PutFile(uint32_t n, uint32_t parent, std::u16string name, size_t size,
               bool deleted = false) {
    RecordBuilder r(1024, deleted ? 0 : 1, n);
    r.StandardInformation(100 + n, 200 + n, 300 + n);
    r.FileName(parent, std::move(name), 1);
    r.ResidentData(size);
    Put(n, r.Protected());
  }
};

}  // namespace ntfs_test
