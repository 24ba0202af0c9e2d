// Runs one fuzz target over files and folders of inputs without libFuzzer:
//   taluvo_fuzz_replay <target> <file or folder>...
// A folder gives every regular file below it. Exit code 0 when every input
// was read without a crash (the sanitizers of the test build end the program
// on any fault), 2 for a wrong call.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> InputsBelow(const fs::path& p) {
  std::vector<fs::path> files;
  std::error_code ec;
  if (fs::is_regular_file(p, ec)) {
    files.push_back(p);
  } else if (fs::is_directory(p, ec)) {
    for (const auto& e : fs::recursive_directory_iterator(p, ec))
      if (e.is_regular_file()) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <target> <file or folder>...\ntargets:", argv[0]);
    for (const FuzzTarget& t : FuzzTargets()) std::fprintf(stderr, " %s", t.name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  const auto target = std::find_if(FuzzTargets().begin(), FuzzTargets().end(),
                                   [&](const FuzzTarget& t) { return t.name == argv[1]; });
  if (target == FuzzTargets().end()) {
    std::fprintf(stderr, "no fuzz target %s\n", argv[1]);
    return 2;
  }
  FreshHeadlessBackend();
  int count = 0;
  for (int a = 2; a < argc; ++a) {
    for (const fs::path& file : InputsBelow(argv[a])) {
      std::ifstream in(file, std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      target->run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      FreshHeadlessBackend();
      ++count;
    }
  }
  std::printf("%s: %d inputs read\n", argv[1], count);
  return count > 0 ? 0 : 2;
}
