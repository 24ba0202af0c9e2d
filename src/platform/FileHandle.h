#pragma once
// An open stdio file that closes itself on every way out of its scope.

#include <cstdio>
#include <memory>

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Closes a file that was written: false when a write or the close failed.
// Buffered writes to a full disk fail only here, at the flush, so a writer
// that skips this reports a file as saved that holds nothing.
inline bool CloseAfterWriting(FileHandle& file) {
  std::FILE* f = file.release();
  if (!f) return false;
  const bool failed = std::ferror(f) != 0;
  return std::fclose(f) == 0 && !failed;
}
