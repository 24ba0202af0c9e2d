#pragma once
// The file times a scan had when it was read, and putting them back after the
// scan has been rewritten: the time-stamp analysis compares scan times with
// the files' own times, so a rewrite must not make a scan look new.

#include <string>

#include "data/ScanHeader.h"

struct ScanFileTimes {
  FileTime CreationTime;
  FileTime LastAccessTime;
  FileTime LastWriteTime;
  int FileTimesValid = 0;
};

// The file's times; FileTimesValid 1 when they were obtained. The creation
// time is 0 where the file system keeps none.
ScanFileTimes ReadFileTimes(const std::string& path);

// Sets the last-access and last-write times back; the creation time cannot be
// set on this platform. The result is not checked by the callers.
bool RestoreFileTimes(const std::string& path, const ScanFileTimes& times);

inline ScanFileTimes FileTimesOf(const ScanHeader& h) {
  return {h.CreationTime, h.LastAccessTime, h.LastWriteTime, h.FileTimesValid};
}
