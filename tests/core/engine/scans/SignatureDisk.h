// Small NTFS volumes laid into a memory disk for the signature-scan tests and fuzz target: a boot
// sector, FILE records at their MFT places, directories with a resident $INDEX_ROOT "$I30" and,
// when asked, an INDX block of their $INDEX_ALLOCATION "$I30". 512-byte sectors throughout.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/core/storage/ntfs/NtfsTestRecords.h"

namespace sig_test {

using ntfs_test::Bytes;
using ntfs_test::Put16;
using ntfs_test::Put32;
using ntfs_test::Put64;
using ntfs_test::RecordBuilder;

constexpr uint32_t kDirectoryFlag = 0x10000000;

// A $FILE_NAME value as an index key: parent, creation time, flags, name.
inline Bytes FileNameKey(uint32_t parent, uint64_t created, uint32_t flags, std::u16string name) {
  Bytes k(66 + 2 * name.size());
  Put64(k, 0, parent | (uint64_t{1} << 48));
  Put64(k, 8, created);
  Put32(k, 56, flags);
  k[64] = std::byte(name.size());
  k[65] = std::byte{1};
  for (size_t i = 0; i < name.size(); ++i) Put16(k, 66 + 2 * i, name[i]);
  return k;
}

struct IndexEntry {
  uint32_t mft;
  uint32_t parent;
  uint64_t created;
  bool directory;
  std::u16string name;
};

// Index entries as they follow a node header: each entry, then the end entry.
inline Bytes IndexEntries(const std::vector<IndexEntry>& entries) {
  Bytes out;
  for (const auto& e : entries) {
    Bytes key = FileNameKey(e.parent, e.created, e.directory ? kDirectoryFlag : 0, e.name);
    const size_t length = ntfs_test::Align8(16 + key.size());
    Bytes entry(length);
    Put64(entry, 0, e.mft | (uint64_t{1} << 48));
    Put16(entry, 8, static_cast<uint16_t>(length));
    Put16(entry, 10, static_cast<uint16_t>(key.size()));
    std::memcpy(entry.data() + 16, key.data(), key.size());
    out.insert(out.end(), entry.begin(), entry.end());
  }
  Bytes end(16);
  Put16(end, 8, 16);
  Put32(end, 12, 2);
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

// Moves every 512-byte stride tail into the update sequence array at usaOffset.
inline void Protect(Bytes& b, size_t usaOffset, uint16_t seq = 0x0C0D) {
  Put16(b, usaOffset, seq);
  for (size_t k = 0; k < b.size() / 512; ++k) {
    const size_t tail = 512 * k + 510;
    b[usaOffset + 2 + 2 * k] = b[tail];
    b[usaOffset + 3 + 2 * k] = b[tail + 1];
    Put16(b, tail, seq);
  }
}

// An INDX block of `size` bytes at VCN vcn holding entries.
inline Bytes IndxBlock(uint32_t vcn, const std::vector<IndexEntry>& entries, size_t size = 4096) {
  Bytes b(size);
  std::memcpy(b.data(), "INDX", 4);
  Put16(b, 4, 40);
  Put16(b, 6, static_cast<uint16_t>(size / 512 + 1));
  Put64(b, 16, vcn);
  const Bytes e = IndexEntries(entries);
  const uint32_t first = 40;  // entries at 24 + 40
  Put32(b, 24, first);
  Put32(b, 28, static_cast<uint32_t>(first + e.size()));
  Put32(b, 32, static_cast<uint32_t>(size - 24));
  std::memcpy(b.data() + 24 + first, e.data(), e.size());
  Protect(b, 40);
  return b;
}

// A resident $INDEX_ROOT "$I30" value with the given entries (an empty list gives the end entry
// alone, as a large directory's root may hold).
inline Bytes IndexRootValue(const std::vector<IndexEntry>& entries) {
  const Bytes e = IndexEntries(entries);
  Bytes v(32 + e.size());
  Put32(v, 0, 0x30);
  Put32(v, 4, 1);
  Put32(v, 8, 4096);
  v[12] = std::byte{1};
  Put32(v, 16, 16);
  Put32(v, 20, static_cast<uint32_t>(16 + e.size()));
  Put32(v, 24, static_cast<uint32_t>(16 + e.size()));
  std::memcpy(v.data() + 32, e.data(), e.size());
  return v;
}

inline Bytes OneRun(uint32_t clusters, uint32_t lcn) {
  return ntfs_test::OneRun(clusters, lcn);
}

// A volume being laid out at sector `start` of a disk.
struct VolumeWriter {
  VolumeWriter(Bytes& disk, uint64_t start, uint32_t spc, uint64_t total)
      : disk(disk), start(start), spc(spc), total(total) {}

  Bytes& disk;
  uint64_t start;
  uint32_t spc;
  uint64_t total;
  uint64_t mftCluster = 4;

  uint64_t RecordSector(uint32_t n) const { return start + mftCluster * spc + 2 * uint64_t{n}; }
  uint64_t ClusterSector(uint32_t lcn) const { return start + uint64_t{lcn} * spc; }

  void Write(uint64_t sector, const Bytes& b) {
    std::memcpy(disk.data() + sector * 512, b.data(), b.size());
  }
  void Boot(uint8_t perRecord = 0xF6, uint8_t perIndex = 0xF4) {
    Bytes s(512);
    s[0] = std::byte{0xEB};
    s[1] = std::byte{0x52};
    s[2] = std::byte{0x90};
    std::memcpy(s.data() + 3, "NTFS    ", 8);
    Put16(s, 11, 512);
    s[13] = std::byte(spc);
    Put64(s, 40, total);
    Put64(s, 48, mftCluster);
    Put64(s, 56, 2);
    s[64] = std::byte{perRecord};
    s[68] = std::byte{perIndex};
    s[510] = std::byte{0x55};
    s[511] = std::byte{0xAA};
    Write(start, s);
  }
  static uint64_t Created(uint32_t n) { return 0x01D0000000000000ull + n; }

  // Records whose header does not carry their own MFT number (as NTFS before 3.1 wrote them), so
  // the scan has to work the number out.
  std::vector<uint32_t> unnumbered;
  uint32_t Stored(uint32_t n) const {
    for (uint32_t u : unnumbered)
      if (u == n) return 0;
    return n;
  }

  // A file record n with the name, parent, flags and a resident $DATA of `size` bytes.
  void File(uint32_t n, uint32_t parent, std::u16string name, size_t size, uint16_t flags = 1) {
    RecordBuilder r(1024, flags, Stored(n));
    r.StandardInformation(Created(n), 200 + n, 300 + n);
    r.FileName(parent, std::move(name), 1);
    r.ResidentData(size);
    Write(RecordSector(n), r.Protected());
  }
  // A directory record n; its $INDEX_ROOT holds `rootEntries`; with indexLcn != 0 it has an
  // $INDEX_ALLOCATION at that cluster, and `blockEntries` are written there as its VCN 0 block.
  void Directory(uint32_t n, uint32_t parent, std::u16string name,
                 const std::vector<IndexEntry>& rootEntries, uint32_t indexLcn = 0,
                 const std::vector<IndexEntry>& blockEntries = {}, uint16_t flags = 3) {
    RecordBuilder r(1024, flags, Stored(n));
    r.StandardInformation(Created(n), 200 + n, 300 + n);
    r.FileName(parent, std::move(name), 1);
    r.Resident(0x90, IndexRootValue(rootEntries), u"$I30");
    if (indexLcn) {
      r.NonResident(0xA0, OneRun(1, indexLcn), 4096, u"$I30");
      Write(ClusterSector(indexLcn), IndxBlock(0, blockEntries));
    }
    Write(RecordSector(n), r.Protected());
  }
  // An entry naming record n of this volume.
  static IndexEntry Entry(uint32_t n, uint32_t parent, std::u16string name, bool dir = false) {
    return {n, parent, Created(n), dir, std::move(name)};
  }

  // The sample volume of the tests: $MFT (0), $MFTMirr (1), the root (5) with an index block,
  // Docs (30) with its own index, Big (32) whose root index is empty (its number comes from the
  // root's block), their files, a record without a name (34) and a file after the last directory
  // (35). Clusters 100.. hold the index blocks. Big, b.txt and tail.txt do not carry their numbers.
  void Sample(std::u16string tag = u"") {
    unnumbered = {32, 33, 35};
    Boot();
    File(0, 5, u"$MFT", 0);
    File(1, 5, u"$MFTMirr", 0);
    Directory(5, 5, u".", {Entry(30, 5, u"Docs", true)}, 120,
              {Entry(30, 5, u"Docs", true), Entry(32, 5, u"Big", true)});
    Directory(30, 5, u"Docs" + tag, {Entry(31, 30, u"a.txt")}, 100, {Entry(31, 30, u"a.txt")});
    File(31, 30, u"a" + tag + u".txt", 100);
    Directory(32, 5, u"Big", {}, 110, {Entry(33, 32, u"b.txt")});
    File(33, 32, u"b.txt", 500);
    RecordBuilder nameless(1024, 1, 34);
    nameless.ResidentData(5);
    Write(RecordSector(34), nameless.Protected());
    File(35, 5, u"tail" + tag + u".txt", 7, 0);
  }
};

}  // namespace sig_test
