// What a copy has really written, for the copy page's progress and its end message. Every file
// extraction (FAT and NTFS) adds to them; the copy page zeroes them before a copy starts.
//   g_CopiedBytes      bytes written to target files (and, in the existing-target handling, the
//                      size of a file the user chose to skip);
//   g_CopiedFileCount  files admitted to the copy;
//   g_CopyUnsupportedFileCount  admitted files left unwritten because their data is stored in a
//                      form the copy cannot decode (NTFS encrypted data, or compressed in another
//                      form than LZNT1), so the end of a copy can say how many.
//   g_CopyEncryptedNoticed  whether this copy has told the user that encrypted NTFS files are left
//                      out, so that it says so once, not per file.
//   g_CopyNoLayoutNoticed  whether this copy has told the user that the NTFS volume's layout is
//                      not known (no usable boot sector), so that it says so once, not per file.
// The worker writes them while the UI thread reads them, so they are atomics.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<uint64_t> g_CopiedBytes;
extern std::atomic<uint32_t> g_CopiedFileCount;
extern std::atomic<uint32_t> g_CopyUnsupportedFileCount;
extern std::atomic<bool> g_CopyNoLayoutNoticed;
extern std::atomic<bool> g_CopyEncryptedNoticed;

void ResetCopyCounters();
