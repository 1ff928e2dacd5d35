// Finding and opening the disks a differencing VHD reads through: its parent and, when the parent
// is itself differencing, the parent's parent. Deeper chains are not read.
#pragma once

#include <string>
#include <vector>

#include "storage/vdisk/vhd/VhdImage.h"

enum class VhdParentResult {
  Opened,    // the chain is complete and linked
  NotFound,  // no file of the recorded name and identity (or no name at all)
  InUse,     // the parent file exists but cannot be opened
  Damaged,   // the parent is not a usable VHD, or the chain is deeper than three disks
};

// The places a parent recorded as parentName is looked for, in order: the recorded path itself
// (relative to the child's folder unless absolute; backslashes taken as separators), then the
// recorded file name in the child's folder.
std::vector<std::string> VhdParentCandidates(const std::string& childPath,
                                             const std::string& parentName);

// Opens the parent of disk (opened from childPath, a differencing disk) into parent, and the
// grandparent into grandparent when needed, and links them. A candidate file whose identity is
// not the one the child records is passed over. Does nothing for a disk that has no parent.
VhdParentResult OpenVhdParents(VhdImage& disk, const std::string& childPath, VhdImage& parent,
                               VhdImage& grandparent);
