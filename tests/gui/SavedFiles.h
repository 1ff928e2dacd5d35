// What the page tests read back from a copy: a saved file's bytes, and the bytes the fixture
// builders wrote for a tag (tests/fixtures/lib.sh: 16-byte lines naming the tag and the line).
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace guitest {

inline std::string FixtureContents(const std::string& tag, size_t size) {
  std::string t = tag.substr(0, 6);
  t.resize(6, '.');
  std::string data;
  char line[32];
  for (size_t i = 0; data.size() < size; ++i) {
    std::snprintf(line, sizeof line, "%08zx\r\n", i);
    data += t + line;
  }
  data.resize(size);
  return data;
}

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace guitest
