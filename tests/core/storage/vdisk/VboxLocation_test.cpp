#include "storage/vdisk/VboxLocation.h"

#include <gtest/gtest.h>

#include "tests/core/storage/vdisk/VdiskTestImages.h"

namespace {

std::vector<std::byte> Bytes(const std::string& text) {
  std::vector<std::byte> out(text.size());
  std::memcpy(out.data(), text.data(), text.size());
  return out;
}

TEST(VboxLocation, TheFirstLocationNamesTheDiskBesideTheMachineFile) {
  const std::string filler(5000, ' ');  // pushes the attribute across the first 4 KiB block
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  } cases[] = {
      {"relative", R"(<HardDisk location="disk.vdi" format="VDI"/>)", "/vm/box/disk.vdi"},
      {"first of two", R"(<A location="one.vdi"/><B location="two.vdi"/>)", "/vm/box/one.vdi"},
      {"Windows subfolder", R"(<HardDisk location="Disks\a.vhd"/>)", "/vm/box/Disks/a.vhd"},
      {"absolute", R"(<HardDisk location="/data/d.qcow2"/>)", "/data/d.qcow2"},
      {"across blocks", filler + R"(<HardDisk location="far.vdi"/>)", "/vm/box/far.vdi"},
      {"none", R"(<Machine name="x"/>)", ""},
      {"empty value", R"(<HardDisk location=""/>)", ""},
      {"no quote", R"(<HardDisk location=disk.vdi/>)", ""},
      {"unterminated", R"(<HardDisk location="disk.vdi)", ""},
      {"too long", "<HardDisk location=\"" + std::string(300, 'a') + "\"/>", ""},
      {"empty file", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vdisk_test::MemoryFiles files;
    files.Put("/vm/box/m.vbox", Bytes(c.text));
    EXPECT_EQ(ReadVboxDiskLocation("/vm/box/m.vbox", files.Opener()), c.expected);
  }
  vdisk_test::MemoryFiles none;
  EXPECT_EQ(ReadVboxDiskLocation("/vm/box/m.vbox", none.Opener()), "");
}

}  // namespace
