#include "storage/vdisk/vmdk/VmdkDescriptor.h"

#include <charconv>

namespace {

// 2^40 sectors (512 TiB) per extent, far above what any writer makes, keeps sums of extents exact.
constexpr uint64_t kMaxExtentSectors = uint64_t{1} << 40;

bool StartsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

// The text between the first pair of double quotes; empty when there is none.
std::string_view Quoted(std::string_view line, size_t* after = nullptr) {
  const size_t open = line.find('"');
  if (open == std::string_view::npos) return {};
  const size_t close = line.find('"', open + 1);
  if (close == std::string_view::npos) return {};
  if (after) *after = close + 1;
  return line.substr(open + 1, close - open - 1);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The value after the '=' of a "key = value" line, quotes removed.
std::string_view ValueOf(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

bool ParseExtentLine(std::string_view line, SPLITTED_FILEPATH_SIZE& extent) {
  // The second blank-separated token is the size.
  size_t at = line.find_first_of(" \t");
  if (at == std::string_view::npos) return false;
  std::string_view rest = Trim(line.substr(at));
  const size_t end = rest.find_first_of(" \t");
  extent.sizeText = std::string(rest.substr(0, end));
  uint64_t sectors = 0;
  if (!ParseVmdkSectorCount(extent.sizeText, sectors)) return false;
  size_t after = 0;
  const std::string_view name = Quoted(line, &after);
  if (name.empty()) return false;
  extent.fileName = std::string(name);
  const std::string_view offset = Trim(line.substr(after));
  if (!offset.empty() && !ParseVmdkSectorCount(offset, extent.fileOffset)) return false;
  return true;
}

}  // namespace

bool ParseVmdkSectorCount(std::string_view text, uint64_t& sectors) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), sectors);
  return ec == std::errc() && end == text.data() + text.size() && sectors <= kMaxExtentSectors;
}

bool ParseVmdkDescriptor(std::string_view text, VmdkDescriptor& out) {
  out = VmdkDescriptor{};
  text = text.substr(0, text.find('\0'));
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    const std::string_view line = Trim(text.substr(0, eol));
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (StartsWith(line, "ddb.geometry.cylinders")) {
      out.cylinders = std::string(Quoted(line));
    } else if (StartsWith(line, "ddb.geometry.sectors")) {
      out.sectors = std::string(Quoted(line));
    } else if (StartsWith(line, "ddb.geometry.heads")) {
      out.heads = std::string(Quoted(line));
    } else if (StartsWith(line, "createType")) {
      out.createType = std::string(Quoted(line));
    } else if (StartsWith(line, "parentCID")) {
      const std::string_view cid = ValueOf(line);
      if (!cid.empty() && cid != "ffffffff" && cid != "FFFFFFFF") out.hasParent = true;
    } else if (StartsWith(line, "parentFileNameHint")) {
      out.hasParent = true;
    } else if (StartsWith(line, "RW") || StartsWith(line, "RDONLY") ||
               StartsWith(line, "NOACCESS")) {
      SPLITTED_FILEPATH_SIZE extent;
      if (!ParseExtentLine(line, extent)) return false;
      out.extents.push_back(std::move(extent));
    }
  }
  return true;
}
