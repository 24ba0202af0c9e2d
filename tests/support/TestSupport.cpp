#include "support/TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

void HeadlessTest::SetUp() {
  auto fresh = std::make_unique<platform::HeadlessBackend>();
  backend_ = fresh.get();
  previous_ = platform::Install(std::move(fresh));
}

void HeadlessTest::TearDown() { platform::Install(std::move(previous_)); }

std::vector<std::string> HeadlessTest::LogLinesWith(const std::string& text) const {
  std::vector<std::string> lines;
  for (const auto& line : backend_->Log())
    if (line.find(text) != std::string::npos) lines.push_back(line);
  return lines;
}

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("taluvo-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& contents) const {
  const std::string file = File(name);
  std::ofstream out(file, std::ios::binary);
  out << contents;
  return file;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::filesystem::path TestDataFolder() {
  if (const char* env = std::getenv("TALUVO_TEST_DATA")) return env;
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "fixtures";
}
