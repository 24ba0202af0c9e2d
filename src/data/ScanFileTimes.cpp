#include "data/ScanFileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

FileTime FromStatx(const struct statx_timestamp& t) {
  return {t.tv_sec, t.tv_nsec};
}

struct timespec ToTimespec(const FileTime& t) {
  struct timespec s {};
  s.tv_sec = static_cast<time_t>(t.Seconds);
  s.tv_nsec = static_cast<long>(t.Nanoseconds);
  return s;
}

}  // namespace

ScanFileTimes ReadFileTimes(const std::string& path) {
  ScanFileTimes times;
  struct statx sx {};
  const unsigned mask = STATX_ATIME | STATX_MTIME | STATX_BTIME;
  if (statx(AT_FDCWD, path.c_str(), 0, mask, &sx) != 0) return times;
  if ((sx.stx_mask & (STATX_ATIME | STATX_MTIME)) != (STATX_ATIME | STATX_MTIME)) return times;
  if (sx.stx_mask & STATX_BTIME) times.CreationTime = FromStatx(sx.stx_btime);
  times.LastAccessTime = FromStatx(sx.stx_atime);
  times.LastWriteTime = FromStatx(sx.stx_mtime);
  times.FileTimesValid = 1;
  return times;
}

bool RestoreFileTimes(const std::string& path, const ScanFileTimes& times) {
  const struct timespec both[2] = {ToTimespec(times.LastAccessTime),
                                   ToTimespec(times.LastWriteTime)};
  return utimensat(AT_FDCWD, path.c_str(), both, 0) == 0;
}
