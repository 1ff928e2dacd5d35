#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/DeviceNamespace.h"
#include "platform/LinuxDisks.h"
#include "platform/RawDevice.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

using storage_test::TempDir;
namespace fs = std::filesystem;

TEST(LinuxDisks, WholeDiskNames) {
  for (const char* yes :
       {"sda", "sdaa", "vdb", "hdc", "xvda", "nvme0n1", "nvme12n3", "mmcblk0", "loop0"})
    EXPECT_TRUE(IsListedDiskName(yes)) << yes;
  for (const char* no : {"sda1", "vdb2", "nvme0n1p1", "nvme0", "mmcblk0p1", "mmcblk0boot0", "ram0",
                         "zram0", "sr0", "dm-0", "md0", "md127", "loop", "sd", "fd0"})
    EXPECT_FALSE(IsListedDiskName(no)) << no;
}

TEST(LinuxDisks, ListsSortedWholeDisksAndLoopsWithABackingFileAtMostTen) {
  TempDir root;
  auto add = [&](const std::string& name, const std::string& backing = "") {
    fs::create_directories(root.path() + "/" + name + "/loop");
    if (!backing.empty())
      std::ofstream(root.path() + "/" + name + "/loop/backing_file") << backing << "\n";
  };
  for (const char* n :
       {"sdb", "sdaa", "sda", "nvme0n10", "nvme0n2", "ram0", "zram0", "sr0", "dm-0", "md0"})
    add(n);
  add("loop0", "/images/a.img");
  add("loop1");  // an unused slot
  auto disks = ListWholeDisks(root.path());
  ASSERT_EQ(disks.size(), 6u);
  // Letters run in kernel order: sda, sdb, sdaa; namespaces by number.
  auto pos = [&](const char* n) {
    return std::find(disks.begin(), disks.end(), n) - disks.begin();
  };
  EXPECT_LT(pos("sda"), pos("sdb"));
  EXPECT_LT(pos("sdb"), pos("sdaa"));
  EXPECT_LT(pos("nvme0n2"), pos("nvme0n10"));
  EXPECT_NE(std::find(disks.begin(), disks.end(), "loop0"), disks.end());
  for (int i = 0; i < 8; ++i) add("vd" + std::string(1, static_cast<char>('a' + i)));
  EXPECT_EQ(ListWholeDisks(root.path()).size(), 10u);
}

// A desktop with snap packages has a dozen loop devices; its own disk still comes first.
TEST(LinuxDisks, TheMachinesDisksComeBeforeLoopDevices) {
  TempDir root;
  for (int i = 11; i >= 0; --i) {
    const std::string loop = root.path() + "/loop" + std::to_string(i);
    fs::create_directories(loop + "/loop");
    std::ofstream(loop + "/loop/backing_file") << "/var/lib/snapd/snaps/s" << i << ".snap\n";
  }
  for (const char* n : {"vda", "nvme0n1", "mmcblk0"}) fs::create_directories(root.path() + "/" + n);
  EXPECT_EQ(ListWholeDisks(root.path()),
            (std::vector<std::string>{"vda", "nvme0n1", "mmcblk0", "loop0", "loop1", "loop2",
                                      "loop3", "loop4", "loop5", "loop6"}));
}

TEST(LinuxDisks, MountedVolumesGetLettersRootFirstThenByMountPoint) {
  const char* text =
      "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
      "23 22 0:5 / /proc rw - proc proc rw\n"
      "30 22 8:17 / /srv/data rw - xfs /dev/sdb1 rw\n"
      "31 22 8:1 / /boot/efi rw - vfat /dev/sda1 rw\n"
      "32 22 8:33 / /media/my\\040stick rw shared:7 master:2 - exfat /dev/sdc1 rw\n"
      "33 22 8:17 /sub /mnt/again rw - xfs /dev/sdb1 rw\n"
      "34 22 0:40 / /tmp rw - tmpfs tmpfs rw\n"
      "malformed line\n";
  auto v = ParseMountedVolumes(text);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].mountPoint, "/");
  EXPECT_EQ(v[0].device, "/dev/sda2");
  EXPECT_EQ(v[1].mountPoint, "/boot/efi");
  EXPECT_EQ(v[2].mountPoint, "/media/my stick");
  EXPECT_EQ(v[3].device, "/dev/sdb1");
  EXPECT_EQ(v[3].mountPoint, "/srv/data");
}

TEST(LinuxDisks, FactsOfADiskAndOfItsPartitions) {
  TempDir root;
  const auto write = [&](const std::string& file, const std::string& text) {
    fs::create_directories(fs::path(root.path() + "/" + file).parent_path());
    std::ofstream(root.path() + "/" + file) << text;
  };
  write("sda/size", "2048\n");
  write("sda/queue/logical_block_size", "4096\n");
  write("sda/removable", "1\n");
  write("sda/device/vendor", "Generic \n");
  write("sda/device/model", "Card Reader     \n");
  write("sda/sda2/size", "1024\n");
  write("sdb/size", "not a number\n");
  write("sdc/size", "64\n");
  write("sdc/queue/logical_block_size", "300\n");  // not a sector size: 512 stands
  write("nvme0n1/size", "8\n");
  write("nvme0n1/device/model", "Some NVMe Disk\n");  // no vendor file
  write("vda/size", "8\n");
  write("vda/device/vendor", "0x1af4\n");
  write("loop3/size", "8\n");
  write("loop3/loop/backing_file", "/home/me/disks/usb stick.img\n");

  const auto disk = ReadDiskFacts(root.path(), "sda");
  ASSERT_TRUE(disk);
  EXPECT_EQ(disk->sizeBytes, 2048u * 512);  // sysfs counts 512-byte units
  EXPECT_EQ(disk->logicalSectorSize, 4096u);
  EXPECT_TRUE(disk->removable);
  EXPECT_EQ(disk->model, "Generic Card Reader");
  // A partition has its own size; the rest is its disk's.
  const auto part = ReadDiskFacts(root.path(), "sda2");
  ASSERT_TRUE(part);
  EXPECT_EQ(part->sizeBytes, 1024u * 512);
  EXPECT_EQ(part->logicalSectorSize, 4096u);
  EXPECT_EQ(part->model, "Generic Card Reader");
  EXPECT_EQ(ReadDiskFacts(root.path(), "sdc")->logicalSectorSize, 512u);
  EXPECT_FALSE(ReadDiskFacts(root.path(), "sdc")->removable);
  EXPECT_EQ(ReadDiskFacts(root.path(), "nvme0n1")->model, "Some NVMe Disk");
  EXPECT_EQ(ReadDiskFacts(root.path(), "loop3")->model, "usb stick.img");
  EXPECT_EQ(ReadDiskFacts(root.path(), "vda")->model, "");
  for (const char* bad : {"sdb", "sdz", "", "..", "sda/../sda", "."})
    EXPECT_FALSE(ReadDiskFacts(root.path(), bad)) << bad;
}

TEST(RawDevice, FileReadsWritesAndSizes) {
  TempDir dir;
  const std::string path = dir.path() + "/disk.img";
  {
    std::ofstream out(path, std::ios::binary);
    std::string bytes(1000, 'x');
    out << bytes;
  }
  int err = -1;
  auto dev = OpenFileDevice(path, DeviceAccess::Read, &err);
  ASSERT_TRUE(dev);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev->SizeBytes(), 1000u);
  EXPECT_EQ(dev->LogicalSectorSize(), 0u);
  std::vector<std::byte> buf(512);
  EXPECT_EQ(dev->ReadAt(900, buf), 100);  // a short count only at the end
  EXPECT_EQ(dev->ReadAt(1000, buf), 0);
  EXPECT_EQ(dev->WriteAt(0, buf), -1);  // opened for reading
  EXPECT_TRUE(dev->Close());
  EXPECT_EQ(dev->ReadAt(0, buf), -1);

  auto w = OpenFileDevice(path, DeviceAccess::WriteExclusive);
  ASSERT_TRUE(w);
  std::vector<std::byte> data(512, std::byte{0x42});
  EXPECT_EQ(w->WriteAt(512, data), 512);
  EXPECT_TRUE(w->Sync());
  EXPECT_EQ(w->SizeBytes(), 1024u);
  EXPECT_TRUE(w->Close());

  EXPECT_FALSE(OpenFileDevice(dir.path() + "/missing", DeviceAccess::Read, &err));
  EXPECT_EQ(err, ENOENT);
}

TEST(DeviceNamespace, TestMappingServesAFileAsAPhysicalDrive) {
  TempDir dir;
  const std::string path = dir.path() + "/disk.img";
  std::ofstream(path, std::ios::binary) << std::string(512, 'A');
  MapDeviceToFile("\\\\.\\PhysicalDrive0", path);
  EXPECT_EQ(ResolveDevicePath("\\\\.\\PhysicalDrive0"), path);
  auto dev = OpenDevice("\\\\.\\PhysicalDrive0", DeviceAccess::Read);
  ASSERT_TRUE(dev);
  std::vector<std::byte> buf(512);
  EXPECT_EQ(dev->ReadAt(0, buf), 512);
  EXPECT_EQ(buf[0], std::byte{'A'});
  ClearDeviceMappings();
  // Names that are not device names resolve to nothing, whatever the machine has.
  for (const char* bad :
       {"", "\\\\.\\", "\\\\.\\PhysicalDrive", "\\\\.\\PhysicalDrive10", "\\\\.\\PhysicalDriveX",
        "\\\\.\\A:", "\\\\.\\B:", "\\\\.\\Z", "/dev/sda", "PhysicalDrive0"})
    EXPECT_FALSE(ResolveDevicePath(bad)) << bad;
}

// A test process starts without a system root, so no device name reaches a disk or a mount of
// the machine the tests run on, whatever /sys/block and the mount table hold.
TEST(DeviceNamespace, ATestProcessReachesNoDeviceOfTheMachine) {
  ASSERT_EQ(SystemRoot(), "");
  EXPECT_EQ(ReadSystemMountInfo(), "");
  EXPECT_EQ(SystemPath("/dev/sda"), "");
  std::vector<std::string> names;
  for (int n = 0; n < 10; ++n) names.push_back("\\\\.\\PhysicalDrive" + std::to_string(n));
  for (char letter = 'C'; letter <= 'Z'; ++letter)
    names.push_back({'\\', '\\', '.', '\\', letter, ':'});
  for (const std::string& name : names) {
    EXPECT_FALSE(ResolveDevicePath(name)) << name;
    EXPECT_FALSE(OpenDevice(name, DeviceAccess::Read)) << name;
    EXPECT_FALSE(OpenDevice(name, DeviceAccess::WriteExclusive)) << name;
    EXPECT_FALSE(QueryDiskFacts(name)) << name;
  }
}

// Under a made-up root the names resolve into that tree only: disks to root/dev, drive letters
// through root's mount table.
TEST(DeviceNamespace, ASystemRootMapsDisksAndDrivesIntoItsOwnTree) {
  TempDir root;
  const auto write = [&](const std::string& file, const std::string& text) {
    fs::create_directories(fs::path(root.path() + "/" + file).parent_path());
    std::ofstream(root.path() + "/" + file, std::ios::binary) << text;
  };
  write("sys/block/vda/size", "1\n");
  write("sys/block/vda/vda1/size", "1\n");
  write("dev/vda", std::string(512, 'D'));
  write("dev/vda1", std::string(512, 'P'));
  write("proc/self/mountinfo", "22 1 253:1 / / rw - ext4 /dev/vda1 rw\n");
  SetSystemRoot(root.path() + "/");
  EXPECT_EQ(ResolveDevicePath("\\\\.\\PhysicalDrive0"), root.path() + "/dev/vda");
  EXPECT_EQ(ResolveDevicePath("\\\\.\\C:"), root.path() + "/dev/vda1");
  EXPECT_FALSE(ResolveDevicePath("\\\\.\\PhysicalDrive1"));
  EXPECT_FALSE(ResolveDevicePath("\\\\.\\D:"));
  auto drive = OpenDevice("\\\\.\\C:", DeviceAccess::Read);
  ASSERT_TRUE(drive);
  std::vector<std::byte> buf(512);
  EXPECT_EQ(drive->ReadAt(0, buf), 512);
  EXPECT_EQ(buf[0], std::byte{'P'});
  EXPECT_EQ(QueryDiskFacts("\\\\.\\PhysicalDrive0")->sizeBytes, 512u);
  SetSystemRoot("");
  EXPECT_FALSE(OpenDevice("\\\\.\\C:", DeviceAccess::Read));
}

}  // namespace
