#include "results/PreviewFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

const std::string& PreviewFolder::Path() {
  if (!m_Path.empty()) return m_Path;
  const char* base = std::getenv("TMPDIR");
  std::string pattern = (base && *base ? std::string(base) : std::string("/tmp"));
  pattern += "/merrowind-preview-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  // mkdtemp makes a new folder of a name nobody had, with mode 0700.
  if (mkdtemp(buffer.data())) m_Path = buffer.data();
  return m_Path;
}

TargetFolder PreviewFolder::Open() {
  const std::string& path = Path();
  return path.empty() ? TargetFolder() : TargetFolder::Open(path);
}

void PreviewFolder::Remove() {
  if (m_Path.empty()) return;
  // Only plain files are written here, each under one safe name.
  if (const int fd = ::open(m_Path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      fd >= 0) {
    if (DIR* dir = ::fdopendir(fd)) {
      while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") ::unlinkat(::dirfd(dir), name.c_str(), 0);
      }
      ::closedir(dir);
    } else {
      ::close(fd);
    }
  }
  ::rmdir(m_Path.c_str());
  m_Path.clear();
}
