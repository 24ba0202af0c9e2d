#pragma once
// An open stdio file that closes itself on every way out of its scope.

#include <cstdio>
#include <memory>

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;
