#include "saving/copywalk/SaveData.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/records/RecordName.h"
#include "engine/records/ResultLists.h"
#include "engine/records/ScanState.h"
#include "platform/TextCodec.h"
#include "prompts/CopyGlobals.h"
#include "prompts/ReplacePrompt.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/FatFileCopy.h"
#include "saving/extract/NtfsFileCopy.h"
#include "saving/extract/TargetFiles.h"
#include "saving/settings/SettingsAdmission.h"
#include "saving/settings/SavingSettings.h"
#include "storage/SectorIo.h"

std::atomic<int64_t> g_CopyStartTime{0};

namespace {

// The open folders from the target down to the folder being copied into: a walk in depth-first
// order keeps the levels it shares with the previous folder and opens only the rest, each from
// its parent's descriptor.
class FolderChain {
 public:
  explicit FolderChain(TargetFolder root) { m_Levels.push_back(std::move(root)); }

  const TargetFolder& Open(const std::vector<std::string>& path) {
    size_t keep = 0;
    while (keep < m_Names.size() && keep < path.size() && m_Names[keep] == path[keep]) ++keep;
    m_Names.resize(keep);
    m_Levels.resize(keep + 1);
    for (size_t i = keep; i < path.size(); ++i) {
      m_Levels.push_back(m_Levels.back().Subfolder(path[i]));
      m_Names.push_back(path[i]);
    }
    return m_Levels.back();
  }

 private:
  std::vector<TargetFolder> m_Levels;  // m_Levels[0] the target, then one per name
  std::vector<std::string> m_Names;
};

// Passes the page's texts and progress on; the admission already happened in the walk.
class Relay final : public CopyObserver {
 public:
  explicit Relay(CopyObserver& page) : m_Page(page) {}
  void OnFileStarted(std::u16string_view folder, std::u16string_view name) override {
    m_Page.OnFileStarted(folder, name);
  }
  void OnFileProgress(std::u16string_view name, uint64_t written, uint64_t size) override {
    m_Page.OnFileProgress(name, written, size);
  }

 private:
  CopyObserver& m_Page;
};

bool MustEnd(const ScanControl* control) {
  return g_CopyAbort.load() == 1 || (control && (control->StopRequested() || control->Cancelled()));
}

// What to do with a file whose name is taken in its target folder: ask unless an answer for all
// was given. Nothing when the file is to be left (its size then counts as copied).
std::optional<ExistingName> NameTakenRule(CopyObserver& observer, std::u16string_view folderText,
                                          std::u16string_view name, uint64_t size) {
  int32_t choice = g_ReplaceChoice.load();
  if (choice != kReplaceOverwriteAll && choice != kReplaceSkipAll && choice != kReplaceRenameAll) {
    // The page names the file before the question asks about it.
    observer.OnFileStarted(folderText, name);
    observer.OnFileProgress(name, 0, size);
    choice = AskReplace();
  }
  switch (choice) {
    case kReplaceOverwrite:
    case kReplaceOverwriteAll:
      return ExistingName::Overwrite;
    case kReplaceRename:
    case kReplaceRenameAll:
      return ExistingName::Rename;
    default:
      return std::nullopt;
  }
}

bool Whole(FatCopyResult r) {
  return r == FatCopyResult::Written || r == FatCopyResult::Refused;
}
bool Whole(NtfsCopyResult r) {
  return r == NtfsCopyResult::Written || r == NtfsCopyResult::Refused;
}

}  // namespace

bool CreateDirectoryPath(const std::string& path) {
  if (path.empty()) return false;
  for (size_t cut = path.find('/', 1);; cut = path.find('/', cut + 1)) {
    const std::string prefix = path.substr(0, cut);
    if (!prefix.empty() && prefix.back() != '/') ::mkdir(prefix.c_str(), 0755);
    if (cut == std::string::npos) break;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

SaveDataOutcome SaveDataThread(const SaveDataRequest& request, CopyObserver& observer) {
  SaveDataOutcome outcome;
  g_CopyStartTime = static_cast<int64_t>(std::time(nullptr));
  const uint64_t zeroFilledBefore = ZeroFilledSectorCount();
  Relay relay(observer);
  if (!request.walk) return outcome;

  TargetFolder root;
  if (CreateDirectoryPath(request.targetPath)) root = TargetFolder::Open(request.targetPath);
  if (!root.IsOpen()) {
    outcome.rootFailed = true;
    return outcome;
  }
  FolderChain chain(std::move(root));
  std::string rootText = request.targetPath;
  if (rootText.empty() || rootText.back() != '/') rootText += '/';

  const FileSystemKind fs = request.fileSystem;
  // What each target folder held before this save first wrote into it: only those names bring
  // the replace question. A name this same save wrote (two names that clean to one) gets a
  // numbered name instead, so no file of the save replaces another.
  std::unordered_map<std::string, std::unordered_set<std::string>> namesBefore;
  for (const FolderWalkEntry& entry : request.walk->folders) {
    if (MustEnd(request.control)) break;
    const TargetFolder& folder = chain.Open(entry.targetPath);
    std::string text = rootText;
    for (const std::string& level : entry.targetPath) text += level + "/";
    const std::u16string folderText = Utf8ToUtf16(text);
    const auto [before, first] = namesBefore.try_emplace(text);
    if (first) before->second = folder.Names();

    for (FileRecord* f = FindFirstChild(g_ScanState.fileList, entry.folderId); f;
         f = NextChild(g_ScanState.fileList, f, entry.folderId)) {
      if (MustEnd(request.control)) break;
      if (!PassesSelectionMode(f->selected == 'y', request.walk->selectionMode)) continue;
      if (!AdmittedBySettings(*f, fs)) continue;
      const std::u16string name = RecordName(*f);
      ExistingName whenTaken = ExistingName::Rename;  // a name taken meanwhile is never overwritten
      const std::string safeName = SafeFileName(name);
      if (before->second.count(safeName) && folder.Exists(safeName)) {
        // Asked once per old file: another file of this save with the same name is numbered.
        before->second.erase(safeName);
        const std::optional<ExistingName> rule = NameTakenRule(observer, folderText, name, f->size);
        if (!rule) {
          g_CopiedBytes.fetch_add(f->size);
          continue;
        }
        whenTaken = *rule;
      }
      bool whole = false;
      if (fs == FileSystemKind::Ntfs) {
        NtfsCopyRequest r;
        r.folder = &folder;
        r.targetText = folderText;
        r.name = name;
        r.size = f->size;
        r.recordNumber = f->id;
        r.recordSector = request.recordsAtLocator ? f->locator : 0;
        r.deleted = f->deleted == 'y';
        r.modified = f->modified.AsFileTime();
        r.control = request.control;
        r.whenTaken = whenTaken;
        whole = Whole(CopyNtfsFile(r, relay));
      } else {
        FatCopyRequest r;
        r.folder = &folder;
        r.targetText = folderText;
        r.name = name;
        r.size = static_cast<uint32_t>(f->size);
        r.firstCluster = f->id;
        r.deleted = f->deleted == 'y';
        r.dosDate = static_cast<uint16_t>(f->modified.first);
        r.dosTime = static_cast<uint16_t>(f->modified.second);
        r.control = request.control;
        r.whenTaken = whenTaken;
        whole = Whole(CopyFatFile(r, relay));
      }
      if (!whole) ++outcome.filesIncomplete;
    }
  }
  outcome.stopped = MustEnd(request.control);
  outcome.zeroFilledSectors = ZeroFilledSectorCount() - zeroFilledBefore;
  return outcome;
}

std::string_view SaveEndText(uint64_t copiedBytes, uint64_t evaluatedBytes,
                             const SaveDataOutcome& outcome) {
  const bool complete = copiedBytes == evaluatedBytes && outcome.filesIncomplete == 0 &&
                        outcome.zeroFilledSectors == 0 && !outcome.rootFailed && !outcome.stopped;
  return complete ? kSavingCompleted : kSavingNotCompleted;
}

std::string WithIncompleteCount(std::string_view endText, const SaveDataOutcome& outcome) {
  std::string text(endText);
  const uint32_t n = outcome.filesIncomplete;
  if (n == 1) text += "\n1 file was not fully copied.";
  if (n > 1) text += "\n" + std::to_string(n) + " files were not fully copied.";
  return text;
}
