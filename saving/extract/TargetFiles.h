// Where recovered files are written: folders and files created under the target folder's
// descriptor with names made safe first, so that nothing read from a disk can steer a write
// outside the target (no "/", no "..", no symbolic link followed) or be silently lost (every
// write, time change and close is checked). Shared by the FAT and NTFS extraction.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

// The name as it may be used for one path component, in UTF-8: "/", NUL and the other control
// characters (U+0001 to U+001F, U+007F to U+009F) become "_", an empty name becomes "_", "." and
// ".." become "_" and "__", and a name longer than 255 bytes is shortened before its extension
// (the extension is kept when it is short enough to leave room), never inside a UTF-8 sequence.
std::string SafeFileName(std::u16string_view name);
std::string SafeFileName(std::string_view utf8Name);

inline constexpr size_t kMaxNameBytes = 255;

// An open file descriptor that closes itself.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_Fd(fd) {}
  UniqueFd(UniqueFd&& o) noexcept : m_Fd(o.Release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();
  int Get() const { return m_Fd; }
  bool IsOpen() const { return m_Fd >= 0; }
  int Release() {
    const int fd = m_Fd;
    m_Fd = -1;
    return fd;
  }
  // Closes now; false when close reported an error (the data may not have reached the disk).
  bool Close();

 private:
  int m_Fd = -1;
};

// A file being written. Created only by TargetFolder::CreateFile.
class TargetFile {
 public:
  TargetFile() = default;
  explicit TargetFile(UniqueFd fd) : m_Fd(std::move(fd)) {}
  bool IsOpen() const { return m_Fd.IsOpen(); }
  // True when nothing was created because the name was taken and the rule said skip.
  bool Skipped() const { return m_Skipped; }
  // Writes all of data (short writes and interruptions are continued); false on failure.
  bool Write(std::span<const std::byte> data);
  // Leaves a hole of that many bytes (a sparse run): nothing is written, so a file system that
  // keeps holes spends no room on it. The file's length covers the hole when it is closed.
  bool WriteHole(uint64_t bytes);
  // Sets the modification time, and the access time to the same when accessTimeToo (as nothing
  // better is known) or leaves it as it is; false on failure.
  bool SetModifiedTime(const timespec& when, bool accessTimeToo = true);
  // Sets the length over a hole at the end and closes the file; false when either failed.
  bool Close();

 private:
  friend class TargetFolder;
  bool SettleLength();

  UniqueFd m_Fd;
  uint64_t m_Position = 0;
  bool m_HoleAtEnd = false;
  bool m_Skipped = false;
};

// What creating a file does when its name is taken in the folder already.
enum class ExistingName {
  Rename,     // the first free numbered name: report.txt, then report0.txt, report1.txt, ...
  Overwrite,  // the old entry is removed first, so a link planted there is replaced, not followed
  Skip,       // nothing is created
};

// Number n put into safeName before its extension (report.txt, 3: report3.txt; a name without a
// dot gets it at the end), shortened before the number so the result stays within kMaxNameBytes.
std::string NumberedName(const std::string& safeName, uint32_t n);

// The numbered names tried before a new file gives up (0 to 9999).
inline constexpr uint32_t kNumberedNames = 10000;

// A folder of the target, held open by descriptor.
class TargetFolder {
 public:
  TargetFolder() = default;
  // Opens the folder the user chose (it may itself be reached through a link).
  static TargetFolder Open(const std::string& path);
  bool IsOpen() const { return m_Fd.IsOpen(); }
  int Fd() const { return m_Fd.Get(); }
  // Opens the subfolder of that (already safe) name, creating it when missing. A link of that
  // name is not followed: the result is then closed.
  TargetFolder Subfolder(const std::string& safeName) const;
  // Creates a new file of that (already safe) name for writing. An existing file is never opened,
  // truncated or written through (neither a symbolic nor a hard link): when the name is taken,
  // whenTaken decides, and safeName comes back as the name really used. Not open on failure (all
  // numbered names taken, too, rather than overwriting one).
  TargetFile CreateFile(std::string& safeName, ExistingName whenTaken = ExistingName::Rename) const;
  // A second handle on the same folder.
  TargetFolder Duplicate() const;
  // Removes the file of that (already safe) name, as made by CreateFile (never a folder, never
  // through a link); true when it is gone.
  bool Remove(const std::string& safeName) const;
  // True when an entry of that name exists in the folder (not following a link).
  bool Exists(const std::string& safeName) const;
  // The names of the entries the folder holds now ("." and ".." left out); empty when it cannot
  // be read.
  std::unordered_set<std::string> Names() const;

 private:
  UniqueFd m_Fd;
};

// A DOS date and time (local time, as FAT keeps it) as the instant it names. A month outside 1 to
// 12 counts as December. Nothing when the day is 0, the hour above 23, the minute above 59 or the
// seconds above 59: the file then keeps the time it got when written.
std::optional<timespec> DosTimeToTimespec(uint16_t dosDate, uint16_t dosTime);

// An NTFS file time (100-nanosecond units since 1601-01-01, UTC as NTFS keeps it) as the instant
// it names. Nothing for 0, which no file system writes for a real time: the file then keeps the
// time it got when written.
std::optional<timespec> FileTimeToTimespec(uint64_t fileTime);

// For tests: the call that writes target file data (::write unless replaced), so a test can make
// the target fail as a full disk does. nullptr restores ::write.
using TargetWriteFunction = ssize_t (*)(int fd, const void* data, size_t size);
void SetTargetWriteFunction(TargetWriteFunction fn);

// For tests: the call that closes a target file (::close unless replaced; it must close fd), so a
// test can make a close fail as a network or overcommitted disk may. nullptr restores ::close.
using TargetCloseFunction = int (*)(int fd);
void SetTargetCloseFunction(TargetCloseFunction fn);
