// A file that replaces another only once it has been written whole. The bytes go to a temporary
// file in the target's folder; Commit syncs it, closes it and renames it over the target. Until
// then, and whenever a write, the sync, the close or the rename fails, the target keeps exactly
// what it held (or stays absent), and the temporary file is removed.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

class FileSink {
 public:
  virtual ~FileSink() = default;
  // Appends data; false when it could not all be written (every later call then fails too).
  virtual bool Write(std::span<const std::byte> data) = 0;
  // Makes the written bytes the contents of the target; false when that failed.
  virtual bool Commit() = 0;
};

// Starts a replacement of path (its folder must exist). Returns nullptr when the temporary file
// cannot be created, with the errno value in *error when error is given. Destroying the sink
// without a successful Commit removes the temporary file.
std::unique_ptr<FileSink> CreateReplacingFile(const std::string& path, int* error = nullptr);
