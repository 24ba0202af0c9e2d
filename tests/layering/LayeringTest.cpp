// The analysis code never includes a windowing-toolkit header: only
// src/platform may know the toolkit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

TEST(Layering, OnlyThePlatformIncludesToolkitHeaders) {
  const fs::path src = fs::path(__FILE__).parent_path().parent_path().parent_path() / "src";
  ASSERT_TRUE(fs::exists(src));
  const std::regex toolkit(R"(#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/))");
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const auto rel = fs::relative(entry.path(), src).generic_string();
    if (rel.rfind("platform/", 0) == 0) continue;
    std::ifstream in(entry.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      EXPECT_FALSE(std::regex_search(line, toolkit)) << rel << ":" << number << ": " << line;
    }
  }
}
