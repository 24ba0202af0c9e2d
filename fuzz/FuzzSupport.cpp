#include "FuzzSupport.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/HeadlessBackend.h"

namespace {

std::vector<FuzzTarget>& Registry() {
  static std::vector<FuzzTarget> targets;
  return targets;
}

}  // namespace

FuzzTargetRegistration::FuzzTargetRegistration(const char* name, FuzzFunction run) {
  Registry().push_back({name, run});
}

const std::vector<FuzzTarget>& FuzzTargets() {
  return Registry();
}

const std::string& FuzzScratchFolder() {
  static const std::string folder = [] {
    const std::filesystem::path p = std::filesystem::temp_directory_path() /
                                    ("taluvo-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p.string() + "/";
  }();
  return folder;
}

std::string FuzzInputFile(const std::uint8_t* data, std::size_t size,
                          const std::string& fileName) {
  const std::string path = FuzzScratchFolder() + fileName;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

void FreshHeadlessBackend() {
  platform::Install(std::make_unique<platform::HeadlessBackend>());
}
