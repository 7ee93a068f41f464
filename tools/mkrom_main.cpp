// kalvire-mkrom: writes synthetic firmware images.
//   kalvire-mkrom sample OUT.rom
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "tools/sample_image.h"
#include "util/file_io.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::string_view(argv[1]) != "sample") {
    std::fprintf(stderr, "usage: kalvire-mkrom sample OUT.rom\n");
    return 2;
  }
  try {
    const kalvire::tools::Bytes image = kalvire::tools::BuildSampleImage();
    std::string error;
    if (!kalvire::util::WriteWholeFileAtomic(argv[2], image, error)) {
      std::fprintf(stderr, "kalvire-mkrom: %s\n", error.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kalvire-mkrom: %s\n", e.what());
    return 1;
  }
  return 0;
}
