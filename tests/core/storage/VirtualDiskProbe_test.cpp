#include "storage/VirtualDiskProbe.h"

#include <gtest/gtest.h>

#include <functional>

#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "tests/core/storage/StorageTestUtil.h"
#include "tests/core/storage/vdisk/VdiskTestImages.h"

namespace {

using vdisk_test::ClusterImageBuilder;
using vdisk_test::SectorByte;
using vdisk_test::SectorHolds;
using vdisk_test::VhdBuilder;
using vdisk_test::WriteFile;
using Kind = ClusterImageBuilder::Kind;

class VirtualDiskChoice : public ::testing::Test {
 protected:
  void SetUp() override { ResetSourceGlobals(); }
  void TearDown() override {
    for (VirtualDiskFormat f :
         {VirtualDiskFormat::Qcow, VirtualDiskFormat::Qed, VirtualDiskFormat::Vhd}) {
      SetVirtualDiskReader(f, nullptr);
      if (VirtualDiskReader* r = ReaderObjectOf(f)) r->Close();
    }
    ResetSourceGlobals();
  }
  std::string Put(const std::string& name, const std::vector<std::byte>& bytes) {
    WriteFile(dir_.path() + "/" + name, bytes);
    return dir_.path() + "/" + name;
  }
  static std::vector<std::byte> Qcow2(std::function<void(ClusterImageBuilder&)> edit = {}) {
    ClusterImageBuilder b(Kind::Qcow2, 9, 128 * 1024);
    b.Write(2);
    if (edit) edit(b);
    return b.Bytes();
  }

  storage_test::TempDir dir_;
};

TEST_F(VirtualDiskChoice, TheProbeNamesTheFormatAndOkAcceptsOrSaysWhy) {
  struct Case {
    const char* name;
    std::vector<std::byte> bytes;
    int probe;
    VirtualDiskFormat format;
    std::string message;
  } cases[] = {
      {"disk.qcow2", Qcow2(), 1, VirtualDiskFormat::Qcow, ""},
      {"disk.qed",
       [] {
         ClusterImageBuilder b(Kind::Qed, 12, 1 << 20);
         b.Write(0);
         return b.Bytes();
       }(),
       1, VirtualDiskFormat::Qed, ""},
      {"disk.vhd", VhdBuilder(VhdBuilder::kDynamic, 32768).Bytes(), 1, VirtualDiskFormat::Vhd, ""},
      {"enc.qcow2", Qcow2([](auto& b) { b.File().Be32(32, 1); }), 2, VirtualDiskFormat::Qcow,
       kVirtualFileCorrupted},
      {"snap.qcow2", Qcow2([](auto& b) { b.File().Be32(60, 2); }), 2, VirtualDiskFormat::Qcow,
       kVirtualFileCorrupted},
      // A sound image whose data partly lives in its backing file is not called corrupted.
      {"backed.qcow2", Qcow2([](auto& b) { b.File().Be64(8, 200); }), 2, VirtualDiskFormat::Qcow,
       kVirtualFileNeedsBacking},
      {"backed.qed",
       [] {
         ClusterImageBuilder b(Kind::Qed, 12, 1 << 20);
         b.File().Le64(16, 1);
         return b.Bytes();
       }(),
       2, VirtualDiskFormat::Qed, kVirtualFileNeedsBacking},
      {"v3.qcow2", Qcow2([](auto& b) { b.File().Be32(4, 3); }), 0, VirtualDiskFormat::Vmdk,
       kSelectValidFile},
      {"odd.qed",
       [] {
         ClusterImageBuilder b(Kind::Qed, 12, 1000000);
         return b.Bytes();
       }(),
       0, VirtualDiskFormat::Vmdk, kSelectValidFile},
      {"child.avhd",
       [] {
         VhdBuilder b(VhdBuilder::kDifferencing, 32768);
         b.SetParent(Uuid{std::byte{5}}, u"gone.vhd");
         return b.Bytes();
       }(),
       1, VirtualDiskFormat::Vhd, kParentFileNotFound},
      {"bad.vhd",
       [] {
         VhdBuilder b(VhdBuilder::kDynamic, 32768);
         b.headerBe32[32] = 3;
         return b.Bytes();
       }(),
       2, VirtualDiskFormat::Vhd, kVirtualFileCorrupted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Put(c.name, c.bytes);
    EXPECT_EQ(ChooseVirtualDiskPath(path), c.probe);
    EXPECT_EQ(g_VirtualDiskPath, path);
    EXPECT_EQ(g_VirtualDiskType, c.format);
    EXPECT_EQ(CheckVirtualDiskChoice(c.probe), c.message);
    if (c.message.empty()) {
      EXPECT_EQ(VirtualDiskReaderFor(c.format), ReaderObjectOf(c.format));
    }
  }
}

TEST_F(VirtualDiskChoice, AFileThatCannotBeOpenedEndsTheProbeWithoutAFormat) {
  g_VirtualDiskType = VirtualDiskFormat::Qed;
  EXPECT_EQ(ChooseVirtualDiskPath(dir_.path() + "/absent.qcow"), 3);
  EXPECT_EQ(g_VirtualDiskType, VirtualDiskFormat::Qed);
  EXPECT_EQ(CheckVirtualDiskChoice(3), kVirtualFileShared);
  EXPECT_EQ(ChooseVirtualDiskPath(""), 0);
  EXPECT_EQ(CheckVirtualDiskChoice(0), kVirtualPathMissing);
}

TEST_F(VirtualDiskChoice, AMachineFileStandsForTheDiskItNames) {
  const std::string disk = Put("disk.qcow2", Qcow2());
  const std::string vbox = Put("machine.VBOX", [] {
    vdisk_test::FileBytes f;
    f.Text(0, "<HardDisk uuid=\"{x}\" location=\"disk.qcow2\" format=\"QCOW\"/>\n");
    return f.bytes;
  }());
  EXPECT_EQ(ChooseVirtualDiskPath(vbox), 1);
  EXPECT_EQ(g_VirtualBoxFilePath, vbox);
  EXPECT_EQ(g_VirtualDiskPath, disk);
  EXPECT_EQ(g_VirtualDiskType, VirtualDiskFormat::Qcow);
  // Choosing a plain disk afterwards forgets the machine file.
  EXPECT_EQ(ChooseVirtualDiskPath(disk), 1);
  EXPECT_TRUE(g_VirtualBoxFilePath.empty());
}

TEST_F(VirtualDiskChoice, AnAcceptedDiskIsTheSourceOfReadSectors) {
  const std::string path = Put("disk.qcow2", Qcow2());
  ASSERT_EQ(OpenVirtualDiskSource(path), "");
  EXPECT_EQ(g_VirtualDiskMode, 1);
  EXPECT_EQ(g_SourceEndSector, 256);  // one past the last sector
  std::vector<std::byte> buf(3 * 512, std::byte{0xEE});
  ASSERT_EQ(ReadSectors(CurrentDevicePath(), 2, 3, buf), 1);  // cluster 2 is sector 2
  EXPECT_TRUE(SectorHolds(std::span(buf).first(512), SectorByte(2)));
  EXPECT_TRUE(SectorHolds(std::span(buf).subspan(512), std::byte{0}));
  EXPECT_EQ(OpenVirtualDiskSource(dir_.path() + "/absent.qcow2"), kVirtualFileShared);
}

}  // namespace
