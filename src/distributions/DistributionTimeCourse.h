#pragma once
// The time course of DLS size distributions (model I(Rh,t)): the
// measurements are cut into consecutive time windows, the correlation
// functions of each window are averaged into scan 1, one distribution is
// computed per window and shown when finished (optionally pausing between
// windows), and the grid, the window times and the matrix of distributions
// are written to "radii.dat", "times.dat" and "sizes.dat".

#include <functional>
#include <string>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"
#include "state/Links.h"

struct TimeCourseRecord {
  // The scans that the kernel and the normal equations of a window use;
  // 0 outside the time course (all loaded scans).
  int WindowFirstScan = 0, WindowLastScan = 0;
  int WindowCount = 0;
  OneBasedArray<float> WindowTimes;            // [1..WindowCount], s
  OneBasedMatrix<float> WindowDistributions;   // [window][grid point]
  bool TimeCourseStepMode = false;
  int LastTimeCourseKey = -1;
  // Folder of the three files, ending with '/' (empty: the current folder).
  std::string OutputFolder;
};

extern TimeCourseRecord TimeCourse;

// What the time course needs of the window; nothing while not installed.
struct TimeCourseLinksRecord {
  // Draws the distribution plot into the window at once.
  std::function<void()> ShowDistributionNow = links::Unwired;
};
extern TimeCourseLinksRecord TimeCourseLinks;

// Window bookkeeping: windows of `interval` minutes over the measurement
// times in time order (times[1..count]); the first window is 1.5 intervals
// long and starts with the second measurement. first/last receive the
// positions in time order of each window ([1..windows]), mid their mean
// time. Returns the number of windows.
int TimeCourseWindows(const float* times, int count, float interval, std::vector<int>& first,
                      std::vector<int>& last, std::vector<float>& mid);

void RunDistributionTimeCourse(platform::WindowHandle window);

// The keys between two windows: in step mode it waits for one (space goes
// on, "r" leaves step mode, "s" leaves step mode and ends the course; other
// keys are ignored); outside step mode any key switches step mode on.
// True when the course is to end.
bool HandleTimeCourseKeys(platform::WindowHandle window);

// The normal equations of the window's scans with a common baseline.
bool NormalEquationsTimeWindow();
