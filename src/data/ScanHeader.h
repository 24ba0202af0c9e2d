#pragma once
// The header record of one radial scan: what its file's first two lines say,
// a few values derived from them, and the file's times at the moment it was
// read, so that a scan written back keeps the time stamps it came with.

#include <cstdint>
#include <string>

// A file time as the file system reports it (seconds and nanoseconds since
// the epoch).
struct FileTime {
  std::int64_t Seconds = 0;
  std::int64_t Nanoseconds = 0;
  bool operator==(const FileTime&) const = default;
};

struct ScanHeader {
  std::string Description;  // line 1, filtered; at most 99 characters
  char DataType = 'R';      // R, W, I, V, P or F
  int Cell = 0;
  float Temperature = 0.0f;  // degrees Celsius
  float Rpm = 0.0f;
  double Time = 0.0;          // working scan time, s
  double Omega2t = 0.0;       // rad^2/s
  float Wavelength = 0.0f;    // nm
  int ColumnCode = 0;         // 2 or more: the file carries a third column
  float FileMeniscus = 0.0f;  // number written before " - meniscus", 0 if none
  int PointCount = 0;
  double RecordedTime = 0.0;        // time as read; the writers write it
  double StampCorrectedTime = 0.0;  // time as read, rescaled by the time-stamp check
  double RampAcceleration = 0.0;    // rpm/s; 1e6 when none can be estimated
  double RampDuration = 0.0;        // s
  bool TimeStampChecked = false;
  // The creation time is recorded where the file system reports one; it
  // cannot be set again on this platform.
  FileTime CreationTime;
  FileTime LastAccessTime;
  FileTime LastWriteTime;
  int FileTimesValid = 0;  // 1 when the file times were obtained
  bool IsFluorescence = false;
  float PmtVoltage = 0.0f;
  int Gain = 0;
  int Range = 0;
};

// The two tags that mark a checked time stamp in a description.
bool HasTimeStampTag(const std::string& description);
