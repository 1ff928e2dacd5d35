#include "saving/imaging/DiskImageWorker.h"

#include "platform/TextCodec.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/StorageIdentity.h"
#include "prompts/UserPrompts.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/DiskImageFolder.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {

std::string ErrnoText(std::string_view what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Writes the sector-size file, or removes an older one when sectors are 512 bytes.
bool WriteSectorSizeFile(const std::string& folder, int32_t bps, std::string& failure) {
  const std::string path = folder + "/" + std::string(kSectorSizeFileName);
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    failure = ErrnoText("cannot remove", path);
    return false;
  }
  if (bps <= 512) return true;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    failure = ErrnoText("cannot create", path);
    return false;
  }
  std::array<unsigned char, 4> le{};
  for (int i = 0; i < 4; ++i)
    le[i] = static_cast<unsigned char>(static_cast<uint32_t>(bps) >> (8 * i));
  bool ok =
      ::write(fd, le.data(), le.size()) == static_cast<ssize_t>(le.size()) && ::fsync(fd) == 0;
  if (!ok) failure = ErrnoText("cannot write", path);
  if (::close(fd) != 0 && ok) {
    failure = ErrnoText("cannot close", path);
    ok = false;
  }
  return ok;
}

// Removes every piece of this name numbered above last, so that no piece of an older, longer
// image stays beside the new one. Returns false when one could not be removed.
bool RemoveStalePieces(const std::string& stem, int64_t last,
                       const std::optional<struct stat>& source, std::string& failure) {
  const std::string folder = FolderOf(stem);
  const std::string prefix =
      stem.substr(stem.rfind('/') == std::string::npos ? 0 : stem.rfind('/') + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return true;  // nothing could have been written there either
  bool ok = true;
  std::vector<std::string> stale;
  while (dirent* e = ::readdir(dir)) {
    auto n = ImagePieceNumber(e->d_name, prefix);
    if (n && *n > last) stale.emplace_back(e->d_name);
  }
  const int dfd = ::dirfd(dir);
  for (const auto& name : stale) {
    struct stat st {};
    // The source itself is never removed, whatever it is called.
    if (source && ::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(st, *source))
      continue;
    if (::unlinkat(dfd, name.c_str(), 0) != 0 && errno != ENOENT) {
      failure = ErrnoText("cannot remove", folder + "/" + name);
      ok = false;
    }
  }
  ::closedir(dir);
  return ok;
}

// Syncs, closes and checks one finished piece; false (with failure set) when any step failed. A
// piece that received nothing (its first write failed) would only stand for data it does not
// hold, so it is removed.
bool FinishPiece(std::FILE* stream, const std::string& path, std::string* failure) {
  bool ok = std::fflush(stream) == 0 && ::fsync(::fileno(stream)) == 0;
  if (!ok && failure) *failure = ErrnoText("cannot sync", path);
  struct stat st {};
  const bool empty = ::fstat(::fileno(stream), &st) == 0 && st.st_size == 0;
  if (std::fclose(stream) != 0 && ok) {
    ok = false;
    if (failure) *failure = ErrnoText("cannot close", path);
  }
  if (empty) ::unlink(path.c_str());
  return ok;
}

// Starts the kernel's write-back of written ranges from a thread of its own, so that the copy
// goes on while the disk's queue takes them, and syncs and closes finished pieces there too, so
// that the next piece is written while the last one reaches the disk. Jobs run in the order they
// were given (a piece's ranges before its close). Without a thread (none could be started) the
// jobs run inline.
class WriteBackStarter {
 public:
  WriteBackStarter() {
    try {
      m_Thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
    }
  }
  ~WriteBackStarter() {
    {
      std::lock_guard lock(m_Mutex);
      m_Quit = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
  }
  WriteBackStarter(const WriteBackStarter&) = delete;
  WriteBackStarter& operator=(const WriteBackStarter&) = delete;

  void Start(int fd, uint64_t from, uint64_t length) { Add(Job{fd, from, length, nullptr, {}}); }

  // Takes over a finished piece: it is synced and closed after its ranges were started.
  void Finish(std::FILE* stream, std::string path) {
    Add(Job{::fileno(stream), 0, 0, stream, std::move(path)});
  }

  // Returns once every job handed over has run; a file is closed only after this.
  void Drain() {
    std::unique_lock lock(m_Mutex);
    m_Changed.wait(lock, [this] { return m_Jobs.empty() && !m_Busy; });
  }

  // The first failure of a finished piece's sync or close so far, or "".
  std::string Failure() {
    std::lock_guard lock(m_Mutex);
    return m_Failure;
  }

 private:
  struct Job {
    int fd;
    uint64_t from, length;
    std::FILE* finish;  // set for a piece to sync and close
    std::string path;
  };
  void Add(Job job) {
    if (!m_Thread.joinable()) {
      RunJob(job);
      return;
    }
    {
      std::lock_guard lock(m_Mutex);
      m_Jobs.push_back(std::move(job));
    }
    m_Changed.notify_all();
  }
  void RunJob(const Job& job) {
    if (job.finish) {
      std::string failure;
      if (!FinishPiece(job.finish, job.path, &failure)) {
        std::lock_guard lock(m_Mutex);
        if (m_Failure.empty()) m_Failure = failure;
      }
      return;
    }
#ifdef __linux__
    ::sync_file_range(job.fd, static_cast<off_t>(job.from), static_cast<off_t>(job.length),
                      SYNC_FILE_RANGE_WRITE);
#endif
  }
  void Run() {
    std::unique_lock lock(m_Mutex);
    for (;;) {
      m_Changed.wait(lock, [this] { return m_Quit || !m_Jobs.empty(); });
      if (m_Jobs.empty()) return;
      const Job job = std::move(m_Jobs.front());
      m_Jobs.pop_front();
      m_Busy = true;
      lock.unlock();
      RunJob(job);
      lock.lock();
      m_Busy = false;
      m_Changed.notify_all();
    }
  }

  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  std::deque<Job> m_Jobs;
  bool m_Busy = false;
  bool m_Quit = false;
  std::string m_Failure;
  std::thread m_Thread;
};

// The open piece file. Pieces are written unbuffered so that a failing write shows at the block
// that failed, and synced before they are closed (the last one here, the others on the write-back
// thread), so success is only reported for data on disk.
class PieceFile {
 public:
  PieceFile() = default;
  PieceFile(const PieceFile&) = delete;
  PieceFile& operator=(const PieceFile&) = delete;
  ~PieceFile() { Close(); }

  // Creates path as the next piece. An older file of that name is removed first, so the piece
  // starts as a new file; it must be a plain file, not a link and not the source.
  bool Open(const std::string& path, const std::optional<struct stat>& source,
            std::string& failure) {
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0) {
      if (!S_ISREG(old.st_mode) || (source && SameFile(old, *source))) {
        failure = "refused to write " + path + ": not a plain file apart from the source";
        return false;
      }
      if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        failure = ErrnoText("cannot remove", path);
        return false;
      }
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      failure = ErrnoText("cannot create", path);
      return false;
    }
    m_Stream = ::fdopen(fd, "w+");
    if (!m_Stream) {
      failure = ErrnoText("cannot open", path);
      ::close(fd);
      return false;
    }
    std::setvbuf(m_Stream, nullptr, _IONBF, 0);
    m_Path = path;
    m_FlushedBytes = 0;
    return true;
  }

  std::FILE* stream() const { return m_Stream; }

  // Starts the write-back of what was written so far without waiting for it, so that the disk
  // works while the next blocks are read and the sync at the end of the piece finds little left.
  void StartWriteBack(uint64_t writtenBytes, WriteBackStarter& starter) {
    if (!m_Stream || writtenBytes < m_FlushedBytes + kWriteBackStep) return;
    starter.Start(::fileno(m_Stream), m_FlushedBytes, writtenBytes - m_FlushedBytes);
    m_FlushedBytes = writtenBytes;
    m_Starter = &starter;
  }
  bool IsOpen() const { return m_Stream != nullptr; }

  // Flushes, syncs and closes; false (with failure set) when any of them failed.
  bool Close(std::string* failure = nullptr) {
    if (!m_Stream) return true;
    if (m_Starter) m_Starter->Drain();
    m_Starter = nullptr;
    const bool ok = FinishPiece(m_Stream, m_Path, failure);
    m_Stream = nullptr;
    return ok;
  }

  // Hands the piece to the write-back thread, which syncs and closes it while the next piece is
  // written; its failure shows in starter.Failure().
  void HandOver(WriteBackStarter& starter) {
    if (!m_Stream) return;
    starter.Finish(m_Stream, m_Path);
    m_Stream = nullptr;
    m_Starter = nullptr;
  }

 private:
  static constexpr uint64_t kWriteBackStep = 8u << 20;
  std::FILE* m_Stream = nullptr;
  std::string m_Path;
  uint64_t m_FlushedBytes = 0;
  WriteBackStarter* m_Starter = nullptr;  // has ranges of this file when set
};

std::optional<struct stat> StatOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st;
}

// A single-file image is one piece that is longer than a split image's pieces may be; anything
// else reads the same either way. Sets g_ImageMultiFile for reading a disk-image source while it
// lives and restores the target's setting afterwards.
class SourceLayoutGuard {
 public:
  SourceLayoutGuard() : m_Saved(g_ImageMultiFile) {
    if (!g_DiskImageSource) return;
    const auto first = StatOf(FirstImagePiecePath());
    const int64_t pieceBytes = ImagePieceSectors(g_BytesPerSector) * int64_t{g_BytesPerSector};
    g_ImageMultiFile = first && first->st_size > pieceBytes ? 0 : 1;
  }
  ~SourceLayoutGuard() { g_ImageMultiFile = m_Saved; }
  SourceLayoutGuard(const SourceLayoutGuard&) = delete;
  SourceLayoutGuard& operator=(const SourceLayoutGuard&) = delete;

 private:
  int32_t m_Saved;
};

// Refuses targets that would write where the source lives. Returns an empty text when the target
// may be written.
std::string CheckTarget(const std::string& imageFolder, bool& changed) {
  const std::optional<std::string> source = g_DiskImageSource || g_VirtualDiskMode
                                                ? std::nullopt
                                                : ResolveDevicePath(CurrentDevicePath());
  if (g_ImageToDisk == 1) {
    if (g_ImageTargetDisk < 0 || g_ImageTargetDisk >= kDevicePathCount)
      return "no target disk chosen";
    const std::string_view name = DevicePathAt(g_ImageTargetDisk);
    if (!g_DiskImageSource && !g_VirtualDiskMode && name == CurrentDevicePath())
      return "the target disk is the source disk";
    // The disk the user confirmed, or none: a disk that took its name since is not even opened
    // for writing.
    DeviceOpenError error = DeviceOpenError::None;
    if (!OpenDevice(name, DeviceAccess::Read, &error) && error == DeviceOpenError::Changed) {
      changed = true;
      return "the target disk has changed since it was chosen";
    }
    const std::optional<std::string> target = ResolveDevicePath(name);
    if (!target) return "the target disk " + std::string(name) + " is not present";
    if (source && SameStorage(*source, *target)) return "the target disk holds the source";
    if (g_DiskImageSource && FolderOnDevice(g_SourceImageFolder, *target))
      return "the target disk holds the source image";
    // One exclusive open up front: a mounted or busy disk is refused before any block is read.
    auto probe = OpenDevice(name, DeviceAccess::WriteExclusive);
    if (!probe) return "the target disk cannot be opened for exclusive writing (mounted or in use)";
    probe->Close();
    return {};
  }
  auto folder = StatOf(imageFolder);
  if (!folder || !S_ISDIR(folder->st_mode))
    return "the target folder " + imageFolder + " does not exist";
  if (g_DiskImageSource) {
    auto sourceFolder = StatOf(g_SourceImageFolder);
    if (sourceFolder && SameFile(*folder, *sourceFolder))
      return "the target folder holds the source image";
  }
  if (source && FolderOnDevice(imageFolder, *source))
    return "the target folder lies on the source disk";
  return {};
}

int32_t BarOf(int64_t position) {
  if (g_SourceEndSector <= 0) return -1;
  const auto percent = static_cast<unsigned __int128>(position) * 100 /
                       static_cast<unsigned __int128>(g_SourceEndSector);
  return static_cast<int32_t>(std::min<unsigned __int128>(percent, 100));
}

// Where the blocks go: the open piece and its numbering, or the target disk.
struct ImageTarget {
  bool toDisk = false;
  std::string imagePath;
  std::string folder;  // where the pieces and "bps.dmg" go
  int32_t bps = 512;
  int64_t pieceSectors = INT64_MAX;
  std::optional<struct stat> sourceFile;
  WriteBackStarter writeBack;  // outlives the piece, which drains it before closing
  PieceFile piece;
  int64_t pieceNumber = 0;  // number of the next piece to create
  int64_t offset = 0;       // sector within the current piece, or on the target disk
  int piecesCreated = 0;
  std::string shownPath;  // the current piece
  std::string failure;
};

// Checks the files an imaging into a folder will create before the first byte is written: the
// folder must take new files, and no piece the range needs, nor "bps.dmg", may be the source
// or anything but a plain file. Returns an empty text when they may be written.
std::string CheckImageFiles(const ImageTarget& t, int64_t sectors) {
  if (::faccessat(AT_FDCWD, t.folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return ErrnoText("cannot write into the target folder", t.folder);
  const int64_t pieces = sectors / t.pieceSectors + (sectors % t.pieceSectors != 0 ? 1 : 0);
  const std::string stem = ImagePieceBase(t.imagePath);
  const std::string prefix =
      stem.substr(stem.rfind('/') == std::string::npos ? 0 : stem.rfind('/') + 1);
  DIR* dir = ::opendir(t.folder.c_str());
  if (!dir) return ErrnoText("cannot read the target folder", t.folder);
  std::string why;
  while (dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    const auto n = ImagePieceNumber(name, prefix);
    if (name != kSectorSizeFileName && !(n && *n < pieces)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || (t.sourceFile && SameFile(st, *t.sourceFile))) {
      why = "refused to write " + t.folder + "/" + std::string(name) +
            ": not a plain file apart from the source";
      break;
    }
  }
  ::closedir(dir);
  return why;
}

struct WriteOutcome {
  uint32_t done = 0;           // sectors of the block dealt with, written or not
  uint32_t failedSectors = 0;  // the part that failed last; 0 when none did
  bool pieceFailure = false;   // a piece could not be had: nothing more can be written
};

// Writes sectors from..n of a block. Stops after the first part that fails, so that the question
// is asked before anything after that part is written.
WriteOutcome WriteBlock(ImageTarget& t, std::span<const std::byte> data, uint32_t n,
                        uint32_t from) {
  WriteOutcome o{from, 0, false};
  const auto bps = static_cast<size_t>(t.bps);
  if (t.toDisk) {
    if (!WriteImageSectors(data.subspan(from * bps), n - from, t.offset, nullptr, nullptr))
      o.failedSectors = n - from;
    t.offset += n - from;
    o.done = n;
    return o;
  }
  while (o.done < n) {
    if (!t.piece.IsOpen() || t.offset == t.pieceSectors) {
      t.piece.HandOver(t.writeBack);
      if (std::string failed = t.writeBack.Failure(); !failed.empty()) {
        t.failure = std::move(failed);
        o.pieceFailure = true;
        return o;
      }
      const std::string path = ImagePiecePath(t.imagePath, t.pieceNumber);
      // The sector-size file of an older image stays until the new image starts replacing it.
      if (t.piecesCreated == 0 && !WriteSectorSizeFile(t.folder, t.bps, t.failure)) {
        o.pieceFailure = true;
        return o;
      }
      if (!t.piece.Open(path, t.sourceFile, t.failure)) {
        o.pieceFailure = true;
        return o;
      }
      ++t.pieceNumber;
      ++t.piecesCreated;
      t.offset = 0;
      t.shownPath = path;
    }
    const auto part =
        static_cast<uint32_t>(std::min<int64_t>(n - o.done, t.pieceSectors - t.offset));
    const bool ok = WriteImageSectors(data.subspan(o.done * bps), part, t.offset, t.piece.stream(),
                                      nullptr) == 1;
    o.done += part;
    t.offset += part;
    t.piece.StartWriteBack(static_cast<uint64_t>(t.offset) * bps, t.writeBack);
    if (!ok) {
      o.failedSectors = part;
      return o;
    }
  }
  return o;
}

}  // namespace

uint32_t ImageBlockSectors(int32_t bps) {
  if (bps <= 512) return 400;
  return std::max<uint32_t>(1, 400 / static_cast<uint32_t>(bps / 512));
}

std::string DiskImageRunNote(const DiskImageResult& r) {
  std::string note;
  if (!r.failure.empty()) note = "Stopped: " + r.failure + ".";
  if (r.sectorsUnread != 0 || r.sectorsNotWritten != 0) {
    if (!note.empty()) note += " ";
    note += std::to_string(r.sectorsUnread) +
            " sectors could not be read and were imaged as zeros; " +
            std::to_string(r.sectorsNotWritten) + " sectors could not be written and are missing.";
  }
  return note;
}

DiskImageResult DiskImageThread(ScanJob& job) {
  DiskImageResult result;
  const int32_t bps = g_BytesPerSector;
  const int64_t start = g_SourceStartSector;
  const int64_t end = g_SourceEndSector;
  const bool toDisk = g_ImageToDisk == 1;
  const bool multi = g_ImageMultiFile != 0;
  const std::string imagePath = g_ImagePath;
  const std::string stem = ImagePieceBase(imagePath);
  const std::string imageFolder = FolderOf(stem);
  const std::string source(CurrentDevicePath());
  result.position = start;
  // The page refreshes its texts on the imaging period, whatever job it was handed.
  job.throttle = ProgressThrottle(ProgressThrottle::kImagePeriod);

  bool changed = false;  // the source or target disk is not the one chosen
  auto finish = [&](bool cancelled) {
    result.end = cancelled ? ScanEnd::Cancelled : ScanEnd::ImageDone;
    if (!cancelled)
      Prompts().ViewMsgBox(changed          ? kChosenDiskChangedText
                           : result.success ? kImageCreatedText
                                            : kImageAbortedText);
    const std::string note = DiskImageRunNote(result);
    if (!note.empty()) job.observer.OnDetailText(note);
    return result;
  };

  if (!IsValidSectorSize(bps)) {
    result.failure = "the sector size " + std::to_string(bps) + " is not supported";
    return finish(false);
  }
  if (start < 0 || end <= start) {
    result.failure = "the sector range is empty";
    return finish(false);
  }
  if (!toDisk && (imagePath.empty() || imagePath.back() == '/')) {
    result.failure = "no image file chosen";
    return finish(false);
  }
  // A source that cannot be opened at all would give an image of nothing but zeros.
  DeviceOpenError sourceError = DeviceOpenError::None;
  if (!g_VirtualDiskMode &&
      (g_DiskImageSource ? !StatOf(FirstImagePiecePath())
                         : !OpenDevice(source, DeviceAccess::Read, &sourceError))) {
    changed = sourceError == DeviceOpenError::Changed;
    result.failure =
        changed ? "the source disk has changed since it was chosen" : "the source cannot be opened";
    return finish(false);
  }
  if (std::string why = CheckTarget(imageFolder, changed); !why.empty()) {
    result.failure = why;
    return finish(false);
  }

  // The block buffer: 400 sectors, or 8 when that much memory cannot be had.
  uint32_t block = ImageBlockSectors(bps);
  std::vector<std::byte> buffer;
  for (uint32_t want : {block, std::max<uint32_t>(1, 8 / std::max(1, bps / 512))}) {
    try {
      buffer.resize(static_cast<size_t>(want) * static_cast<size_t>(bps));
      block = want;
      break;
    } catch (const std::bad_alloc&) {
      std::vector<std::byte>().swap(buffer);
    }
  }
  if (buffer.empty()) {
    result.failure = "not enough memory for the block buffer";
    return finish(false);
  }

  ImageTarget target;
  target.toDisk = toDisk;
  target.imagePath = imagePath;
  target.bps = bps;
  target.pieceSectors = multi ? ImagePieceSectors(bps) : INT64_MAX;
  // A source that is itself a plain file (an image file served as a disk) must never become a
  // piece of the image.
  if (!g_DiskImageSource && !g_VirtualDiskMode) {
    if (auto path = ResolveDevicePath(source)) target.sourceFile = StatOf(*path);
  }

  target.folder = imageFolder;
  if (!toDisk) {
    if (std::string why = CheckImageFiles(target, end - start); !why.empty()) {
      result.failure = why;
      return finish(false);
    }
  }

  // g_ImageMultiFile also tells the sector path how a disk-image source is laid out, and the
  // imaging page has just set it for the target. The source is read with its own layout.
  SourceLayoutGuard layout;

  std::u16string shownName = toDisk ? Utf8ToUtf16(g_ImageTargetLabel) : std::u16string();
  bool aborted = false;
  bool cancelled = false;
  int64_t position = start;  // next sector whose block has been written (or left out)

  // Takes the outcome of a block's write: a failed part asks the copy-error question unless
  // Skip All is in force (Abort ends the run; any other answer writes the rest of the block), a
  // piece that could not be had ends it. Then the block counts as done and is reported. Returns
  // false when the run must end.
  auto settle = [&](WriteOutcome o, std::span<const std::byte> data, uint32_t n) {
    for (;;) {
      if (o.failedSectors) {
        result.sectorsNotWritten += o.failedSectors;
        if (!g_CopySkipAll && AskCopyError() == CopyErrorAnswer::Abort) {
          g_CopySkipOnce = 0;
          g_CopySkipAll = 0;
          g_CopyAbort = 0;
          aborted = true;
          return false;
        }
      }
      if (o.pieceFailure) {
        result.failure = target.failure;
        return false;
      }
      if (o.done >= n) break;
      o = WriteBlock(target, data, n, o.done);
    }
    position += n;
    if (!toDisk) shownName = Utf8ToUtf16(target.shownPath);
    // The size copied counts the whole range so far, not the sectors of the current piece.
    job.Report(ScanProgress{static_cast<uint64_t>(position - start),
                            static_cast<uint32_t>(position), 0, shownName, 'e'});
    if (const int32_t bar = BarOf(position); bar >= 0) job.observer.OnBar(bar);
    return true;
  };

  while (position < end && !job.control.StopRequested()) {
    if (!job.control.Checkpoint()) {
      cancelled = true;
      break;
    }
    const auto n = static_cast<uint32_t>(std::min<int64_t>(block, end - position));
    auto data = std::span<std::byte>(buffer).first(static_cast<size_t>(n) * bps);
    const uint64_t zeroedBefore = ZeroFilledSectorCount();
    ReadSectors(source, position, n, data);
    result.sectorsUnread += ZeroFilledSectorCount() - zeroedBefore;
    if (!settle(WriteBlock(target, data, n, 0), data, n)) break;
  }
  result.position = position;
  result.piecesCreated = target.piecesCreated;

  std::string closeFailure;
  if (!target.piece.Close(&closeFailure) && result.failure.empty()) result.failure = closeFailure;
  // Earlier pieces were synced and closed on the write-back thread: success needs them on disk.
  target.writeBack.Drain();
  if (std::string failed = target.writeBack.Failure(); !failed.empty() && result.failure.empty())
    result.failure = std::move(failed);
  // Pieces of an older, longer image are removed only once the new image covers the whole range:
  // a run that was refused, stopped or cancelled leaves the older image's other pieces alone.
  if (!toDisk && !cancelled && !aborted && position == end && result.failure.empty() &&
      target.pieceNumber > 0) {
    std::string staleFailure;
    if (!RemoveStalePieces(stem, target.pieceNumber - 1, target.sourceFile, staleFailure))
      result.failure = staleFailure;
  }
  // Sectors that could not be read are in the image as zeros, as the user chose when asked: the
  // image is whole and says so, and the note counts them. Sectors not written are missing.
  result.success = !cancelled && !aborted && position == end && result.failure.empty() &&
                   result.sectorsNotWritten == 0;
  job.observer.OnProgress(ScanProgress{static_cast<uint64_t>(position - start),
                                       static_cast<uint32_t>(position), 0, shownName, 'e'});
  return finish(cancelled);
}
