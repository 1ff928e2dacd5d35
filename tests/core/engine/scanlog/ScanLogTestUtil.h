// Shared by the scan log tests: a clean state, recorded notices, a temporary folder, in-memory
// sinks, and a text picture of every list and global the log carries so that two states can be
// compared whole.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/scanlog/ScanLogGlobals.h"
#include "engine/records/ScanState.h"
#include "platform/ReplacingFile.h"
#include "prompts/UserPrompts.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "tests/core/TestPrompts.h"
#include "saving/ProgramState.h"

namespace scanlog_test {

using NoticePrompts = test_support::RecordingPrompts;

class MemorySink final : public FileSink {
 public:
  bool Write(std::span<const std::byte> data) override {
    bytes.insert(bytes.end(), data.begin(), data.end());
    return true;
  }
  bool Commit() override { return true; }
  std::vector<std::byte> bytes;
};

inline void ResetAll() {
  ResetProgramState();
}

class ScanLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAll();
    SetUserPrompts(&prompts);
    std::string tmpl = (std::filesystem::temp_directory_path() / "merrowind-log-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    SetUserPrompts(nullptr);
    ResetAll();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string PathIn(const std::string& name) const { return dir + "/" + name; }

  NoticePrompts prompts;
  std::string dir;
};

inline std::vector<std::byte> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::byte> out(chars.size());
  for (size_t i = 0; i < chars.size(); ++i)
    out[i] = std::byte(static_cast<unsigned char>(chars[i]));
  return out;
}

inline void WriteFileBytes(const std::string& path, const std::vector<std::byte>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::string Hex(std::u16string_view s) {
  std::ostringstream o;
  o << std::hex;
  for (char16_t u : s) o << static_cast<unsigned>(u) << '.';
  return o.str();
}
inline std::string Hex(std::string_view s) {
  std::ostringstream o;
  o << std::hex;
  for (char c : s) o << static_cast<unsigned>(static_cast<unsigned char>(c)) << '.';
  return o.str();
}
inline std::string T(const TimeHalves& t) {
  return std::to_string(t.first) + "/" + std::to_string(t.second);
}
template <class R>
std::string Names(const R& r) {
  return (r.ansiName.IsSet() ? "a:" + Hex(r.ansiName.View()) : std::string("a-")) + " " +
         (r.wideName.IsSet() ? "w:" + Hex(r.wideName.View()) : std::string("w-"));
}

// Every field the log must bring back. The file sequence, the folder tree item and the selected
// marks are given anew on loading and are left out.
inline std::vector<std::string> ListPicture() {
  std::vector<std::string> v;
  const ScanState& s = g_ScanState;
  for (const FolderRecord* f = s.folderList.head; f; f = f->next)
    v.push_back("D " + Names(*f) + " " + char(f->deleted) + char(f->kind) + " m" + T(f->modified) +
                " c" + T(f->created) + " a" + T(f->accessed) + " p" + std::to_string(f->parentId) +
                " i" + std::to_string(f->id) + " l" + std::to_string(f->locator) + " P" +
                std::to_string(f->partition));
  for (const FileRecord* f = s.fileList.head; f; f = f->next)
    v.push_back("F " + Names(*f) + " " + char(f->deleted) + char(f->kind) + " m" + T(f->modified) +
                " c" + T(f->created) + " a" + T(f->accessed) + " s" + std::to_string(f->size) +
                " p" + std::to_string(f->parentId) + " i" + std::to_string(f->id) + " l" +
                std::to_string(f->locator));
  for (const FoundDirectoryRecord* d = s.foundDirList.head; d; d = d->next)
    v.push_back("FD w:" + Hex(d->wideName.View()) + " " + char(d->deleted) + " m" + T(d->modified) +
                " c" + T(d->created) + " a" + T(d->accessed) + " p" + std::to_string(d->parentId) +
                " d" + std::to_string(d->directoryId) + " r" + std::to_string(d->recordSector) +
                " x" + std::to_string(d->indexLcn) + " P" + std::to_string(d->assignedPartition));
  for (const FoundFileRecord* f = s.foundFileList.head; f; f = f->next)
    v.push_back("FF w:" + Hex(f->wideName.View()) + " " + char(f->deleted) + " m" + T(f->modified) +
                " c" + T(f->created) + " a" + T(f->accessed) + " s" + std::to_string(f->size) +
                " p" + std::to_string(f->parentId) + " n" + std::to_string(f->recordNumber) + " r" +
                std::to_string(f->recordSector));
  for (const PartitionRecord* p = s.partitionList.head; p; p = p->next)
    v.push_back("P " + Hex(p->Name()) + " " + std::to_string(p->clusterSize) + " " +
                std::to_string(p->startSector) + " " + std::to_string(p->endSector) + " " +
                std::to_string(p->fatSize) + " " + std::to_string(p->rootDirSectors) + " " +
                std::to_string(p->reservedSectors) + " " + std::to_string(p->rootStart) + " " +
                std::to_string(p->clusterBase) + " " + std::to_string(p->fat1Start) + " " +
                std::to_string(p->fat2Start) + " " + std::to_string(p->fileRecordSectors) + " " +
                std::to_string(p->indexRecordSectors));
  v.push_back("counts " + std::to_string(s.folderCount.load()) + " " +
              std::to_string(s.fileCount.load()) + " " + std::to_string(s.foundDirCount.load()) +
              " " + std::to_string(s.foundFileCount.load()) + " " +
              std::to_string(s.partitionCount.load()) + " total " +
              std::to_string(s.totalSize.load()));
  return v;
}

// The globals a log restores (and a refused log must leave alone).
inline std::string GlobalsPicture() {
  std::ostringstream o;
  const ScanState& s = g_ScanState;
  o << "dev " << g_CurrentDevice << " path0 " << DevicePathAt(0) << " letter "
    << int(g_SourceDriveLetter) << " bps " << g_BytesPerSector << " disk " << g_SelectedDiskNumber
    << " part " << g_SelectedPartitionIndex << " fs " << FileSystemKindText(g_FileSystemName) << " node "
    << g_SourceNodeText << " range " << g_SourceStartSector << "-" << g_SourceEndSector << " vg";
  const VolumeGeometry& v = g_VolumeGeometry;
  for (uint32_t x :
       {v.SectorsPerMftRecord, v.SectorsPerIndexRecord, v.MftStartSector, v.MftMirrorStartSector,
        v.SectorsPerCluster, v.FatSizeSectors, v.RootDirectory, v.RootDirectorySectors,
        v.ReservedSectors, v.ClusterBaseSector, v.Fat1StartSector, v.Fat2StartSector})
    o << " " << x;
  o << " sfs " << FileSystemKindText(s.fileSystem) << " flags " << g_FormattedMode.load() << " "
    << g_PartitionMode.load() << " " << g_PartitionPass.load() << " chosen "
    << s.chosenFileSystem.load() << " style " << s.partitionStyle << " mode " << s.recoveryMode
    << " loaded " << g_LogLoaded.load();
  return o.str();
}

}  // namespace scanlog_test
