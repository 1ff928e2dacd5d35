// Test driver: encodes or decodes a whole file with the program's Base64 coder.
//
//   base64-file encode|decode SOURCE TARGET
//
// Prints the coder's result code and exits with it (2 for bad arguments).
#include <cstdio>
#include <string>

#include "unreferenced/Base64Coder.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: base64-file encode|decode SOURCE TARGET\n");
    return 2;
  }
  const std::string mode = argv[1];
  int code = 0;
  if (mode == "encode")
    code = Base64Coder::EncodeFile(argv[2], argv[3]);
  else if (mode == "decode")
    code = Base64Coder::DecodeFile(argv[2], argv[3]);
  else
    return 2;
  std::printf("%d\n", code);
  return code;
}
