#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>

namespace {

// One lock for every store object: the program has one store, and readers must never see a
// file between its rename and a concurrent load of the same path.
std::mutex& StoreMutex() {
  static std::mutex mutex;
  return mutex;
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '%' || c == '=' || c == '[' || c == ']';
}

std::string Escape(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (NeedsEscape(c)) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A "%" not followed by two hex digits is kept as it is.
std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int hi = HexDigit(text[i + 1]);
      const int lo = HexDigit(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find('/', pos + 1);
    partial = folder.substr(0, pos);
    if (partial.empty()) continue;
    if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Stores made for earlier folders are kept, so a reference handed out stays valid.
struct ProgramStore {
  std::mutex mutex;
  std::string folder;  // empty: the default folder
  std::vector<std::unique_ptr<RegistryStore>> stores;
};

ProgramStore& Program() {
  static ProgramStore program;
  return program;
}

}  // namespace

RegistryStore::RegistryStore(std::string path) : m_Path(std::move(path)) {}

std::vector<RegistryStore::Section> RegistryStore::Load() const {
  std::vector<Section> sections;
  std::ifstream in(m_Path, std::ios::binary);
  if (!in) return sections;
  std::string line;
  Section* current = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[') {
      current = nullptr;
      if (line.back() != ']' || line.size() < 3) continue;
      const std::string key = Unescape(std::string_view(line).substr(1, line.size() - 2));
      for (Section& s : sections) {
        if (SameName(s.key, key)) current = &s;
      }
      if (!current) {
        sections.push_back({key, {}});
        current = &sections.back();
      }
      continue;
    }
    const size_t eq = line.find('=');
    if (!current || eq == std::string::npos) continue;  // damaged line: skipped
    std::string name = Unescape(std::string_view(line).substr(0, eq));
    std::string value = Unescape(std::string_view(line).substr(eq + 1));
    bool replaced = false;
    for (auto& [n, v] : current->values) {
      if (SameName(n, name)) {
        v = value;
        replaced = true;
      }
    }
    if (!replaced) current->values.emplace_back(std::move(name), std::move(value));
  }
  return sections;
}

bool RegistryStore::Save(const std::vector<Section>& sections) const {
  std::string text;
  for (const Section& s : sections) {
    text += '[' + Escape(s.key) + "]\n";
    for (const auto& [name, value] : s.values) text += Escape(name) + '=' + Escape(value) + '\n';
  }
  const size_t slash = m_Path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : m_Path.substr(0, slash);
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder)) return false;

  std::string temp = m_Path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), m_Path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself is durable only once the folder is synced.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool RegistryStore::KeyExists(std::string_view key) const {
  std::lock_guard lock(StoreMutex());
  for (const Section& s : Load()) {
    if (SameName(s.key, key)) return true;
  }
  return false;
}

bool RegistryStore::CreateKey(std::string_view key) {
  std::lock_guard lock(StoreMutex());
  std::vector<Section> sections = Load();
  for (const Section& s : sections) {
    if (SameName(s.key, key)) return true;
  }
  sections.push_back({std::string(key), {}});
  return Save(sections);
}

bool RegistryStore::DeleteKey(std::string_view key) {
  std::lock_guard lock(StoreMutex());
  std::vector<Section> sections = Load();
  for (auto it = sections.begin(); it != sections.end(); ++it) {
    if (SameName(it->key, key)) {
      sections.erase(it);
      return Save(sections);
    }
  }
  return false;
}

std::optional<std::string> RegistryStore::ReadValue(std::string_view key,
                                                    std::string_view name) const {
  std::lock_guard lock(StoreMutex());
  for (const Section& s : Load()) {
    if (!SameName(s.key, key)) continue;
    for (const auto& [n, v] : s.values) {
      if (SameName(n, name)) return v;
    }
  }
  return std::nullopt;
}

namespace {

// Sets one value in sections, creating its key.
template <class Section>
void SetValue(std::vector<Section>& sections, std::string_view key, std::string_view name,
              std::string_view value) {
  Section* section = nullptr;
  for (Section& s : sections) {
    if (SameName(s.key, key)) section = &s;
  }
  if (!section) {
    sections.push_back({std::string(key), {}});
    section = &sections.back();
  }
  bool replaced = false;
  for (auto& [n, v] : section->values) {
    if (SameName(n, name)) {
      v = std::string(value);
      replaced = true;
    }
  }
  if (!replaced) section->values.emplace_back(std::string(name), std::string(value));
}

}  // namespace

bool RegistryStore::WriteValue(std::string_view key, std::string_view name,
                               std::string_view value) {
  std::lock_guard lock(StoreMutex());
  std::vector<Section> sections = Load();
  SetValue(sections, key, name, value);
  return Save(sections);
}

bool RegistryStore::WriteValues(const std::vector<RegistryKeyValues>& keys) {
  std::lock_guard lock(StoreMutex());
  std::vector<Section> sections = Load();
  for (const RegistryKeyValues& k : keys)
    for (const auto& [name, value] : k.values) SetValue(sections, k.key, name, value);
  return Save(sections);
}

bool RegistryStore::ReplaceKeys(const std::vector<RegistryKeyValues>& keys) {
  std::lock_guard lock(StoreMutex());
  std::vector<Section> sections = Load();
  for (const RegistryKeyValues& k : keys) {
    std::erase_if(sections, [&](const Section& s) { return SameName(s.key, k.key); });
    sections.push_back({k.key, {}});
    for (const auto& [name, value] : k.values) SetValue(sections, k.key, name, value);
  }
  return Save(sections);
}

std::vector<std::string> RegistryStore::ValueNames(std::string_view key) const {
  std::lock_guard lock(StoreMutex());
  std::vector<std::string> names;
  for (const Section& s : Load()) {
    if (!SameName(s.key, key)) continue;
    for (const auto& [n, v] : s.values) names.push_back(n);
  }
  return names;
}

std::string DefaultRegistryFolder() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is ignored, as the XDG base-directory rules require.
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') {
      base = home;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
      base = pw->pw_dir;
    } else {
      base = "/tmp";
    }
    base += "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/softdovrane/merrowind";
}

RegistryStore& ProgramRegistry() {
  ProgramStore& p = Program();
  std::lock_guard lock(p.mutex);
  const std::string folder = p.folder.empty() ? DefaultRegistryFolder() : p.folder;
  const std::string path = folder + "/registry";
  for (const auto& store : p.stores) {
    if (store->Path() == path) return *store;
  }
  p.stores.push_back(std::make_unique<RegistryStore>(path));
  return *p.stores.back();
}

void SetRegistryFolder(std::string folder) {
  ProgramStore& p = Program();
  std::lock_guard lock(p.mutex);
  p.folder = std::move(folder);
}
