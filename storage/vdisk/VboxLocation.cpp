#include "storage/vdisk/VboxLocation.h"

#include <algorithm>
#include <vector>

namespace {

constexpr size_t kBlockBytes = 4096;
constexpr size_t kMaxValueChars = 259;
constexpr std::string_view kKey = "location=";

}  // namespace

std::string ReadVboxDiskLocation(const std::string& vboxPath, const VirtualDiskOpener& opener) {
  std::unique_ptr<RawDevice> file = opener ? opener(vboxPath) : nullptr;
  if (!file) return {};
  std::string text;
  std::vector<std::byte> block(kBlockBytes);
  // Read block by block until the attribute and its closing quote have been seen.
  for (uint64_t offset = 0; text.size() < kVboxSearchBytes; offset += kBlockBytes) {
    const int64_t n = file->ReadAt(offset, block);
    if (n <= 0) break;
    text.append(reinterpret_cast<const char*>(block.data()), static_cast<size_t>(n));
    const size_t key = text.find(kKey);
    if (key == std::string::npos) continue;
    const size_t open = key + kKey.size();
    if (open >= text.size()) continue;
    if (text[open] != '"') return {};
    const size_t close = text.find('"', open + 1);
    if (close == std::string::npos) {
      if (text.size() - open > kMaxValueChars + 1) return {};
      continue;
    }
    std::string value = text.substr(open + 1, close - open - 1);
    if (value.empty() || value.size() > kMaxValueChars) return {};
    std::replace(value.begin(), value.end(), '\\', '/');
    if (value.front() == '/') return value;
    const size_t slash = vboxPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : vboxPath.substr(0, slash);
    return folder + "/" + value;
  }
  return {};
}
