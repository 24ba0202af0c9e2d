#pragma once
// The check of the scans' recorded elapsed times against the file times of
// their files: the ratio of the two spans over the run is the correction
// factor of a clock that ran at the wrong rate; scans off the common line by
// more than a minute are reported. A factor above the threshold rewrites
// every scan as "tcorr_<name>" with corrected times and writes the list
// "list_corr" of the new files, which the caller loads.

#include <vector>

#include "platform/Platform.h"

// Nothing to check (true), or the marks of checked scans are mixed.
bool ReadTimeStampMark(bool& mixed, double threshold);

struct TimeStampOutcome {
  double Factor = 1.0;  // file-time span / recorded span; 0 below 60 s recorded
  bool Failed = false;  // a file could not be read
  // Differences to the first scan in time order, [1..NFILES].
  std::vector<double> RecordedDifferences, FileDifferences;
  int Outliers = 0;
  std::string ReportPath;  // written only when the factor exceeds the threshold
};

TimeStampOutcome TimeStampOutliers(bool showReport, double threshold);

// The whole check with its questions; true when the corrected files and
// "list_corr" were written and the caller is to load that list.
bool TimeStampCheckWith(platform::WindowHandle window, double threshold, bool autoload);

// Gives every scan the time of the reference scan (time-order position
// reference) plus the difference of their file times, and omega^2 t to
// match. Every file time is read first; an unreadable file is named and
// nothing changes. False then.
bool RestoreTimesFromFiles(int reference);
