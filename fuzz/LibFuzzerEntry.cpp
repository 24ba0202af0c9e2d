// The libFuzzer entry of a single-target executable: the one registered
// target gets every input.
#include <filesystem>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FreshHeadlessBackend();
  FuzzTargets().front().run(data, size);
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FreshHeadlessBackend();
  return 0;
}
