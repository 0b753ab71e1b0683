// pxldump: prints a PJL + PCL XL job as a readable operator listing, or says why the stream
// is malformed (exit status 1).
//   pxldump [--types] [--operators] FILE
//     --types      show each value's data type: Point=sint16_xy(10,20)
//     --operators  FILE holds a bare run of operators (no PJL, header or session)
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "pclxl_decoder.h"

int main(int argc, char** argv) {
  pclxl::DecodeOptions options;
  bool operatorsOnly = false;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--types") == 0) {
      options.showTypes = true;
    } else if (std::strcmp(argv[i], "--operators") == 0) {
      operatorsOnly = true;
    } else if (!file && argv[i][0] != '-') {
      file = argv[i];
    } else {
      file = nullptr;
      break;
    }
  }
  if (!file) {
    std::fprintf(stderr, "usage: pxldump [--types] [--operators] FILE\n");
    return 2;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "pxldump: cannot open %s\n", file);
    return 2;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  pclxl::Decoded job = operatorsOnly ? pclxl::DecodeOperators(bytes, options) : pclxl::DecodeJob(bytes, options);
  for (const std::string& line : job.listing) std::printf("%s\n", line.c_str());
  if (!job.ok) {
    std::fprintf(stderr, "pxldump: %s: malformed at byte %zu: %s\n", file, job.errorOffset, job.error.c_str());
    return 1;
  }
  return 0;
}
