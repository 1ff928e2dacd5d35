#include "storage/vdisk/vmdk/VmdkDescriptor.h"

#include <gtest/gtest.h>

namespace {

TEST(VmdkDescriptor, TakesGeometryTypeAndExtents) {
  const std::string text =
      "# Disk DescriptorFile\n"
      "version=1\r\n"
      "CID=94bcf422\n"
      "parentCID=ffffffff\n"
      "createType=\"twoGbMaxExtentFlat\"\n"
      "\n"
      "# Extent description\n"
      "RW 4194304 FLAT \"disk-f001.vmdk\" 0\n"
      "RDONLY 2097152 FLAT \"disk f002.vmdk\" 128\r\n"
      "NOACCESS 8 SPARSE \"third.vmdk\"\n"
      "ddb.geometry.cylinders = \"6241\"\n"
      "ddb.geometry.heads = \"16\"\n"
      "ddb.geometry.sectors = \"63\"\n";
  VmdkDescriptor d;
  ASSERT_TRUE(ParseVmdkDescriptor(text + std::string(40, '\0') + "RW 1 FLAT \"x\"\n", d));
  EXPECT_EQ(d.createType, "twoGbMaxExtentFlat");
  EXPECT_EQ(d.cylinders, "6241");
  EXPECT_EQ(d.heads, "16");
  EXPECT_EQ(d.sectors, "63");
  EXPECT_FALSE(d.hasParent);
  ASSERT_EQ(d.extents.size(), 3u);  // the text ends at the first NUL
  EXPECT_EQ(d.extents[0].fileName, "disk-f001.vmdk");
  EXPECT_EQ(d.extents[0].sizeText, "4194304");
  EXPECT_EQ(d.extents[1].fileName, "disk f002.vmdk");
  EXPECT_EQ(d.extents[1].fileOffset, 128u);
  EXPECT_EQ(d.extents[2].sizeText, "8");
}

TEST(VmdkDescriptor, ParentsAndDamagedExtentLines) {
  struct Case {
    const char* line;
    bool parses;
    bool parent;
  } cases[] = {
      {"parentCID=ffffffff", true, false},
      {"parentCID=1a2b3c4d", true, true},
      {"parentFileNameHint=\"base.vmdk\"", true, true},
      {"RW 100 SPARSE \"a.vmdk\"", true, false},
      {"RW SPARSE \"a.vmdk\"", false, false},
      {"RW 100 SPARSE", false, false},
      {"RW -5 FLAT \"a.vmdk\" 0", false, false},
      {"RW 100 FLAT \"a.vmdk\" x", false, false},
      {"RW 99999999999999999999 FLAT \"a.vmdk\"", false, false},
  };
  for (const auto& c : cases) {
    VmdkDescriptor d;
    EXPECT_EQ(ParseVmdkDescriptor(std::string("createType=\"monolithicSparse\"\n") + c.line, d),
              c.parses)
        << c.line;
    if (c.parses) {
      EXPECT_EQ(d.hasParent, c.parent) << c.line;
    }
  }
}

}  // namespace
