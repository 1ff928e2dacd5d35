#include "storage/GeometryStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "tests/core/TestPrompts.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

namespace fs = std::filesystem;
using storage_test::TempDir;

struct FakeDisk {
  std::string name;
  uint64_t sizeUnits;  // sysfs counts 512-byte units
  uint32_t sectorSize = 512;
  bool removable = false;
  std::string vendor = {};  // no file when empty
  std::string model = {};
};

// A made-up /sys/block and a store in a temporary folder, never the machine's or the user's.
class GeometryStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Sys());
    SetSystemRoot(m_Dir.path());
    SetRegistryFolder(m_Dir.path() + "/config");
    SetUserPrompts(&m_Prompts);
  }
  void TearDown() override {
    SetUserPrompts(nullptr);
    SetRegistryFolder("");
    SetSystemRoot("");
    ClearDeviceMappings();
  }
  std::string Sys() const { return m_Dir.path() + "/sys/block"; }

  void Add(const FakeDisk& d) {
    const fs::path dir = fs::path(Sys()) / d.name;
    fs::create_directories(dir / "queue");
    fs::create_directories(dir / "device");
    std::ofstream(dir / "size") << d.sizeUnits << "\n";
    std::ofstream(dir / "queue" / "logical_block_size") << d.sectorSize << "\n";
    std::ofstream(dir / "removable") << (d.removable ? 1 : 0) << "\n";
    // sysfs pads these texts with blanks.
    if (!d.vendor.empty()) std::ofstream(dir / "device" / "vendor") << d.vendor << "   \n";
    if (!d.model.empty()) std::ofstream(dir / "device" / "model") << d.model << "    \n";
  }

  static std::string Value(std::string_view key, int n) {
    std::string out;
    ReadRegistryString(RegistryRoot::ClassesRoot, key, GeometryValueName(n), out);
    return out;
  }

  TempDir m_Dir;
  test_support::RecordingPrompts m_Prompts;
};

TEST_F(GeometryStoreTest, EachProbedDiskIsStoredUnderItsNumber) {
  struct Case {
    FakeDisk disk;
    std::string root, media, cylinder, size, bytesPerSector, model;
  };
  const Case cases[] = {
      // 121,601 cylinders of 255 x 63 sectors of 512 bytes.
      {{"sda", 1953520065, 512, false, "ATA", "WDC WD10EZEX-08W"},
       "HDD",
       "Fixed hard disk media",
       "121601",
       "1000202273280",
       "512",
       "WDC WD10EZEX-08W"},
      // The tail beyond the last whole cylinder stays part of the size.
      {{"sdb", 16065 * 3 + 100, 512, true, "SanDisk", "Cruzer Blade"},
       "ZIP",
       "Removable media other than floppy",
       "3",
       "24727040",
       "512",
       "SanDisk Cruzer Blade"},
      {{"sdc", 8 * 1024 * 1024, 4096, false, "", ""},
       "HDD",
       "Fixed hard disk media",
       "65",
       "4294967296",
       "4096",
       ""},
      // 2^42 sectors: the cylinder count keeps its low 32 bits, signed.
      {{"sdd", uint64_t{1} << 42, 512, false, "", "Huge"},
       "HDD",
       "Fixed hard disk media",
       std::to_string(static_cast<int32_t>(static_cast<uint32_t>((uint64_t{1} << 42) / 16065))),
       std::to_string(uint64_t{1} << 51),
       "512",
       "Huge"},
  };
  for (const Case& c : cases) Add(c.disk);
  ASSERT_EQ(PublishDiskGeometry(), 1);
  for (int n = 0; n < 4; ++n) {
    const Case& c = cases[n];
    SCOPED_TRACE(c.disk.name);
    EXPECT_EQ(Value(kGeometryKey, n), c.root);
    EXPECT_EQ(Value(kGeometryMediaTypeKey, n), c.media);
    EXPECT_EQ(Value(kGeometryCylinderKey, n), c.cylinder);
    EXPECT_EQ(Value(kGeometryHeadKey, n), "255");
    EXPECT_EQ(Value(kGeometrySectorsPerTrackKey, n), "63");
    EXPECT_EQ(Value(kGeometrySizeKey, n), c.size);
    EXPECT_EQ(Value(kGeometryBytesPerSectorKey, n), c.bytesPerSector);
    EXPECT_EQ(Value(kGeometryModelKey, n), c.model);
  }
  // A disk without a model text has no Model value at all.
  EXPECT_EQ(ProgramRegistry().ReadValue("HKEY_CLASSES_ROOT\\VrellGeometry\\Model", "Disk2"),
            std::nullopt);
  EXPECT_TRUE(m_Prompts.notices.empty());
}

TEST_F(GeometryStoreTest, ADiskThatCannotBeProbedLeavesAGap) {
  Add({"sda", 2048});
  Add({"sdb", 0, 512, true});  // a card reader without a card
  Add({"sdc", 4096, 512, true});
  ASSERT_EQ(PublishDiskGeometry(), 1);
  const auto names = ProgramRegistry().ValueNames("HKEY_CLASSES_ROOT\\VrellGeometry");
  EXPECT_EQ(names, (std::vector<std::string>{"Disk0", "Disk2"}));
  EXPECT_EQ(Value(kGeometryKey, 2), "ZIP");
  EXPECT_FALSE(ReadDiskGeometry(1));
}

TEST_F(GeometryStoreTest, EveryListingStartsFromNothing) {
  Add({"sda", 2048});
  ASSERT_EQ(PublishDiskGeometry(), 1);
  ASSERT_EQ(AddDiskImageGeometry("/images/DiskImage0.dmg", 1 << 20, 512), 1);
  fs::remove_all(fs::path(Sys()) / "sda");
  Add({"sdb", 4096, 4096, false, "", "Other"});
  ASSERT_EQ(PublishDiskGeometry(), 1);
  EXPECT_EQ(Value(kGeometryModelKey, 0), "Other");
  EXPECT_EQ(Value(kGeometryBytesPerSectorKey, 0), "4096");
  EXPECT_FALSE(ReadDiskGeometry(1));  // the image entry is gone with the old listing
}

TEST_F(GeometryStoreTest, ImagesTakeTheFirstFreeNumber) {
  Add({"sda", 2048});
  Add({"sdb", 0, 512, true});
  Add({"sdc", 2048});
  ASSERT_EQ(PublishDiskGeometry(), 1);
  // Disk1 is free: the image takes it and never overwrites Disk2.
  EXPECT_EQ(AddDiskImageGeometry("first", 512, 512), 1);
  EXPECT_EQ(AddDiskImageGeometry("second", 512, 512), 3);
  EXPECT_EQ(Value(kGeometryKey, 2), "HDD");
  EXPECT_EQ(Value(kGeometryModelKey, 1), "first");
  EXPECT_EQ(Value(kGeometryModelKey, 3), "second");
}

TEST_F(GeometryStoreTest, ImageEntryValues) {
  ASSERT_EQ(PublishDiskGeometry(), 1);
  const uint64_t eightGiB = uint64_t{8} << 30;
  const std::string model = "/srv/images/case 7/DiskImage0.dmg";
  ASSERT_EQ(AddDiskImageGeometry(model, eightGiB, 512), 0);
  EXPECT_EQ(Value(kGeometryKey, 0), "Image");
  EXPECT_EQ(Value(kGeometryMediaTypeKey, 0), "Image");
  EXPECT_EQ(Value(kGeometryCylinderKey, 0), "1044");  // 16,777,216 sectors / 16,065
  EXPECT_EQ(Value(kGeometryHeadKey, 0), "255");
  EXPECT_EQ(Value(kGeometrySectorsPerTrackKey, 0), "63");
  EXPECT_EQ(Value(kGeometryBytesPerSectorKey, 0), "512");
  EXPECT_EQ(Value(kGeometrySizeKey, 0), "8589934592");
  EXPECT_EQ(Value(kGeometryModelKey, 0), model);
  ASSERT_EQ(AddDiskImageGeometry("4k", eightGiB, 4096), 1);
  EXPECT_EQ(Value(kGeometryCylinderKey, 1), "130");  // 2,097,152 sectors / 16,065

  const auto entry = ReadDiskGeometry(1);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->kind, "Image");
  EXPECT_EQ(entry->sizeBytes, eightGiB);
  EXPECT_EQ(entry->bytesPerSector, 4096u);
  EXPECT_EQ(entry->model, "4k");
}

TEST_F(GeometryStoreTest, AFullStoreTakesNoMoreImages) {
  ASSERT_EQ(PublishDiskGeometry(), 1);
  for (int n = 0; n < kGeometryEntryCount; ++n) ASSERT_EQ(AddDiskImageGeometry("img", 512, 512), n);
  EXPECT_EQ(AddDiskImageGeometry("one too many", 512, 512), -1);
}

TEST_F(GeometryStoreTest, AStoreThatCannotBeWrittenIsReported) {
  Add({"sda", 2048});
  // The store's folder would have to be made inside a plain file: no user can write there.
  const std::string blocker = m_Dir.path() + "/not-a-folder";
  std::ofstream(blocker) << "x";
  SetRegistryFolder(blocker + "/config");
  EXPECT_EQ(PublishDiskGeometry(), 0);
  EXPECT_EQ(AddDiskImageGeometry("img", 512, 512), -1);
  ASSERT_EQ(m_Prompts.notices.size(), 2u);
  EXPECT_EQ(m_Prompts.notices[0],
            std::string(kGeometryStoreFailedText) + blocker + "/config/registry.");
}

TEST_F(GeometryStoreTest, TestMappedDrivesAreProbedThroughTheirDevice) {
  Add({"sda", 2048, 512, false, "", "From sysfs"});
  const std::string file = m_Dir.path() + "/disk.img";
  std::ofstream(file, std::ios::binary) << std::string(3 * 16065 * 512 + 7, 'x');
  MapDeviceToFile("\\\\.\\PhysicalDrive0", file);
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.resize(1 << 20);
  disk->sectorSize = 4096;
  MapDeviceToFactory("\\\\.\\PhysicalDrive3", [disk](DeviceAccess) -> std::unique_ptr<RawDevice> {
    return std::make_unique<MemoryDevice>(disk);
  });
  DiskGeometry g;
  ASSERT_EQ(QueryDriveGeometry("\\\\.\\PhysicalDrive0", g), 1);
  EXPECT_EQ(g.sizeBytes, 3u * 16065 * 512 + 7);
  EXPECT_EQ(g.bytesPerSector, 512u);
  EXPECT_EQ(g.cylinders, 3);
  EXPECT_EQ(g.mediaType, kFixedMedia);
  ASSERT_EQ(PublishDiskGeometry(), 1);
  EXPECT_EQ(Value(kGeometryModelKey, 0), "");  // the mapping wins over sysfs
  EXPECT_EQ(Value(kGeometryBytesPerSectorKey, 3), "4096");
  EXPECT_EQ(Value(kGeometrySizeKey, 3), "1048576");
  std::string model = "stale";
  EXPECT_NE(GetPhysicalDriveModel(7, model), 0);
  EXPECT_EQ(model, "");
  EXPECT_EQ(QueryDriveGeometry("\\\\.\\PhysicalDrive7", g), 0);
}

}  // namespace
