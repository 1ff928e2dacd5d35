#include "storage/ntfs/NtfsLznt1.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;

Bytes Of(std::initializer_list<int> values) {
  Bytes b;
  for (int v : values) b.push_back(std::byte(v));
  return b;
}
Bytes Text(const std::string& s) {
  Bytes b;
  for (char c : s) b.push_back(std::byte(static_cast<unsigned char>(c)));
  return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}
// A chunk: its header (compressed or stored, with the usual signature bits) and its bytes.
Bytes Chunk(const Bytes& data, bool compressed = true) {
  const uint16_t h = static_cast<uint16_t>((compressed ? 0xB000 : 0x3000) | (data.size() - 1));
  return Cat({Of({h & 0xFF, h >> 8}), data});
}
// The unit's expected bytes: the given ones at their places, zeros elsewhere.
Bytes Unit(size_t size, std::initializer_list<std::pair<size_t, Bytes>> at) {
  Bytes b(size, std::byte{0});
  for (const auto& [offset, bytes] : at) std::copy(bytes.begin(), bytes.end(), b.begin() + offset);
  return b;
}
Bytes Repeat(const std::string& pattern, size_t n) {
  std::string s;
  while (s.size() < n) s += pattern;
  return Text(s.substr(0, n));
}

const std::string kDigits = "0123456789ABCDEF";

struct Case {
  const char* name;
  Bytes stored;
  size_t unitSize;
  Bytes expected;  // the whole unit (all of it, also past the part a damaged unit gives)
  size_t bytes;
  bool damaged;
};

std::vector<Case> Cases() {
  const Bytes raw = Repeat("stored chunk ", 4096);
  // 16 distinct literals, a 12-bit-length reference repeating them to 2,048 bytes, a literal, and
  // a reference made when the output is past 2,048 bytes in (4 length bits, 12 offset bits) back
  // to byte 3.
  const Bytes far = Cat({Repeat(kDigits, 2048), Text("y"), Text("345")});
  return {
      {"literals", Chunk(Cat({Of({0x00}), Text("abc")})), 4096, Unit(4096, {{0, Text("abc")}}),
       4096, false},
      {"back-reference", Chunk(Cat({Of({0x08}), Text("abc"), Of({0x03, 0x20})})), 4096,
       Unit(4096, {{0, Text("abcabcabc")}}), 4096, false},
      {"overlapping run of one byte", Chunk(Cat({Of({0x02}), Text("a"), Of({0xFC, 0x0F})})), 4096,
       Repeat("a", 4096), 4096, false},
      // Past 16 bytes in the length has 11 bits: offset 17, length 5 is 0x8002.
      {"11-bit length after 16 bytes",
       Chunk(Cat({Of({0x00}), Text("ABCDEFGH"), Of({0x00}), Text("IJKLMNOP"), Of({0x02}), Text("Q"),
                  Of({0x02, 0x80})})),
       4096, Unit(4096, {{0, Text("ABCDEFGHIJKLMNOPQABCDE")}}), 4096, false},
      {"4-bit length past 2048 bytes",
       Chunk(Cat({Of({0x00}), Text(kDigits.substr(0, 8)), Of({0x00}), Text(kDigits.substr(8)),
                  Of({0x05}), Of({0xED, 0xF7}), Text("y"), Of({0xD0, 0x7F})})),
       4096, Unit(4096, {{0, far}}), 4096, false},
      {"stored chunk", Chunk(raw, false), 4096, raw, 4096, false},
      // A short chunk still stands for 4,096 bytes: the next starts there.
      {"chunks start every 4096 bytes",
       Cat({Chunk(Cat({Of({0x00}), Text("abc")})), Chunk(Cat({Of({0x00}), Text("xyz")}))}), 8192,
       Unit(8192, {{0, Text("abc")}, {4096, Text("xyz")}}), 8192, false},
      {"zero header ends the unit",
       Cat({Chunk(Cat({Of({0x00}), Text("abc")})), Of({0, 0}),
            Chunk(Cat({Of({0x00}), Text("x")}))}),
       8192, Unit(8192, {{0, Text("abc")}}), 8192, false},
      {"end of stored bytes ends the unit", Cat({Chunk(Cat({Of({0x00}), Text("abc")})), Of({7})}),
       8192, Unit(8192, {{0, Text("abc")}}), 8192, false},
      {"empty", Bytes{}, 4096, Unit(4096, {}), 4096, false},
      // Damage: what decoded before the fault is given, nothing after.
      {"chunk longer than the stored bytes",
       Cat({Chunk(Cat({Of({0x00}), Text("abc")})), Of({0x63, 0xB0}), Text("short")}), 8192,
       Unit(8192, {{0, Text("abc")}}), 4096, true},
      {"reference before any output", Chunk(Of({0x01, 0x00, 0x00})), 4096, Unit(4096, {}), 0, true},
      {"reference before the chunk's start", Chunk(Cat({Of({0x04}), Text("ab"), Of({0x00, 0x20})})),
       4096, Unit(4096, {{0, Text("ab")}}), 2, true},
      {"reference past the unit's end", Chunk(Cat({Of({0x02}), Text("a"), Of({0xFF, 0x0F})})), 4096,
       Unit(4096, {{0, Text("a")}}), 1, true},
      {"reference cut by the chunk's end", Chunk(Cat({Of({0x02}), Text("a"), Of({0x05})})), 4096,
       Unit(4096, {{0, Text("a")}}), 1, true},
      {"stored chunk larger than the unit", Chunk(raw, false), 1024, Unit(1024, {}), 0, true},
  };
}

TEST(NtfsLznt1, DecodesUnits) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    Bytes unit(c.unitSize, std::byte{0x5A});
    const Lznt1Outcome out = Lznt1DecompressUnit(c.stored, unit);
    EXPECT_EQ(out.damaged, c.damaged);
    EXPECT_EQ(out.bytes, c.bytes);
    EXPECT_TRUE(std::equal(unit.begin(), unit.begin() + static_cast<std::ptrdiff_t>(out.bytes),
                           c.expected.begin()));
  }
}

}  // namespace
