#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Registry.h"
#include "platform/RegistryStore.h"

namespace {

namespace fs = std::filesystem;

// Each test keeps its store in a fresh temporary folder, never in the user's configuration.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/merrowind-registry-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    m_Folder = pattern;
    SetRegistryFolder(m_Folder + "/config");
  }
  void TearDown() override {
    SetRegistryFolder("");
    fs::remove_all(m_Folder);
  }
  std::string StoreFile() const { return m_Folder + "/config/registry"; }
  std::string m_Folder;
};

std::string Read(std::string_view key, std::string_view name, long* rc = nullptr) {
  std::string out = "stale";
  const long r = ReadRegistryString(RegistryRoot::ClassesRoot, key, name, out);
  if (rc) *rc = r;
  return out;
}

TEST_F(RegistryTest, LengthLimitOfTheReadBuffer) {
  struct Case {
    const char* what;
    std::string stored;  // written to the store as is
    std::string expected;
  };
  const std::string c259(259, 'a');
  const std::string c260(260, 'b');
  // A character outside the basic plane takes two UTF-16 units.
  const std::string wide259 = std::string(257, 'c') + "\xF0\x9F\x92\xBE";
  const Case cases[] = {
      {"259 characters and a terminator (520 bytes)", c259 + std::string(1, '\0'), c259},
      {"260 characters without terminator (520 bytes)", c260, c260},
      {"260 characters and a terminator (522 bytes)", c260 + std::string(1, '\0'), ""},
      {"261 characters", c260 + "x", ""},
      {"two-unit character at the limit", wide259 + std::string(1, '\0'), wide259},
      {"text after a zero character is cut", std::string("abc\0def", 7), "abc"},
      {"empty value", "", ""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ProgramRegistry().WriteValue("HKEY_CLASSES_ROOT\\Limits", "Value", c.stored));
    long rc = -1;
    EXPECT_EQ(Read("Limits", "Value", &rc), c.expected) << c.what;
    EXPECT_EQ(rc, kRegistrySuccess) << c.what;
  }
}

TEST_F(RegistryTest, WrittenWithoutTerminatorReadsBackWhole) {
  const std::string folder = "/opt/softdovrane/merrowind with spaces & [brackets] = 100%";
  WriteRegistryString(RegistryRoot::ClassesRoot, "SoftDovrane.Merrowind", "FilePath", folder);
  EXPECT_EQ(ProgramRegistry().ReadValue("HKEY_CLASSES_ROOT\\SoftDovrane.Merrowind", "FilePath"),
            folder);  // stored without a terminating zero
  EXPECT_EQ(Read("SoftDovrane.Merrowind", "FilePath"), folder);
  // Key and value names fold case, as the registry's do; a rewrite replaces the value.
  WriteRegistryString(RegistryRoot::ClassesRoot, "softdovrane.MERROWIND", "filepath", "/x");
  EXPECT_EQ(Read("SoftDovrane.Merrowind", "FilePath"), "/x");
  EXPECT_EQ(ProgramRegistry().ValueNames("HKEY_CLASSES_ROOT\\SoftDovrane.Merrowind").size(), 1u);
  // Values of other roots are other keys.
  std::string other;
  EXPECT_EQ(
      ReadRegistryString(RegistryRoot::CurrentUser, "SoftDovrane.Merrowind", "FilePath", other),
      kRegistryKeyNotFound);
}

TEST_F(RegistryTest, MissingKeyAndMissingValueReadEmpty) {
  long rc = -1;
  EXPECT_EQ(Read("VrellGeometry", "Disk0", &rc), "");
  EXPECT_EQ(rc, kRegistryKeyNotFound);
  EXPECT_FALSE(fs::exists(StoreFile()));  // reading creates nothing

  WriteRegistryString(RegistryRoot::ClassesRoot, "VrellGeometry", "Disk0", "HDD");
  EXPECT_EQ(Read("VrellGeometry", "Disk1", &rc), "");
  EXPECT_EQ(rc, kRegistrySuccess);
}

TEST_F(RegistryTest, OddBytesSurviveTheFile) {
  std::string every;
  for (int c = 1; c < 256; ++c) every.push_back(static_cast<char>(c));
  const std::string key = "HKEY_CLASSES_ROOT\\Odd]=[%\nKey";
  ASSERT_TRUE(ProgramRegistry().WriteValue(key, "na=me\n[x]", every));
  ASSERT_TRUE(ProgramRegistry().WriteValue(key, "second", "2"));
  // A fresh store object reads what the file holds, not a cache.
  RegistryStore again(StoreFile());
  EXPECT_EQ(again.ReadValue(key, "na=me\n[x]"), every);
  EXPECT_EQ(again.ReadValue(key, "second"), "2");
  // One line per value: nothing written broke a line.
  std::ifstream in(StoreFile());
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  EXPECT_EQ(lines, 3);
}

TEST_F(RegistryTest, KeysAreCreatedAndDeleted) {
  EXPECT_FALSE(RegistryKeyExists(RegistryRoot::ClassesRoot, "VrellGeometry\\Head"));
  EXPECT_TRUE(CreateRegistryKey(RegistryRoot::ClassesRoot, "VrellGeometry\\Head"));
  EXPECT_TRUE(RegistryKeyExists(RegistryRoot::ClassesRoot, "VrellGeometry\\Head"));
  WriteRegistryString(RegistryRoot::ClassesRoot, "VrellGeometry\\Head", "Disk0", "255");
  WriteRegistryString(RegistryRoot::ClassesRoot, "VrellGeometry", "Disk0", "HDD");
  EXPECT_TRUE(DeleteRegistryKey(RegistryRoot::ClassesRoot, "VrellGeometry\\Head"));
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::ClassesRoot, "VrellGeometry\\Head"));
  EXPECT_EQ(Read("VrellGeometry\\Head", "Disk0"), "");
  EXPECT_EQ(Read("VrellGeometry", "Disk0"), "HDD");  // the key above keeps its values
}

TEST_F(RegistryTest, BatchesReplaceKeysAndWriteValuesInOneGo) {
  RegistryStore& store = ProgramRegistry();
  ASSERT_TRUE(store.WriteValue("HKEY_CLASSES_ROOT\\Geo", "Disk5", "stale"));
  ASSERT_TRUE(store.WriteValue("HKEY_CLASSES_ROOT\\Geo\\Size", "Disk5", "1"));
  ASSERT_TRUE(store.WriteValue("HKEY_CLASSES_ROOT\\Other", "Kept", "yes"));
  // A listed key keeps only the values given; a listed key without values stays, empty.
  ASSERT_TRUE(store.ReplaceKeys({{"HKEY_CLASSES_ROOT\\geo", {{"Disk0", "HDD"}, {"Disk2", "ZIP"}}},
                                 {"HKEY_CLASSES_ROOT\\Geo\\Size", {}}}));
  EXPECT_EQ(store.ValueNames("HKEY_CLASSES_ROOT\\Geo"),
            (std::vector<std::string>{"Disk0", "Disk2"}));
  EXPECT_TRUE(store.KeyExists("HKEY_CLASSES_ROOT\\Geo\\Size"));
  EXPECT_TRUE(store.ValueNames("HKEY_CLASSES_ROOT\\Geo\\Size").empty());
  EXPECT_EQ(Read("Other", "Kept"), "yes");
  // Values written together land beside what is there, replacing a value of the same name.
  ASSERT_TRUE(
      store.WriteValues({{"HKEY_CLASSES_ROOT\\Geo", {{"DISK2", "Image"}, {"Disk3", "Image"}}},
                         {"HKEY_CLASSES_ROOT\\Geo\\Size", {{"Disk3", "512"}}}}));
  EXPECT_EQ(Read("Geo", "Disk0"), "HDD");
  EXPECT_EQ(Read("Geo", "Disk2"), "Image");
  EXPECT_EQ(Read("Geo", "Disk3"), "Image");
  EXPECT_EQ(Read("Geo\\Size", "Disk3"), "512");
}

TEST_F(RegistryTest, DamagedLinesAreSkippedAndTheRestReads) {
  fs::create_directories(m_Folder + "/config");
  {
    std::ofstream out(StoreFile(), std::ios::binary);
    out << "garbage before any key\n"
        << "[HKEY_CLASSES_ROOT\\Good]\r\n"
        << "Disk0=HDD\r\n"
        << "no equals sign\n"
        << "[unterminated key\n"
        << "Stray=belongs to no key\n"
        << "[HKEY_CLASSES_ROOT\\Good]\n"
        << "Disk1=%4\n"
        << "Disk2=%41%zz\n";
  }
  EXPECT_EQ(Read("Good", "Disk0"), "HDD");
  EXPECT_EQ(Read("Good", "Disk1"), "%4");
  EXPECT_EQ(Read("Good", "Disk2"), "A%zz");
  EXPECT_EQ(ProgramRegistry().ValueNames("HKEY_CLASSES_ROOT\\Good").size(), 3u);
}

TEST_F(RegistryTest, AFailedWriteKeepsTheOldStore) {
  WriteRegistryString(RegistryRoot::ClassesRoot, "Key", "Value", "old");
  // A folder that cannot take the temporary file refuses the write and keeps the store whole.
  ASSERT_EQ(::chmod((m_Folder + "/config").c_str(), 0500), 0);
  const bool root = ::geteuid() == 0;  // root writes anyway
  const bool written = ProgramRegistry().WriteValue("HKEY_CLASSES_ROOT\\Key", "Value", "new");
  ::chmod((m_Folder + "/config").c_str(), 0700);
  if (!root) {
    EXPECT_FALSE(written);
    EXPECT_EQ(Read("Key", "Value"), "old");
  }
  for (const auto& entry : fs::directory_iterator(m_Folder + "/config")) {
    EXPECT_EQ(entry.path().filename(), "registry");  // no temporary file left behind
  }
}

TEST(RegistryFolder, FollowsTheBaseDirectoryRules) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = xdg ? xdg : "";
  const char* home = std::getenv("HOME");
  const std::string savedHome = home ? home : "";

  ::setenv("HOME", "/home/someone", 1);
  ::setenv("XDG_CONFIG_HOME", "/cfg/", 1);
  EXPECT_EQ(DefaultRegistryFolder(), "/cfg/softdovrane/merrowind");
  ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // ignored
  EXPECT_EQ(DefaultRegistryFolder(), "/home/someone/.config/softdovrane/merrowind");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultRegistryFolder(), "/home/someone/.config/softdovrane/merrowind");

  if (xdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  if (home)
    ::setenv("HOME", savedHome.c_str(), 1);
  else
    ::unsetenv("HOME");
}

}  // namespace
