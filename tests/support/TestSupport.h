#pragma once
// Shared test helpers: a fresh headless backend per test, scratch folders and
// the path of the bundled test data.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/HeadlessBackend.h"

// Installs a fresh headless backend for the duration of one test, so that
// scripted answers and the log belong to that test alone.
class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  platform::HeadlessBackend& backend() { return *backend_; }
  // Log lines that contain the given text.
  std::vector<std::string> LogLinesWith(const std::string& text) const;

 private:
  platform::HeadlessBackend* backend_ = nullptr;
  std::unique_ptr<platform::Backend> previous_;
};

// A fresh, empty folder under the system's temporary folder, removed again
// when the object goes out of scope.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Writes a text file into the folder and returns its path.
  std::string Write(const std::string& name, const std::string& contents) const;

 private:
  std::filesystem::path path_;
};

std::string ReadWholeFile(const std::string& path);
// Folder of the bundled test data (tests/fixtures).
std::filesystem::path TestDataFolder();

namespace testsupport {
// A test calling a link that was never installed fails, naming the link's
// type: every test installs the links it goes through (a test of one layer
// puts stand-ins in place for the layers above it).
inline bool unwiredCallsFailTests = true;
// Set by a test of the unwired default itself: its calls are not reported.
// Reset before each test.
inline bool unwiredCallsAllowed = false;
}  // namespace testsupport
