#include "storage/ntfs/NtfsAttributes.h"

#include <gtest/gtest.h>

#include "storage/ntfs/NtfsIndx.h"
#include "storage/ntfs/NtfsRecord.h"
#include "tests/core/storage/ntfs/NtfsTestRecords.h"

namespace {

using ntfs_test::Bytes;
using ntfs_test::Put16;
using ntfs_test::Put32;
using ntfs_test::RecordBuilder;

struct Name {
  uint8_t ns;
  std::u16string text;
};

Bytes WithNames(const std::vector<Name>& names, uint32_t parent = 40) {
  RecordBuilder r;
  r.StandardInformation(0x1111, 0x2222, 0x3333);
  for (const auto& n : names) r.FileName(parent, n.text, n.ns);
  r.ResidentData(10);
  return r.Raw();
}

TEST(NtfsNames, PreferredNamespaceOrderIsPosixWin32BothDos) {
  struct Case {
    std::vector<Name> names;
    std::u16string expected;
  } cases[] = {
      {{{2, u"DOSNAM~1.TXT"}}, u"DOSNAM~1.TXT"},
      {{{2, u"LONGNA~1.TXT"}, {1, u"long name.txt"}}, u"long name.txt"},
      {{{3, u"BOTH.TXT"}, {2, u"DOS.TXT"}}, u"BOTH.TXT"},
      {{{1, u"win32"}, {0, u"posix"}}, u"posix"},
      {{{3, u"both"}, {1, u"win32"}}, u"win32"},
      {{{2, u"D"}, {3, u"B"}, {1, u"W"}, {0, u"P"}}, u"P"},
  };
  for (const auto& c : cases) {
    Bytes rec = WithNames(c.names);
    NtfsFileName out;
    ASSERT_EQ(NtfsFindPreferredFileName(rec, out), 1);
    EXPECT_EQ(std::u16string(out.View()), c.expected);
    EXPECT_EQ(out.parentRef, 40u);
    EXPECT_EQ(out.times.created, 0x1111u);
    EXPECT_EQ(out.times.modified, 0x2222u);
    EXPECT_EQ(out.times.accessed, 0x3333u);
    // The one-walk answer equals asking namespace by namespace.
    NtfsFileName single;
    for (uint8_t ns : {0, 1, 3, 2}) {
      if (NtfsFindFileName(rec, single, ns)) break;
    }
    EXPECT_EQ(std::u16string(single.View()), c.expected);
  }
}

TEST(NtfsNames, RootEntryGivesZero) {
  RecordBuilder root(1024, 3, 5);
  root.StandardInformation(1, 2, 3);
  root.FileName(5, u".", 3);
  Bytes disk = root.Protected();
  NtfsFileName out;
  EXPECT_EQ(NtfsGetPreferredFileName(disk, out), 0);
  RecordBuilder other(1024, 3, 6);
  other.FileName(7, u".", 3);
  disk = other.Protected();
  EXPECT_EQ(NtfsGetPreferredFileName(disk, out), 1);
  RecordBuilder nameless(1024, 1, 8);
  disk = nameless.Protected();
  EXPECT_EQ(NtfsGetPreferredFileName(disk, out), 1);
  EXPECT_EQ(out.length, 0);
  EXPECT_EQ(out.parentRef, 0u);
}

TEST(NtfsSizes, DataSizeFromTheUnnamedDataOnly) {
  RecordBuilder r;
  r.FileName(5, u"f", 1);
  r.Resident(0x80, Bytes(7), u"stream");
  r.NonResident(0x80, ntfs_test::OneRun(3, 100), 123456);
  uint64_t size = 0;
  ASSERT_EQ(NtfsGetDataSize(r.Raw(), size), 1);
  EXPECT_EQ(size, 123456u);
  size_t offset = 0;
  EXPECT_EQ(NtfsFindDataAttribute(r.Raw(), offset), 2);

  RecordBuilder resident;
  const size_t at = resident.ResidentData(700);
  ASSERT_EQ(NtfsGetDataSizeBounded(resident.Raw(), size), 1);
  EXPECT_EQ(size, 700u);
  EXPECT_EQ(NtfsFindDataAttribute(resident.Raw(), offset), 1);
  EXPECT_EQ(offset, at);

  RecordBuilder none;
  none.FileName(5, u"x", 1);
  EXPECT_EQ(NtfsGetDataSize(none.Raw(), size), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(NtfsFindDataAttribute(none.Raw(), offset), 0);

  // A non-resident flag of 2 is neither kind.
  RecordBuilder odd;
  const size_t p = odd.ResidentData(4);
  odd.Raw()[p + 8] = std::byte{2};
  EXPECT_EQ(NtfsFindDataAttribute(odd.Raw(), offset), 0);
}

// One field of a good record changed per case: every finder must say "not found" (or find what
// lies before the damage), never read outside the record.
TEST(NtfsAttributesNegative, OneFieldChanged) {
  RecordBuilder base;
  const size_t si = base.StandardInformation(1, 2, 3);
  const size_t fn = base.FileName(40, u"name.txt", 1);
  const size_t data = base.ResidentData(20);
  const Bytes good = base.Raw();
  struct Case {
    const char* what;
    size_t at;
    int width;
    uint32_t value;
    bool nameFound;
    bool sizeFound;
  } cases[] = {
      {"first attribute past the record", 20, 2, 2000, false, false},
      {"first attribute at the end", 20, 2, 1020, false, false},
      {"SI length 0", si + 4, 4, 0, false, false},
      {"SI length past the record", si + 4, 4, 5000, false, false},
      {"SI length 8", si + 4, 4, 8, false, false},
      {"name attribute length 0", fn + 4, 4, 0, false, false},
      {"name length past its value", fn + 24 + 64, 1, 200, false, true},
      {"name value offset past the attribute", fn + 20, 2, 400, false, true},
      {"name value length past the attribute", fn + 16, 4, 4000, false, true},
      {"name made non-resident", fn + 8, 1, 1, false, true},
      {"end marker gone", data + 32, 4, 0x30, true, true},
      {"data value past the attribute", data + 16, 4, 900, true, false},
      {"data type 0 ends the walk", data, 4, 0, true, false},
      {"SI type end marker", si, 4, 0xFFFFFFFF, false, false},
  };
  for (const auto& c : cases) {
    Bytes r = good;
    if (c.width == 1)
      r[c.at] = std::byte(c.value);
    else if (c.width == 2)
      Put16(r, c.at, static_cast<uint16_t>(c.value));
    else
      Put32(r, c.at, c.value);
    NtfsFileName name;
    EXPECT_EQ(NtfsFindPreferredFileName(r, name) == 1, c.nameFound) << c.what;
    if (c.nameFound) {
      EXPECT_EQ(std::u16string(name.View()), u"name.txt") << c.what;
    }
    uint64_t size = 0;
    EXPECT_EQ(NtfsGetDataSize(r, size) == 1, c.sizeFound) << c.what;
    // Whatever the damage, a short span is never read past.
    for (size_t cut : {size_t{0}, size_t{30}, size_t{100}, size_t{300}}) {
      bo::Bytes shorter(r.data(), cut);
      NtfsFindPreferredFileNameBounded(shorter, name);
      NtfsGetDataSizeBounded(shorter, size);
      uint32_t refs[4];
      NtfsCollectAttributeListRefs(shorter, refs, 0);
      NtfsGetIndexRootParentRef(shorter);
      NtfsGetIndexAllocationLcn(shorter, 1024);
    }
  }
}

TEST(NtfsAttributeList, RefsInOrderUpToTheCapacity) {
  RecordBuilder r(1024, 1, 30);
  r.Resident(0x20,
             RecordBuilder::AttributeList({{0x10, 30}, {0x30, 30}, {0x80, 31}, {0x80, 32, 100}}));
  r.FileName(5, u"big", 1);
  std::array<uint32_t, 50> refs{};
  refs[0] = 30;
  EXPECT_EQ(NtfsCollectAttributeListRefs(r.Raw(), refs, 1), 5u);
  EXPECT_EQ((std::vector<uint32_t>(refs.begin(), refs.begin() + 5)),
            (std::vector<uint32_t>{30, 30, 30, 31, 32}));
  // Full: stops at the capacity.
  std::array<uint32_t, 3> small{};
  EXPECT_EQ(NtfsCollectAttributeListRefs(r.Raw(), small, 1), 3u);
  // A non-resident list is stepped over.
  RecordBuilder nr;
  nr.NonResident(0x20, ntfs_test::OneRun(1, 50), 64);
  EXPECT_EQ(NtfsCollectAttributeListRefs(nr.Raw(), refs, 0), 0u);
}

Bytes DirectoryRecord(uint32_t owner, uint32_t allocationLcn) {
  RecordBuilder r(1024, 3, owner);
  r.StandardInformation(1, 2, 3);
  r.FileName(5, u"dir", 1);
  // $INDEX_ROOT value: 16-byte root header, 16-byte node header, then the first entry whose key
  // begins 16 bytes in; the key's parent reference is the directory itself.
  Bytes value(32 + 16 + 66 + 6);
  Put32(value, 32 + 16, owner);
  value[32 + 16 + 64] = std::byte{3};  // name length of the first entry's key
  r.Resident(0x90, value, u"$I30");
  if (allocationLcn) r.NonResident(0xA0, ntfs_test::OneRun(1, allocationLcn), 4096, u"$I30");
  return r.Raw();
}

TEST(NtfsIndex, RootParentAndAllocationCluster) {
  Bytes dir = DirectoryRecord(77, 0x123456);
  EXPECT_EQ(NtfsGetIndexRootParentRef(dir), 77u);
  EXPECT_EQ(NtfsGetIndexAllocationLcn(dir, dir.size()), 0x123456u);
  EXPECT_NE(NtfsFindResidentI30(dir, 0x90, dir.size()), 0u);
  EXPECT_EQ(NtfsFindNonResidentI30(dir, 0x90, dir.size()), 0u);
  Bytes small = DirectoryRecord(78, 0);
  EXPECT_EQ(NtfsGetIndexAllocationLcn(small, small.size()), 0u);
  // A name other than $I30 is not the directory index.
  Bytes renamed = dir;
  const size_t at = NtfsFindResidentI30(renamed, 0x90, renamed.size());
  Put16(renamed, at + 24 + 2, u'X');
  EXPECT_EQ(NtfsGetIndexRootParentRef(renamed), 0u);
}

Bytes IndxBlock(uint32_t parent, uint32_t allocated = 4072, uint32_t first = 40) {
  Bytes b(4096);
  std::memcpy(b.data(), "INDX", 4);
  Put32(b, 16, 9);
  Put32(b, 24, first);
  Put32(b, 32, allocated);
  Put32(b, 24 + first + 16, parent);
  return b;
}

TEST(NtfsIndex, IndxHeaderChecks) {
  uint32_t parent = 0, vcn = 0;
  EXPECT_EQ(NtfsCheckIndxHeader(IndxBlock(64), parent, vcn), 1);
  EXPECT_EQ(parent, 64u);
  EXPECT_EQ(vcn, 9u);
  struct Case {
    const char* what;
    Bytes block;
    bool vcnStored;
  } cases[] = {
      {"parent 3", IndxBlock(3), true},
      {"parent 0xFFFFFFFF", IndxBlock(0xFFFFFFFF), true},
      {"allocated too large", IndxBlock(64, 65520), false},
      {"first entry beyond the allocation", IndxBlock(64, 100, 90), true},
      {"key beyond 512 bytes", IndxBlock(64, 4072, 480), true},
  };
  for (const auto& c : cases) {
    uint32_t p = 0, v = 0;
    EXPECT_EQ(NtfsCheckIndxHeader(c.block, p, v), 0) << c.what;
    EXPECT_EQ(v == 9, c.vcnStored) << c.what;
  }
}

}  // namespace
