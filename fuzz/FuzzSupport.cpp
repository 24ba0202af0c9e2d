#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/HeadlessBackend.h"

namespace {

std::vector<FuzzTarget>& Registry() {
  static std::vector<FuzzTarget> targets;
  return targets;
}

std::filesystem::path ScratchPath() {
  return std::filesystem::temp_directory_path() / ("taluvo-fuzz-" + std::to_string(::getpid()));
}

// Millions of runs leave no folders behind.
void RemoveScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchPath(), ignored);
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
    std::filesystem::create_directories(ScratchPath());
    std::atexit(&RemoveScratchFolder);
    return ScratchPath().string() + "/";
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
