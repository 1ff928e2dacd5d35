#include "storage/ntfs/NtfsRecord.h"

#include <gtest/gtest.h>

#include "tests/core/storage/ntfs/NtfsTestRecords.h"

namespace {

using ntfs_test::Bytes;
using ntfs_test::Put16;
using ntfs_test::RecordBuilder;

Bytes SampleRecord(size_t size = 1024) {
  RecordBuilder r(size);
  r.StandardInformation(1, 2, 3);
  r.FileName(5, u"sample.txt", 1);
  // Something that is not zero at the end of every stride, so a missed stride shows.
  for (size_t k = 0; k < size / 512; ++k) Put16(r.Raw(), 512 * k + 510, 0x1234 + k);
  return r.Raw();
}

TEST(NtfsFixup, RestoresEveryStrideOfAFileRecord) {
  for (size_t size : {1024u, 4096u}) {
    const Bytes plain = SampleRecord(size);
    RecordBuilder again(size);
    again.Raw() = plain;
    Bytes disk = again.Protected();
    ASSERT_NE(disk, plain);
    ASSERT_EQ(ApplyUpdateSequenceFixup(disk), 1);
    for (size_t k = 0; k < size / 512; ++k)
      EXPECT_EQ(bo::LoadLe16(disk, 512 * k + 510), 0x1234 + k) << size << " stride " << k;
  }
}

TEST(NtfsFixup, IndxBlockOf4096BytesWithNineEntriesGetsAllEight) {
  Bytes block(4096);
  std::memcpy(block.data(), "INDX", 4);
  Put16(block, 4, 0x28);
  Put16(block, 6, 9);
  for (size_t k = 0; k < 8; ++k) {
    Put16(block, 0x28 + 2 + 2 * k, static_cast<uint16_t>(0x7000 + k));
    Put16(block, 512 * k + 510, 0xBEEF);
  }
  ASSERT_EQ(ApplyUpdateSequenceFixup(block, block.size()), 1);
  for (size_t k = 0; k < 8; ++k) EXPECT_EQ(bo::LoadLe16(block, 512 * k + 510), 0x7000 + k);
  // With a shorter length only the strides within it change.
  Bytes shorter(4096);
  std::memcpy(shorter.data(), "INDX", 4);
  Put16(shorter, 4, 0x28);
  Put16(shorter, 6, 9);
  Put16(shorter, 0x28 + 2 + 2 * 1, 0x7777);
  ASSERT_EQ(ApplyUpdateSequenceFixup(shorter, 1000), 1);
  EXPECT_EQ(bo::LoadLe16(shorter, 1022), 0);
}

TEST(NtfsFixup, OwnSizeIsSanitised) {
  struct Case {
    int32_t field;
    size_t own;
  } cases[] = {{1024, 1024}, {4096, 4096},   {512, 512},    {3000, 1024},
               {256, 1024},  {0x4200, 1024}, {-1024, 1024}, {16384, 16384}};
  for (const auto& c : cases) {
    Bytes r = SampleRecord();
    Put16(r, 28, static_cast<uint16_t>(c.field));
    EXPECT_EQ(NtfsOwnRecordSize(r), c.own) << c.field;
  }
}

TEST(NtfsFixup, AllocatedSize3000IsTreatedAs1024) {
  // A 4096-byte buffer whose record says 3,000 bytes: only the first two strides are its own.
  RecordBuilder r(4096);
  for (size_t k = 0; k < 8; ++k) Put16(r.Raw(), 512 * k + 510, 0x1111);
  Bytes disk = r.Protected(0x2222);
  Put16(disk, 28, 3000);
  ASSERT_EQ(ApplyUpdateSequenceFixup(disk), 1);
  EXPECT_EQ(bo::LoadLe16(disk, 510), 0x1111);
  EXPECT_EQ(bo::LoadLe16(disk, 1022), 0x1111);
  EXPECT_EQ(bo::LoadLe16(disk, 1534), 0x2222);
}

TEST(NtfsFixup, CappedByTheBuffer) {
  // The record says 4096 bytes but only 1024 were read: the two strides read are restored and
  // nothing past the buffer is touched.
  RecordBuilder r(4096);
  Put16(r.Raw(), 510, 0x4321);
  Put16(r.Raw(), 1022, 0x8765);
  Bytes disk = r.Protected();
  Bytes head(disk.begin(), disk.begin() + 1024);
  ASSERT_EQ(ApplyUpdateSequenceFixup(head), 1);
  EXPECT_EQ(bo::LoadLe16(head, 510), 0x4321);
  EXPECT_EQ(bo::LoadLe16(head, 1022), 0x8765);
}

TEST(NtfsFixup, UnusableArraysAreRefusedAndChangeNothing) {
  struct Case {
    const char* what;
    size_t field;
    uint16_t value;
  } cases[] = {{"offset 0", 4, 0}, {"offset odd", 4, 49},
               {"offset 6", 4, 6}, {"offset past record", 4, 1020},
               {"count 0", 6, 0},  {"count too big", 6, 600}};
  for (const auto& c : cases) {
    Bytes disk = RecordBuilder(1024).Protected();
    Put16(disk, c.field, c.value);
    const Bytes before = disk;
    EXPECT_EQ(ApplyUpdateSequenceFixup(disk), 0) << c.what;
    EXPECT_EQ(disk, before) << c.what;
  }
  // A count of 2 on a 1024-byte record restores the first stride only.
  Bytes disk = RecordBuilder(1024).Protected(0x5555);
  Put16(disk, 6, 2);
  ASSERT_EQ(ApplyUpdateSequenceFixup(disk), 1);
  EXPECT_NE(bo::LoadLe16(disk, 510), 0x5555);
  EXPECT_EQ(bo::LoadLe16(disk, 1022), 0x5555);
}

}  // namespace
