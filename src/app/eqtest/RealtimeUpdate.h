#pragma once
// The realtime update of files: while a run is in progress the instrument
// adds numbered scan files ("%05d" + extension) to the data folder. Every
// minute a window timer looks for new files, reloads the data set when
// there are some and runs the current analysis again (the approach-to-
// equilibrium test in its mode). Any key stops it.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Canvas.h"

class TXLAWindow;

inline constexpr int kRealtimeTimerId = 13;
inline constexpr int kRealtimeIntervalMs = 60000;
// Files numbered above this are never looked for.
inline constexpr int kRealtimeHighestNumber = 1000;

struct RealtimeStateRecord {
  bool Active = false;
  bool StopRequested = false;
  bool TimerHandlingOff = false;
  // A tick is running: its boxes and reloads must not be entered again by
  // the next tick or a key.
  bool InTick = false;
  std::vector<std::string> FilePaths;  // 1..kRealtimeHighestNumber, entry 0 unused
  int FirstNumber = 0;
  int Count = 0;  // number of the last file found
  int Size = 0;   // count at the previous poll
  int FilesPerLoad = 20;
  bool RangeChanged = false;
  bool NoAutoAdjust = false;
  bool TemperatureWarned = false;
  bool RescalePending = false;
  float RescaleX1 = 0.0f, RescaleX2 = 0.0f;
  bool KeepGoing = false;
  bool AllCells = false;
  std::time_t LastChange = 0;
  std::string StatusLine1, StatusLine2;
  // The last distribution-range adjustment.
  float TotalArea = 0.0f, TailArea = 0.0f, TailRatio = 0.0f, NewSmax = 0.0f;
};

extern RealtimeStateRecord RealtimeState;

void CmRealtimeUpdateOfFiles(TXLAWindow& window);
void CmStopRealtimeUpdate(TXLAWindow& window);
// The timer message; ignores other ids and ticks after the stop.
void RealtimeTimer(TXLAWindow& window, int timerId);
// Called by the key handler while the mode is on.
void RealtimeKeyDown(TXLAWindow& window);

bool PollAndReloadData(TXLAWindow& window);
bool ScanDataFolderForNewFiles();
// The selection of the files found (folder, then names) for the loader.
std::vector<std::string> BuildRealtimeFileList();
// The list step that spreads filesPerLoad files over first..count.
int RealtimeListStep(int first, int count, int filesPerLoad);
// Warns once per start of the mode when a scan's temperature differs from
// the earliest scan's by 1 degree or more.
void CheckRunTemperature(TXLAWindow& window);
// Widens (x 1.5) or narrows (x 0.9) the distribution's upper limit when the
// last grid interval holds more than 3 % or less than 0.1 % of the area.
void AdjustDistributionRangeRealtime();
// The factor of that rule for a tail share (1: no change).
float SmaxFactorForTailShare(float ratio);

// The two status lines the paint draws while the mode is on.
void PaintRealtimeStatus(platform::Canvas& dc);
