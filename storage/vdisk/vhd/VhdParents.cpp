#include "storage/vdisk/vhd/VhdParents.h"

#include <algorithm>
#include <filesystem>

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Opens the parent of child (opened from childPath) into parent and links it.
VhdParentResult OpenOneParent(VhdImage& child, const std::string& childPath, VhdImage& parent,
                              std::string* parentPath) {
  const std::vector<std::string> candidates = VhdParentCandidates(childPath, child.ParentName());
  for (const std::string& candidate : candidates) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    const int opened = parent.Open(candidate, nullptr);
    if (opened == 3) return VhdParentResult::InUse;
    if (opened != 1) return VhdParentResult::Damaged;
    // A file of the right name that is not the disk the child was made from would give wrong
    // sectors: try the next place.
    if (!UuidIsNull(child.ParentUniqueId()) && parent.UniqueId() != child.ParentUniqueId()) {
      parent.Close();
      continue;
    }
    child.SetParent(&parent);
    *parentPath = candidate;
    return VhdParentResult::Opened;
  }
  return VhdParentResult::NotFound;
}

}  // namespace

std::vector<std::string> VhdParentCandidates(const std::string& childPath,
                                             const std::string& parentName) {
  std::string recorded = parentName;
  std::replace(recorded.begin(), recorded.end(), '\\', '/');
  std::vector<std::string> candidates;
  if (recorded.empty() || recorded.back() == '/') return candidates;
  const std::string folder = FolderOf(childPath);
  candidates.push_back(recorded.front() == '/' ? recorded : Join(folder, recorded));
  const std::string inChildFolder = Join(folder, recorded.substr(recorded.rfind('/') + 1));
  if (inChildFolder != candidates.front()) candidates.push_back(inChildFolder);
  return candidates;
}

VhdParentResult OpenVhdParents(VhdImage& disk, const std::string& childPath, VhdImage& parent,
                               VhdImage& grandparent) {
  if (disk.DiskType() != VhdDiskType::Differencing) return VhdParentResult::Opened;
  std::string parentPath;
  VhdParentResult result = OpenOneParent(disk, childPath, parent, &parentPath);
  if (result != VhdParentResult::Opened || parent.DiskType() != VhdDiskType::Differencing)
    return result;
  std::string grandparentPath;
  result = OpenOneParent(parent, parentPath, grandparent, &grandparentPath);
  if (result != VhdParentResult::Opened) return result;
  // Three disks are what is read; a fourth would leave sectors nobody can supply.
  if (grandparent.DiskType() == VhdDiskType::Differencing) return VhdParentResult::Damaged;
  return VhdParentResult::Opened;
}
