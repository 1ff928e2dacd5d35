#include "storage/vdisk/vmdk/VmdkImage.h"

#include <gtest/gtest.h>

#include "tests/core/storage/vdisk/GuestSectors.h"

namespace {

using namespace vdisk_test;

struct Sparse {
  uint64_t capacity = 64;
  uint64_t grain = 8;
  uint32_t tableEntries = 4;
  uint64_t firstSector = 0;  // disk sector of the extent's sector 0, for the data pattern
  std::string descriptor;    // embedded descriptor, empty for none
};

// A sparse extent: header at 0, descriptor at 1-2, redundant directory at 3, primary at 4 (both
// naming the same two grain tables from sector 5), grains after them. Table 0 maps grain 0 and
// grain 3 to data, leaves grain 1 unallocated and marks grain 2 zeroed (entry 1); table 1 maps
// its grain 1 (grain tableEntries + 1) to data. Directories hold at most 128 entries here.
std::vector<std::byte> MakeSparse(const Sparse& s) {
  const uint64_t tableSectors = (s.tableEntries * 4 + 511) / 512;
  const uint64_t data = (5 + 2 * tableSectors + 7) / 8 * 8;
  std::vector<std::byte> f(512 * data);
  PutText(f, 0, "KDMV");
  Put<uint32_t>(f, 4, 1);
  Put<uint32_t>(f, 8, 3);
  Put<uint64_t>(f, 12, s.capacity);
  Put<uint64_t>(f, 20, s.grain);
  Put<uint64_t>(f, 28, s.descriptor.empty() ? 0 : 1);
  Put<uint64_t>(f, 36, s.descriptor.empty() ? 0 : 2);
  Put<uint32_t>(f, 44, s.tableEntries);
  Put<uint64_t>(f, 48, 3);
  Put<uint64_t>(f, 56, 4);
  Put<uint64_t>(f, 64, data);
  PutText(f, 512, s.descriptor);
  for (uint32_t gd : {3u, 4u}) {
    Put<uint32_t>(f, gd * 512, 5);
    Put<uint32_t>(f, gd * 512 + 4, static_cast<uint32_t>(5 + tableSectors));
  }
  const uint64_t table0[] = {data, 0, 1, data + s.grain};
  for (int i = 0; i < 4; ++i) Put<uint32_t>(f, 5 * 512 + i * 4, static_cast<uint32_t>(table0[i]));
  Put<uint32_t>(f, (5 + tableSectors) * 512 + 4, static_cast<uint32_t>(data + 2 * s.grain));
  PutGuestSectors(f, data * 512, s.firstSector, s.grain);
  PutGuestSectors(f, (data + s.grain) * 512, s.firstSector + 3 * s.grain, s.grain);
  PutGuestSectors(f, (data + 2 * s.grain) * 512, s.firstSector + (s.tableEntries + 1) * s.grain,
                  s.grain);
  return f;
}

const std::string kEmbedded =
    "# Disk DescriptorFile\nversion=1\nparentCID=ffffffff\ncreateType=\"monolithicSparse\"\n"
    "RW 64 SPARSE \"disk.vmdk\"\n";

std::string DescriptorFile(const std::string& type, const std::string& extents) {
  return "# Disk DescriptorFile\nversion=1\nCID=12345678\nparentCID=ffffffff\ncreateType=\"" +
         type + "\"\n\n# Extent description\n" + extents + "\nddb.geometry.cylinders = \"4\"\n";
}

std::vector<std::byte> Bytes(const std::string& text) {
  std::vector<std::byte> b;
  PutText(b, 0, text);
  return b;
}

TEST(VmdkImage, MonolithicSparseReadsGrains) {
  MemoryFiles files;
  files.Put("/d/disk.vmdk", MakeSparse({.descriptor = kEmbedded}));
  VmdkImage image(files.Opener());
  std::string type;
  ASSERT_EQ(image.Open("/d/disk.vmdk", &type), 1);
  EXPECT_EQ(type, "monolithicSparse");
  EXPECT_EQ(image.DiskSizeBytes(), 64u * 512);
  std::vector<std::byte> run(512 * 48, std::byte{0xEE});
  ASSERT_EQ(image.Read(0, run), 1);
  for (uint64_t s = 0; s < 48; ++s) {
    const bool data = s < 8 || (s >= 24 && s < 32) || s >= 40;
    if (data)
      EXPECT_TRUE(HoldsGuestSector(run, s, s)) << s;
    else
      EXPECT_TRUE(IsZero(std::span(run).subspan(s * 512, 512))) << s;
  }
  std::vector<std::byte> two(1024);
  ASSERT_EQ(image.Read(31, two), 1);
  EXPECT_TRUE(HoldsGuestSector(two, 0, 31));
  EXPECT_TRUE(IsZero(std::span(two).subspan(512)));
  EXPECT_EQ(image.Read(63, two), 0);
  EXPECT_TRUE(IsZero(two));
}

TEST(VmdkImage, SparseOpenResults) {
  struct Case {
    const char* what;
    size_t offset;
    uint64_t value;
    int width;
    int expected;
    const char* type;
  } cases[] = {
      {"valid", 4, 1, 4, 1, "monolithicSparse"},
      {"no descriptor", 28, 0, 8, 0, ""},
      {"both grain directories 0", 48, 0, 16, 1, "Damaged"},
      {"redundant directory empty, primary used", 3 * 512, 0, 4, 1, "monolithicSparse"},
      {"redundant directory at 0, primary used", 48, 0, 8, 1, "monolithicSparse"},
      // Stream-optimized: known by its type, never read.
      {"compressed grains", 8, 0x10003, 4, 1, "streamOptimized"},
      {"grain markers", 8, 0x20003, 4, 1, "streamOptimized"},
      {"version 4", 4, 4, 4, 2, ""},
      {"grain size 0", 20, 0, 8, 2, ""},
      {"grain size 12", 20, 12, 8, 2, ""},
      {"no grain table entries", 44, 0, 4, 2, ""},
      {"descriptor past the file end", 28, 1000, 8, 2, ""},
  };
  for (const auto& c : cases) {
    MemoryFiles files;
    auto f = MakeSparse({.descriptor = kEmbedded});
    if (c.width == 4) Put<uint32_t>(f, c.offset, static_cast<uint32_t>(c.value));
    if (c.width == 8) Put<uint64_t>(f, c.offset, c.value);
    if (c.width == 16) {
      Put<uint64_t>(f, c.offset, 0);
      Put<uint64_t>(f, c.offset + 8, 0);
    }
    files.Put("/d/disk.vmdk", f);
    VmdkImage image(files.Opener());
    std::string type;
    EXPECT_EQ(image.Open("/d/disk.vmdk", &type), c.expected) << c.what;
    if (c.expected == 1) {
      EXPECT_EQ(type, c.type) << c.what;
    }
    std::vector<std::byte> buf(512);
    if (c.expected == 1 && type != "Damaged" && type != "streamOptimized") {
      ASSERT_EQ(image.Read(25, buf), 1) << c.what;
      EXPECT_TRUE(HoldsGuestSector(buf, 0, 25)) << c.what;
    } else {
      EXPECT_EQ(image.Read(25, buf), 0) << c.what;
    }
  }
}

TEST(VmdkImage, DisksWithAParentAreRefused) {
  MemoryFiles files;
  std::string child = kEmbedded;
  child.replace(child.find("ffffffff"), 8, "0badf00d");
  files.Put("/d/child.vmdk", MakeSparse({.descriptor = child}));
  files.Put("/d/delta.vmdk", Bytes(DescriptorFile("monolithicSparse", "RW 64 SPARSE \"c.vmdk\"") +
                                   "parentFileNameHint=\"base.vmdk\"\n"));
  for (const char* path : {"/d/child.vmdk", "/d/delta.vmdk"}) {
    VmdkImage image(files.Opener());
    std::string type;
    EXPECT_EQ(image.Open(path, &type), 2) << path;
    EXPECT_EQ(type, kVmdkNeedsParentType) << path;
  }
}

TEST(VmdkImage, TwoGbMaxExtentSparseFindsTheExtentOfASector) {
  constexpr uint64_t kExtent = 4192256;
  MemoryFiles files;
  std::string extents;
  for (int k = 0; k < 4; ++k) {
    const std::string name = "disk-s00" + std::to_string(k + 1) + ".vmdk";
    extents += "RW " + std::to_string(kExtent) + " SPARSE \"" + name + "\"\n";
    if (k == 2) continue;  // a missing extent file
    files.Put("/d/" + name, MakeSparse({.capacity = kExtent,
                                        .grain = 128,
                                        .tableEntries = 512,
                                        .firstSector = k * kExtent,
                                        .descriptor = ""}));
  }
  files.Put("/d/disk.vmdk", Bytes(DescriptorFile("twoGbMaxExtentSparse", extents)));
  VmdkImage image(files.Opener());
  std::string type;
  ASSERT_EQ(image.Open("/d/disk.vmdk", &type), 1);
  EXPECT_EQ(type, "twoGbMaxExtentSparse");
  EXPECT_EQ(image.DiskSizeBytes(), 4 * kExtent * 512);
  std::vector<std::byte> run(512 * 3, std::byte{0xEE});
  ASSERT_EQ(image.Read(kExtent - 1, run), 1);
  EXPECT_TRUE(IsZero(std::span(run).first(512)));
  EXPECT_TRUE(HoldsGuestSector(run, 1, kExtent));
  EXPECT_TRUE(HoldsGuestSector(run, 2, kExtent + 1));
  ASSERT_EQ(image.Read(3 * kExtent + 41, run), 1);
  EXPECT_TRUE(HoldsGuestSector(run, 0, 3 * kExtent + 41));
  // The missing third extent file fails the read with zeros; the others read.
  EXPECT_EQ(image.Read(2 * kExtent, run), 0);
  EXPECT_TRUE(IsZero(run));
  ASSERT_EQ(image.Read(kExtent, run), 1);
  EXPECT_TRUE(HoldsGuestSector(run, 0, kExtent));
}

TEST(VmdkImage, FlatExtentsOfDifferentSizes) {
  MemoryFiles files;
  std::vector<std::byte> a, b;
  PutGuestSectors(a, 0, 0, 10);
  PutGuestSectors(b, 4 * 512, 10, 20);
  files.Put("/d/a.vmdk", a);
  files.Put("/d/b.vmdk", b);
  for (const char* type : {"twoGbMaxExtentFlat", "monolithicFlat", "vmfs"}) {
    files.Put("/d/disk.vmdk",
              Bytes(DescriptorFile(type, "RW 10 FLAT \"a.vmdk\" 0\nRW 20 FLAT \"b.vmdk\" 4\n")));
    VmdkImage image(files.Opener());
    std::string text;
    ASSERT_EQ(image.Open("/d/disk.vmdk", &text), 1) << type;
    EXPECT_EQ(text, type);
    EXPECT_EQ(image.DiskSizeBytes(), 30u * 512);
    std::vector<std::byte> run(512 * 30);
    ASSERT_EQ(image.Read(0, run), 1) << type;
    for (uint64_t s = 0; s < 30; ++s) EXPECT_TRUE(HoldsGuestSector(run, s, s)) << type << s;
  }
}

TEST(VmdkImage, BareFilesAndOtherTypes) {
  MemoryFiles files;
  std::vector<std::byte> raw;
  PutGuestSectors(raw, 0, 0, 6);
  files.Put("/d/disk.img", raw);
  files.Put("/d/disk.VMDK", raw);
  files.Put("/d/custom.vmdk", Bytes(DescriptorFile("custom", "RW 6 FLAT \"disk.VMDK\" 0\n")));
  struct Case {
    const char* path;
    int expected;
    const char* type;
    int read;
  } cases[] = {
      {"/d/disk.img", 2, "", 0},
      {"/d/disk.VMDK", 1, "flat", 1},
      {"/d/custom.vmdk", 1, "custom", 0},
      {"/d/missing.vmdk", 3, "Used", 0},
  };
  for (const auto& c : cases) {
    VmdkImage image(files.Opener());
    std::string type = "stale";
    EXPECT_EQ(image.Open(c.path, &type), c.expected) << c.path;
    EXPECT_EQ(type, c.type) << c.path;
    std::vector<std::byte> buf(512);
    EXPECT_EQ(image.Read(5, buf), c.read) << c.path;
    if (c.read) {
      EXPECT_TRUE(HoldsGuestSector(buf, 0, 5));
    }
  }
}

}  // namespace
