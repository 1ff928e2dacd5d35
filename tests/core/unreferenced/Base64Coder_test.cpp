#include "unreferenced/Base64Coder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/core/storage/StorageTestUtil.h"

namespace {

using storage_test::TempDir;

std::vector<std::uint8_t> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

std::string EncodeText(std::string_view plain) {
  const std::vector<std::uint8_t> bytes = Bytes(plain);
  std::vector<char> out(Base64Coder::EncodedLength(bytes.size()));
  const std::size_t n = Base64Coder::Encode(bytes, out);
  EXPECT_EQ(out[n], '\0');
  return std::string(out.data(), n);
}

std::string DecodeText(std::string_view text) {
  std::vector<std::uint8_t> out(Base64Coder::DecodedLength(text));
  const std::size_t n = Base64Coder::Decode(text, out);
  EXPECT_EQ(n, out.size()) << text;
  return std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::string& path, std::string_view data) {
  std::ofstream(path, std::ios::binary)
      .write(data.data(), static_cast<std::streamsize>(data.size()));
}

struct Vector {
  const char* plain;
  const char* text;
};

// The test vectors of RFC 4648, section 10.
constexpr Vector kRfcVectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(Base64Coder, RfcVectorsEncodeAndDecode) {
  for (const Vector& v : kRfcVectors) {
    EXPECT_EQ(EncodeText(v.plain), v.text) << v.plain;
    EXPECT_EQ(DecodeText(v.text), v.plain) << v.text;
    EXPECT_EQ(Base64Coder::DecodedLength(v.text), std::string_view(v.plain).size()) << v.text;
  }
}

TEST(Base64Coder, EncodedLengthCountsLineEndsAndTheNul) {
  const std::pair<std::size_t, std::size_t> cases[] = {
      {0, 1}, {1, 5}, {3, 5}, {4, 9}, {56, 79}, {57, 79}, {58, 83}, {114, 157}, {115, 161},
  };
  for (auto [n, length] : cases) EXPECT_EQ(Base64Coder::EncodedLength(n), length) << n;
}

TEST(Base64Coder, LinesHoldNineteenGroupsAndOnlyFullLinesEndWithCrLf) {
  std::string plain(58, '\0');
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 7);
  const std::string text58 = EncodeText(plain);
  ASSERT_EQ(text58.size(), 82u);
  EXPECT_EQ(text58.substr(76, 2), "\r\n");
  EXPECT_EQ(text58.substr(80), "==");
  const std::string text57 = EncodeText(plain.substr(0, 57));
  EXPECT_EQ(text57.size(), 78u);
  EXPECT_EQ(text57.substr(76), "\r\n");
  EXPECT_EQ(text57.substr(0, 76), text58.substr(0, 76));
  EXPECT_EQ(DecodeText(text58), plain);
}

TEST(Base64Coder, EncodeIntoTooSmallABufferWritesNoText) {
  const std::vector<std::uint8_t> bytes = Bytes("foobar");
  std::vector<char> out(Base64Coder::EncodedLength(bytes.size()) - 1, 'x');
  EXPECT_EQ(Base64Coder::Encode(bytes, out), 0u);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(out[1], 'x');
  EXPECT_EQ(Base64Coder::Encode(bytes, std::span<char>()), 0u);
}

TEST(Base64Coder, DecodingSkipsCharactersOutsideTheAlphabet) {
  const Vector cases[] = {
      {"foobar", "Zm9v\r\nYmFy"},
      {"foobar", " Zm 9v\tYm*Fy "},
      {"fooba", "Zm9vYmE=\r\n"},
      {"fo", "Z\nm\n8\n=\n"},
  };
  for (const Vector& v : cases) {
    EXPECT_EQ(DecodeText(v.text), v.plain) << v.text;
    EXPECT_EQ(Base64Coder::DecodedLength(v.text), std::string_view(v.plain).size()) << v.text;
  }
}

TEST(Base64Coder, ShortLastGroupsAndEmptyTexts) {
  const Vector cases[] = {
      {"", ""},      {"", "\r\n !"},     {"", "Z"},        {"f", "Zg"},
      {"fo", "Zm8"}, {"foof", "Zm9vZg"}, {"foo", "Zm9vZ"},
  };
  for (const Vector& v : cases) {
    EXPECT_EQ(Base64Coder::DecodedLength(v.text), std::string_view(v.plain).size()) << v.text;
    EXPECT_EQ(DecodeText(v.text), v.plain) << v.text;
  }
  EXPECT_EQ(Base64Coder::DecodedLength("QQ=="), 1u);
}

TEST(Base64Coder, DecodingStopsAtTheNulAndAtTheCapacity) {
  EXPECT_EQ(DecodeText(std::string_view("Zm9v\0YmFy", 9)), "foo");
  std::uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(Base64Coder::Decode("Zm9vYmFy", std::span(out, 2)), 2u);
  EXPECT_EQ(out[0], 'f');
  EXPECT_EQ(out[1], 'o');
  EXPECT_EQ(out[2], 0xEE);
}

TEST(Base64Coder, GroupsOfOneTwoAndThreeBytes) {
  const std::uint8_t bytes[] = {0xFB, 0xFF, 0x01};
  char group[4];
  Base64Coder::EncodeGroup(std::span(bytes, 1), group);
  EXPECT_EQ(std::string(group, 4), "+w==");
  Base64Coder::EncodeGroup(std::span(bytes, 2), group);
  EXPECT_EQ(std::string(group, 4), "+/8=");
  Base64Coder::EncodeGroup(bytes, group);
  EXPECT_EQ(std::string(group, 4), "+/8B");
  std::uint8_t out[3];
  EXPECT_EQ(Base64Coder::DecodeGroup("+/8B", out), 3);
  EXPECT_EQ(out[2], 0x01);
  EXPECT_EQ(Base64Coder::DecodeGroup("+/8=", out), 2);
  EXPECT_EQ(Base64Coder::DecodeGroup("+w==", out), 1);
  EXPECT_EQ(out[0], 0xFB);
}

TEST(Base64Coder, AllocatedBuffersAreZeroedAndSizedForTheText) {
  std::unique_ptr<char[]> text;
  EXPECT_EQ(Base64Coder::AllocEncodeBuffer(58, text), 83u);
  EXPECT_EQ(text[82], '\0');
  std::unique_ptr<std::uint8_t[]> bytes;
  EXPECT_EQ(Base64Coder::AllocDecodeBuffer("Zm9vYg==", bytes), 4u);
  EXPECT_EQ(bytes[3], 0);
}

TEST(Base64Coder, FilesRoundTripWithGroupsBrokenAcrossLines) {
  TempDir dir;
  std::string plain;
  for (int i = 0; i < 1000; ++i) plain.push_back(static_cast<char>((i * 131) >> 2));
  const std::string source = dir.path() + "/plain.bin";
  const std::string encoded = dir.path() + "/plain.b64";
  const std::string decoded = dir.path() + "/plain.out";
  WriteFile(source, plain);
  ASSERT_EQ(Base64Coder::EncodeFile(source, encoded), kBase64Done);
  const std::string text = ReadFile(encoded);
  EXPECT_EQ(text.substr(0, 78), EncodeText(plain.substr(0, 57)));
  ASSERT_EQ(Base64Coder::DecodeFile(encoded, decoded), kBase64Done);
  EXPECT_EQ(ReadFile(decoded), plain);

  // Lines of 61 characters break groups; so does one line far longer than any buffer.
  std::string unbroken;
  for (char c : text)
    if (c != '\r' && c != '\n') unbroken.push_back(c);
  for (std::size_t width : {61u, 5u, 1u << 20}) {
    std::string wrapped;
    for (std::size_t i = 0; i < unbroken.size(); i += width)
      wrapped += unbroken.substr(i, width) + "\n";
    WriteFile(encoded, wrapped);
    ASSERT_EQ(Base64Coder::DecodeFile(encoded, decoded), kBase64Done) << width;
    EXPECT_EQ(ReadFile(decoded), plain) << width;
  }
}

TEST(Base64Coder, FileFailuresReturnTheirCodesAndKeepTheTarget) {
  TempDir dir;
  const std::string target = dir.path() + "/kept";
  WriteFile(target, "kept");
  EXPECT_EQ(Base64Coder::EncodeFile(dir.path() + "/missing", target), kBase64SourceFailed);
  EXPECT_EQ(Base64Coder::DecodeFile(dir.path() + "/missing", target), kBase64SourceFailed);
  EXPECT_EQ(ReadFile(target), "kept");
  EXPECT_EQ(Base64Coder::EncodeFile(target, dir.path() + "/no/such/folder/out"),
            kBase64TargetFailed);
  EXPECT_EQ(Base64Coder::DecodeFile(target, dir.path() + "/no/such/folder/out"),
            kBase64TargetFailed);
  // A source that is a folder cannot be read.
  EXPECT_EQ(Base64Coder::EncodeFile(dir.path(), target), kBase64SourceFailed);
  EXPECT_EQ(ReadFile(target), "kept");
}

}  // namespace
