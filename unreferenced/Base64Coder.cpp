#include "unreferenced/Base64Coder.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "platform/ReplacingFile.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kGroupsPerLine = 19;
constexpr std::size_t kBytesPerLine = 57;

// The 6-bit value of an alphabet character, 0 for "=", -1 for a character that is skipped.
int ValueOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  if (c == '=') return 0;
  return -1;
}

// Gathers valid characters into groups of four, across as many pieces of text as it is fed, so
// that a group broken by a line end (or a buffer boundary) decodes as one.
class GroupReader {
 public:
  template <typename Emit>
  void Feed(std::string_view text, Emit&& emit) {
    for (char c : text) {
      if (ValueOf(c) < 0) continue;
      m_Group[m_Filled++] = c;
      if (m_Filled == 4) {
        std::uint8_t bytes[3];
        emit(bytes, Base64Coder::DecodeGroup(m_Group, bytes));
        m_Filled = 0;
      }
    }
  }

  // A last group of two or three characters is read as if it had its padding; one character
  // alone carries too few bits for a byte.
  template <typename Emit>
  void Finish(Emit&& emit) {
    if (m_Filled >= 2) {
      std::fill(m_Group + m_Filled, m_Group + 4, '=');
      std::uint8_t bytes[3];
      emit(bytes, Base64Coder::DecodeGroup(m_Group, bytes));
    }
    m_Filled = 0;
  }

 private:
  char m_Group[4] = {};
  int m_Filled = 0;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::size_t Base64Coder::EncodedLength(std::size_t n) {
  const std::size_t chars = 4 * ((n + 2) / 3);
  return chars + 2 * (chars / (4 * kGroupsPerLine)) + 1;
}

std::size_t Base64Coder::DecodedLength(std::string_view text) {
  std::size_t total = 0;
  auto count = [&](const std::uint8_t*, int n) { total += static_cast<std::size_t>(n); };
  GroupReader reader;
  reader.Feed(text.substr(0, text.find('\0')), count);
  reader.Finish(count);
  return total;
}

void Base64Coder::EncodeGroup(std::span<const std::uint8_t> bytes, char out[4]) {
  const std::size_t n = std::min<std::size_t>(bytes.size(), 3);
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v |= std::uint32_t{bytes[i]} << (16 - 8 * i);
  out[0] = kAlphabet[(v >> 18) & 63];
  out[1] = kAlphabet[(v >> 12) & 63];
  out[2] = n >= 2 ? kAlphabet[(v >> 6) & 63] : '=';
  out[3] = n >= 3 ? kAlphabet[v & 63] : '=';
}

int Base64Coder::DecodeGroup(const char in[4], std::uint8_t out[3]) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v = (v << 6) | static_cast<std::uint32_t>(std::max(ValueOf(in[i]), 0));
  out[0] = static_cast<std::uint8_t>(v >> 16);
  out[1] = static_cast<std::uint8_t>(v >> 8);
  out[2] = static_cast<std::uint8_t>(v);
  if (in[2] == '=' && in[3] == '=') return 1;
  if (in[3] == '=') return 2;
  return 3;
}

std::size_t Base64Coder::Encode(std::span<const std::uint8_t> bytes, std::span<char> out) {
  if (out.empty()) return 0;
  const std::size_t need = EncodedLength(bytes.size());
  if (out.size() < need) {
    out[0] = '\0';
    return 0;
  }
  std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(need), '\0');
  std::size_t pos = 0;
  std::size_t i = 0;
  int groups = 0;
  for (; bytes.size() - i >= 3; i += 3) {
    EncodeGroup(bytes.subspan(i, 3), &out[pos]);
    pos += 4;
    if (++groups % kGroupsPerLine == 0) {
      out[pos++] = '\r';
      out[pos++] = '\n';
    }
  }
  if (i < bytes.size()) {
    EncodeGroup(bytes.subspan(i), &out[pos]);
    pos += 4;
  }
  out[pos] = '\0';
  return pos;
}

std::size_t Base64Coder::Decode(std::string_view text, std::span<std::uint8_t> out) {
  std::size_t written = 0;
  auto put = [&](const std::uint8_t* bytes, int n) {
    for (int k = 0; k < n && written < out.size(); ++k) out[written++] = bytes[k];
  };
  GroupReader reader;
  reader.Feed(text.substr(0, text.find('\0')), put);
  reader.Finish(put);
  return written;
}

std::size_t Base64Coder::AllocEncodeBuffer(std::size_t count, std::unique_ptr<char[]>& out) {
  const std::size_t size = EncodedLength(count);
  out.reset(new (std::nothrow) char[size]());
  return out ? size : 0;
}

std::size_t Base64Coder::AllocDecodeBuffer(std::string_view text,
                                           std::unique_ptr<std::uint8_t[]>& out) {
  const std::size_t size = DecodedLength(text);
  out.reset(new (std::nothrow) std::uint8_t[size]());
  return out ? size : 0;
}

int Base64Coder::EncodeFile(const std::string& source, const std::string& target) {
  File in(std::fopen(source.c_str(), "rb"));
  if (!in) return kBase64SourceFailed;
  std::unique_ptr<FileSink> out = CreateReplacingFile(target);
  if (!out) return kBase64TargetFailed;
  std::unique_ptr<char[]> text;
  const std::size_t capacity = AllocEncodeBuffer(kBytesPerLine, text);
  if (capacity == 0) return kBase64NoBuffer;
  std::uint8_t block[kBytesPerLine];
  for (;;) {
    const std::size_t got = std::fread(block, 1, sizeof block, in.get());
    if (got > 0) {
      const std::size_t length = Encode({block, got}, {text.get(), capacity});
      if (!out->Write(std::as_bytes(std::span(text.get(), length)))) return kBase64TargetFailed;
    }
    if (got < sizeof block) break;
  }
  if (std::ferror(in.get())) return kBase64SourceFailed;
  return out->Commit() ? kBase64Done : kBase64TargetFailed;
}

int Base64Coder::DecodeFile(const std::string& source, const std::string& target) {
  File in(std::fopen(source.c_str(), "rb"));
  if (!in) return kBase64SourceFailed;
  std::unique_ptr<FileSink> out = CreateReplacingFile(target);
  if (!out) return kBase64TargetFailed;
  std::vector<std::uint8_t> decoded;
  auto put = [&](const std::uint8_t* bytes, int n) {
    decoded.insert(decoded.end(), bytes, bytes + n);
  };
  GroupReader reader;
  char chunk[64 * 1024];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, in.get());
    decoded.clear();
    reader.Feed({chunk, got}, put);
    if (got < sizeof chunk) reader.Finish(put);
    if (!decoded.empty() && !out->Write(std::as_bytes(std::span(decoded)))) {
      return kBase64TargetFailed;
    }
    if (got < sizeof chunk) break;
  }
  if (std::ferror(in.get())) return kBase64SourceFailed;
  return out->Commit() ? kBase64Done : kBase64TargetFailed;
}
