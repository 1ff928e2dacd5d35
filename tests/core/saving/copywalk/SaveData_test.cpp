#include "saving/copywalk/SaveData.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "prompts/ReplacePrompt.h"
#include "saving/ProgramState.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/TargetFiles.h"
#include "saving/settings/SavingSettings.h"
#include "saving/settings/SettingsAdmission.h"
#include "platform/TextCodec.h"
#include "storage/VolumeGeometry.h"
#include "tests/core/storage/fat/FatTestImage.h"

namespace fs = std::filesystem;

namespace {

// A FAT16 volume of one sector per cluster (FATs at 1 and 9, cluster 2 at 17) whose cluster c
// is filled with the byte c, and a target folder under /tmp.
class SaveVolume {
 public:
  static constexpr uint64_t kFat1 = 1, kFat2 = 9, kData = 17;

  SaveVolume() : disk(kData + 100) {
    ResetProgramState();
    g_ScanState.fileSystem = FileSystemKind::Fat16;
    g_VolumeGeometry = {0, 0, 0, 0, 1, 8, 0, 0, 1, static_cast<uint32_t>(kData - 2), kFat1, kFat2};
    for (uint32_t c = 2; c < 100; ++c) std::fill_n(disk.Sector(kData + c - 2), 512, std::byte(c));
    char pattern[] = "/tmp/merrowind-save-XXXXXX";
    dir = ::mkdtemp(pattern);
  }
  ~SaveVolume() {
    fs::remove_all(dir);
    SetReplacePrompt(nullptr);
    SetCopyErrorPrompt(nullptr);
    SetTargetWriteFunction(nullptr);
    ResetProgramState();
  }
  // A file of one cluster chain starting at first, in folder parent.
  void File(const char* name, uint32_t parent, uint32_t first, uint32_t size, bool checked = true,
            bool deleted = false) {
    const uint32_t clusters = (size + 511) / 512;
    for (uint32_t i = 0; i < clusters; ++i) {
      const uint32_t next = i + 1 < clusters ? first + i + 1 : 0xFFFF;
      disk.Put16At(kFat1 * 512 + (first + i) * 2, next);
      disk.Put16At(kFat2 * 512 + (first + i) * 2, next);
    }
    FileRecord* f = AddFileRecord({.ansiName = name, .deleted = uint8_t(deleted ? 'y' : 'n'),
                                   .size = size, .parentId = parent, .id = first,
                                   .modified = {(2021 - 1980) << 9 | 3 << 5 | 4, 5 << 11}});
    f->selected = checked ? 'y' : 'n';
  }
  std::vector<std::byte> Expected(uint32_t first, uint32_t size) const {
    std::vector<std::byte> out;
    for (uint32_t c = first; out.size() < size; ++c) out.insert(out.end(), 512, std::byte(c));
    out.resize(size);
    return out;
  }
  std::vector<std::byte> Read(const fs::path& p) const {
    std::ifstream in(p, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::byte> out(chars.size());
    std::transform(chars.begin(), chars.end(), out.begin(), [](char c) { return std::byte(c); });
    return out;
  }
  SaveDataRequest Request(const FolderWalk& walk) const {
    SaveDataRequest r;
    r.walk = &walk;
    r.targetPath = (dir / "out").string();
    r.fileSystem = FileSystemKind::Fat16;
    return r;
  }

  fat_test::MemoryVolume disk;
  fs::path dir;
};

struct Pages : CopyObserver {
  std::vector<std::u16string> started;
  void OnFileStarted(std::u16string_view folder, std::u16string_view name) override {
    started.push_back(std::u16string(folder) + u"|" + std::u16string(name));
  }
};

struct ScriptedReplace : ReplacePrompt {
  std::vector<int32_t> answers;
  int asked = 0;
  int32_t AskReplace() override {
    return asked < static_cast<int>(answers.size()) ? answers[asked++] : (++asked, -1);
  }
};

const FolderWalk kRootAndPhotos = {0, {{0, {}}, {7, {"Photos"}}, {9, {"Photos", "2020"}}}};

}  // namespace

// The checked files of each walked folder land in the matching target folder, whole, with their
// times; unchecked files and files the settings refuse are neither counted nor written, and the
// end text says complete.
TEST(SaveData, WritesTheCheckedFilesOfEachFolderUnderTheTarget) {
  SaveVolume v;
  v.File("NOTES.TXT", 0, 10, 700);
  v.File("SKIP.TXT", 0, 12, 100, /*checked=*/false);
  v.File("BEACH.JPG", 9, 20, 1500, true, /*deleted=*/true);
  v.File("INDEX.TXT", 7, 30, 10);
  g_ExtensionFilter = {u"txt", u"jpg"};
  const SizeTotals totals = SizeWalk(kRootAndPhotos, [](const FileRecord& f) {
    return AdmittedBySettings(f, FileSystemKind::Fat16);
  });
  EXPECT_EQ(totals.fileCount, 3);
  EXPECT_EQ(totals.byteTotal, 2210u);

  Pages pages;
  const SaveDataOutcome out = SaveDataThread(v.Request(kRootAndPhotos), pages);
  const fs::path target = v.dir / "out";
  EXPECT_EQ(v.Read(target / "NOTES.TXT"), v.Expected(10, 700));
  EXPECT_EQ(v.Read(target / "Photos/2020/BEACH.JPG"), v.Expected(20, 1500));
  EXPECT_EQ(v.Read(target / "Photos/INDEX.TXT"), v.Expected(30, 10));
  EXPECT_FALSE(fs::exists(target / "SKIP.TXT"));
  struct stat st {};
  ASSERT_EQ(::stat((target / "NOTES.TXT").c_str(), &st), 0);
  const auto when = DosTimeToTimespec((2021 - 1980) << 9 | 3 << 5 | 4, 5 << 11);
  EXPECT_EQ(st.st_mtim.tv_sec, when->tv_sec);
  EXPECT_EQ(g_CopiedFileCount.load(), 3u);
  EXPECT_EQ(SaveEndText(g_CopiedBytes.load(), totals.byteTotal, out), kSavingCompleted);
  EXPECT_EQ(pages.started.front(), u"" + Utf8ToUtf16(target.string() + "/") + u"|NOTES.TXT");

  // The deleted filter refuses the deleted photo in both walks alike.
  ResetCopyCounters();
  g_DeletedFilter = 1;
  fs::remove_all(target);
  const SizeTotals present = SizeWalk(kRootAndPhotos, [](const FileRecord& f) {
    return AdmittedBySettings(f, FileSystemKind::Fat16);
  });
  const SaveDataOutcome out2 = SaveDataThread(v.Request(kRootAndPhotos), pages);
  EXPECT_FALSE(fs::exists(target / "Photos/2020/BEACH.JPG"));
  EXPECT_EQ(present.byteTotal, 710u);
  EXPECT_EQ(SaveEndText(g_CopiedBytes.load(), present.byteTotal, out2), kSavingCompleted);
}

// A name taken in the target: the replace answers as the question gives them, a remembered
// answer for the rest of the copy, and Esc as skip.
TEST(SaveData, ExistingNamesFollowTheReplaceAnswer) {
  struct Case {
    const char* what;
    std::vector<int32_t> answers;
    int asked;
    // What the target holds afterwards for the two taken names.
    bool firstReplaced, secondReplaced;
    std::vector<const char*> extraNames;
    const char* end;
  };
  const Case cases[] = {
      {"skip", {kReplaceSkip, kReplaceSkip}, 2, false, false, {}, "complete"},
      {"skip all", {kReplaceSkipAll}, 1, false, false, {}, "complete"},
      {"closed", {-1, -1}, 2, false, false, {}, "complete"},
      {"overwrite", {kReplaceOverwrite, kReplaceSkip}, 2, true, false, {}, "complete"},
      {"overwrite all", {kReplaceOverwriteAll}, 1, true, true, {}, "complete"},
      {"rename all", {kReplaceRenameAll}, 1, false, false, {"a1.txt", "b0.txt"}, "complete"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SaveVolume v;
    v.File("a.txt", 0, 10, 600);
    v.File("b.txt", 0, 12, 20);
    const fs::path target = v.dir / "out";
    fs::create_directories(target);
    std::ofstream(target / "a.txt") << "old a";
    std::ofstream(target / "a0.txt") << "taken";
    std::ofstream(target / "b.txt") << "old b";
    ScriptedReplace replace;
    replace.answers = c.answers;
    SetReplacePrompt(&replace);
    const FolderWalk walk = {0, {{0, {}}}};
    Pages pages;
    const SaveDataOutcome out = SaveDataThread(v.Request(walk), pages);
    EXPECT_EQ(replace.asked, c.asked);
    EXPECT_EQ(v.Read(target / "a.txt") == v.Expected(10, 600), c.firstReplaced);
    EXPECT_EQ(v.Read(target / "b.txt") == v.Expected(12, 20), c.secondReplaced);
    EXPECT_EQ(v.Read(target / "a0.txt").size(), 5u);  // a taken numbered name is never touched
    for (const char* extra : c.extraNames) EXPECT_TRUE(fs::exists(target / extra)) << extra;
    // Skipped files count as copied, so skipping is still a complete copy.
    EXPECT_EQ(SaveEndText(g_CopiedBytes.load(), 620, out), kSavingCompleted);
  }
}

// Names that become one once made safe (cut at 255 bytes), and two files of one name: the file
// that was in the target before the save is asked about once; a name this save wrote itself is
// never asked about nor replaced, the later file gets the numbered name.
TEST(SaveData, NamesOfThisSaveAreNumberedNotReplaced) {
  SaveVolume v;
  const std::string longA = std::string(300, 'x') + "1.txt";
  const std::string longB = std::string(300, 'x') + "2.txt";
  v.File(longA.c_str(), 0, 10, 600);
  v.File(longB.c_str(), 0, 12, 20);
  v.File("a.txt", 0, 14, 30);
  v.File("a.txt", 0, 16, 40, true, /*deleted=*/true);
  const fs::path target = v.dir / "out";
  fs::create_directories(target);
  std::ofstream(target / "a.txt") << "old a";
  ScriptedReplace replace;
  replace.answers = {kReplaceOverwriteAll};
  SetReplacePrompt(&replace);
  const FolderWalk walk = {0, {{0, {}}}};
  Pages pages;
  const SaveDataOutcome out = SaveDataThread(v.Request(walk), pages);
  EXPECT_EQ(replace.asked, 1);
  const std::string cut = SafeFileName(std::string_view(longA));
  ASSERT_EQ(cut, SafeFileName(std::string_view(longB)));
  EXPECT_EQ(v.Read(target / cut), v.Expected(10, 600));
  EXPECT_EQ(v.Read(target / NumberedName(cut, 0)), v.Expected(12, 20));
  EXPECT_EQ(v.Read(target / "a.txt"), v.Expected(14, 30));
  EXPECT_EQ(v.Read(target / "a0.txt"), v.Expected(16, 40));
  EXPECT_EQ(g_CopiedFileCount.load(), 4u);
  EXPECT_EQ(SaveEndText(g_CopiedBytes.load(), 690, out), kSavingCompleted);
}

// A full target in the middle of a file asks the copy-error question and the copy does not say
// it is complete; an unwritable target folder ends it before any file.
TEST(SaveData, FailuresMakeTheCopyIncomplete) {
  SaveVolume v;
  v.File("big.bin", 0, 10, 3000);
  v.File("small.bin", 0, 20, 100);
  struct Errors : CopyErrorPrompt {
    int asked = 0;
    CopyErrorAnswer AskCopyError() override {
      ++asked;
      return CopyErrorAnswer::Skip;
    }
  } errors;
  SetCopyErrorPrompt(&errors);
  static int writes;
  writes = 0;
  SetTargetWriteFunction([](int fd, const void* data, size_t size) -> ssize_t {
    if (++writes == 3) {
      errno = ENOSPC;
      return -1;
    }
    return ::write(fd, data, size);
  });
  const FolderWalk walk = {0, {{0, {}}}};
  Pages pages;
  const SaveDataOutcome out = SaveDataThread(v.Request(walk), pages);
  EXPECT_EQ(errors.asked, 1);
  EXPECT_EQ(out.filesIncomplete, 1u);
  EXPECT_EQ(v.Read(v.dir / "out/small.bin"), v.Expected(20, 100));
  EXPECT_EQ(SaveEndText(g_CopiedBytes.load(), 3100, out), kSavingNotCompleted);
  // The end says besides how many files were not copied whole.
  EXPECT_EQ(WithIncompleteCount(kSavingNotCompleted, out),
            "Saving not completed successfully.\n1 file was not fully copied.");
  SaveDataOutcome three = out;
  three.filesIncomplete = 3;
  EXPECT_EQ(WithIncompleteCount("Saving aborted.", three),
            "Saving aborted.\n3 files were not fully copied.");
  EXPECT_EQ(WithIncompleteCount(kSavingCompleted, SaveDataOutcome{}), kSavingCompleted);
  SetTargetWriteFunction(nullptr);

  // A file standing where the target folder must be stays as it is.
  std::ofstream(v.dir / "blocked") << "keep me";
  SaveDataRequest r = v.Request(walk);
  r.targetPath = (v.dir / "blocked").string();
  const SaveDataOutcome blocked = SaveDataThread(r, pages);
  EXPECT_TRUE(blocked.rootFailed);
  EXPECT_EQ(SaveEndText(0, 0, blocked), kSavingNotCompleted);
  EXPECT_EQ(v.Read(v.dir / "blocked").size(), 7u);
}

TEST(SaveData, CreateDirectoryPathMakesEveryMissingLevel) {
  char pattern[] = "/tmp/merrowind-mkpath-XXXXXX";
  const fs::path base = ::mkdtemp(pattern);
  EXPECT_TRUE(CreateDirectoryPath((base / "a/b/c").string()));
  EXPECT_TRUE(fs::is_directory(base / "a/b/c"));
  EXPECT_TRUE(CreateDirectoryPath((base / "a/b/c/").string()));
  std::ofstream(base / "file") << "x";
  EXPECT_FALSE(CreateDirectoryPath((base / "file/sub").string()));
  EXPECT_TRUE(fs::is_regular_file(base / "file"));
  EXPECT_FALSE(CreateDirectoryPath(""));
  fs::remove_all(base);
}
