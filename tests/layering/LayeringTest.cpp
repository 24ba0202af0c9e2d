// The layers of src/ depend one way, and only the platform layer knows the
// windowing toolkit. A folder may include its own headers and those of the
// folders below it; an include of a folder above it (or beside it, where the
// two are independent) fails here with the file and line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path SourceRoot() {
  return fs::path(__FILE__).parent_path().parent_path().parent_path() / "src";
}

// Each folder with the folders it may include besides itself. The records at
// the bottom include nothing of src/; every other folder may read them.
const std::map<std::string, std::set<std::string>>& AllowedIncludes() {
  static const std::map<std::string, std::set<std::string>> allowed = [] {
    std::map<std::string, std::set<std::string>> a;
    auto above = [&a](const std::string& folder, const std::set<std::string>& direct) {
      std::set<std::string> all = direct;
      for (const auto& d : direct) all.insert(a[d].begin(), a[d].end());
      a[folder] = all;
    };
    a["state"] = {};
    above("platform", {"state"});
    above("ui", {"platform"});
    above("resources", {"platform"});
    above("numerics", {"ui"});
    above("plot", {"numerics"});
    above("data", {"numerics"});
    above("lamm", {"data"});
    above("models", {"lamm"});
    above("distributions", {"models"});
    above("engines", {"models"});
    above("equilibrium", {"distributions", "engines"});
    above("tools", {"distributions", "engines"});
    above("display", {"equilibrium", "tools", "plot"});
    above("app", {"display", "resources"});
    return a;
  }();
  return allowed;
}

std::string TopFolder(const std::string& relative) {
  const auto slash = relative.find('/');
  return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

}  // namespace

TEST(Layering, OnlyThePlatformIncludesToolkitHeaders) {
  const fs::path src = SourceRoot();
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

TEST(Layering, NoFolderIncludesAFolderAboveIt) {
  const fs::path src = SourceRoot();
  ASSERT_TRUE(fs::exists(src));
  const auto& allowed = AllowedIncludes();
  const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const auto ext = entry.path().extension();
    if (ext != ".h" && ext != ".cpp") continue;
    const auto rel = fs::relative(entry.path(), src).generic_string();
    const std::string folder = TopFolder(rel);
    if (folder.empty()) continue;
    const auto rule = allowed.find(folder);
    ASSERT_NE(rule, allowed.end()) << "src/" << folder
                                   << " is no layer: add it to AllowedIncludes";
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    int number = 0;
    std::smatch m;
    while (std::getline(in, line)) {
      ++number;
      if (!std::regex_search(line, m, include)) continue;
      const std::string target = TopFolder(m[1].str());
      if (target.empty() || target == folder || !allowed.count(target)) continue;
      EXPECT_TRUE(rule->second.count(target))
          << rel << ":" << number << " includes " << target << "/, which lies above "
          << folder << "/: " << line;
    }
  }
  EXPECT_GT(files, 500);
}
