// How a run of the Lamm solver starts and how computed scans leave its time
// loop: the loading pattern on the grid, the time state of a run, the
// snapshot of the profile at each scan time (assembled segment by segment
// when the scanning optics need time to cross the cell), its sampling at the
// scan's radii, the status text, and profiles at requested times.

#include <algorithm>
#include <cassert>
#include <cstdio>

#include "state/DisplayState.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammDisplayLinks.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"

namespace {

// The loading pattern of one species of loading concentration c0: a band at
// the meniscus, an empty band, two levels, or a uniform cell. The band width
// is a single-precision setting, so the edge is placed in single precision:
// a node on the edge is filled in every pattern.
void FillLoading(const CLammIdeal& l, double c0, double* c) {
  const double* r = l.Radius;
  const float edge = static_cast<float>(r[1]) + l.BandWidth;
  for (int i = 1; i <= l.GridSize; ++i) {
    const float x = static_cast<float>(r[i]);
    if (l.BandLoading && l.BandInverted)
      c[i] = x < edge ? 0.0 : c0;
    else if (l.BandLoading)
      c[i] = x <= edge ? c0 : 0.0;
    else if (l.TwoLevelLoading)
      c[i] = x < edge ? l.TwoLevelFactor * c0 : c0;
    else
      c[i] = c0;
  }
}

// Time of the k-th scan of the list: the recorded time when the run follows
// the rotor's own acceleration or program, the working time otherwise.
double ListedScanTime(const CLammIdeal& l, int k) {
  const ScanHeader& h = l.ScanHeaders[l.ScanList[k]];
  return l.ScanTimeOffset + (l.SimulateAcceleration || l.SpeedScheduleOn ? h.RecordedTime : h.Time);
}

bool StatusShown(const CLammIdeal& l) {
  return DrawingAllowed && l.MainWindow && !l.FitInProgress && !l.DisplaySuppressed;
}

void DrawLine(const CLammIdeal& l, int x, int y, const char* text) {
  platform::Current().DrawWindowText(l.MainWindow, x, y, text);
}

// Each status line goes on screen at once; at every step of a fine grid
// that would cost more than the step. The eye follows a few updates a
// second.
constexpr std::uint64_t kStatusIntervalMs = 100;

void DrawStatusLines(const CLammIdeal& l, double value) {
  char text[160];
  std::snprintf(text, sizeof text, "dt = %f sec  ", l.TimeStep);
  DrawLine(l, 10, 70, text);
  std::snprintf(text, sizeof text, "#it = %d   ", l.StepCount);
  DrawLine(l, 10, 90, text);
  int used =
      l.ReportTotalAmount
          ? std::snprintf(text, sizeof text, "t = %.0f sec (M=%f) ", l.CurrentTime, l.TotalAmount)
          : std::snprintf(text, sizeof text, "t = %.0f sec  ", l.CurrentTime);
  if (l.PhotophysicsOn && l.BeamOn && used >= 0 && used < static_cast<int>(sizeof text))
    std::snprintf(text + used, sizeof text - used, "(blasting) ");
  DrawLine(l, 10, 110, text);
  std::snprintf(text, sizeof text, "ri=%f  ", value);
  DrawLine(l, 10, 130, text);
}

void DrawStatusText(CLammIdeal& l, double value) {
  if (!l.ShowProgress || !StatusShown(l)) return;
  const std::uint64_t now = platform::Current().TickCountMs();
  if (l.StatusShownOnce && now - l.StatusShownMs < kStatusIntervalMs) {
    l.StatusPending = 1;
    l.StatusValue = value;
    return;
  }
  l.StatusShownOnce = 1;
  l.StatusShownMs = now;
  l.StatusPending = 0;
  DrawStatusLines(l, value);
}

bool LivePlotShown(const CLammIdeal& l) {
  return StatusShown(l) && l.LivePlot;
}

// A computed scan: its row and the radii it was sampled at.
struct ScanRow {
  float* values = nullptr;
  float* radii = nullptr;
  int count = 0;
};

void DrawLiveScan(const CLammIdeal& l, const ScanRow& row) {
  if (!l.ShowProgress || !LivePlotShown(l) || !row.values || row.count < 1) return;
  LammDisplayLinks.DrawCurve(l.MainWindow, l.LivePlot, row.count, row.radii, row.values,
                             EquationColour(l.EquationIndex), 0);
}

// The co-solute's profile on its own grid, in blue over the same plot.
void DrawCosolute(const CLammIdeal& l) {
  const int n = l.CosoluteGridSize;
  if (!LivePlotShown(l) || !l.CosoluteArraysAllocated || n < 1) return;
  OneBasedArray<float> radii(1, n), values(1, n);
  for (int i = 1; i <= n; ++i) {
    radii[i] = static_cast<float>(l.CosoluteRadius[i]);
    values[i] = static_cast<float>(l.CosoluteConcentration[i]);
  }
  LammDisplayLinks.DrawCurve(l.MainWindow, l.LivePlot, n, radii.data(), values.data(),
                             platform::Rgb(0, 0, 255), 1);
}

// Copies the grid points from the first one not yet taken up to the radius
// the optics have reached; returns how many were copied.
int CopySegment(CLammIdeal& l, double endRadius) {
  int i = l.SnapshotFilled + 1;
  for (; i <= l.GridSize && l.Radius[i] < endRadius; ++i) l.ScanSnapshot[i] = l.Concentration[i];
  return i - 1 - l.SnapshotFilled;
}

// The snapshot of the current scan. With a finite scan time the optics cross
// the cell at ScanVelocity, so each radial segment is taken when they pass
// it; the snapshot is complete after the last segment.
void TakeSnapshot(CLammIdeal& l) {
  const int N = l.GridSize;
  if (!(l.ScanVelocity > 0 && l.TimeResolutionOn && l.ScanSegments > 2)) {
    l.ScanInProgress = 0;
    std::copy(l.Concentration + 1, l.Concentration + N + 1, l.ScanSnapshot + 1);
    return;
  }
  const double v = l.ScanVelocity / 60.0;  // cm/s
  l.ScanDuration = (l.Bottom - l.Meniscus) / v;
  l.SegmentDuration = l.ScanDuration / l.ScanSegments;
  l.SegmentEndRadius = l.Meniscus + (l.SegmentsDone + 1) * l.SegmentDuration * v;
  const bool segmentDue =
      l.NextOutputTime + l.SegmentElapsed + l.SegmentDuration - 1e-10 <= l.CurrentTime;
  if (l.SegmentsDone == 0) {
    l.SnapshotFilled = 0;
    l.SnapshotFilled = CopySegment(l, l.SegmentEndRadius);
    std::fill(l.ScanSnapshot + l.SnapshotFilled + 1, l.ScanSnapshot + N + 1, 0.0);
    l.SegmentElapsed = l.CurrentTime - l.NextOutputTime + l.SegmentDuration;
    l.SegmentsDone = 1;
    l.ScanInProgress = 1;
  } else if (l.SegmentsDone < l.ScanSegments - 1) {
    if (segmentDue) {
      l.SegmentPoints = CopySegment(l, l.SegmentEndRadius);
      l.SnapshotFilled += l.SegmentPoints;
      l.SegmentElapsed += l.SegmentDuration;
      ++l.SegmentsDone;
    }
    l.ScanInProgress = 1;
  } else if (segmentDue) {
    std::copy(l.Concentration + l.SnapshotFilled + 1, l.Concentration + N + 1,
              l.ScanSnapshot + l.SnapshotFilled + 1);
    l.SnapshotFilled = N;
    l.SegmentElapsed += l.SegmentDuration;
    ++l.SegmentsDone;
    l.ScanInProgress = 0;
  } else {
    l.ScanInProgress = 1;
  }
}

// The finite-resolution corrections of the snapshot, then its values at the
// scan's radii into the scan's row (the solver's AddBuffer when the rows are
// added to the caller's afterwards).
ScanRow WriteScan(CLammIdeal& l, int item) {
  const int N = l.GridSize;
  if (l.WienerSkewingOn && l.WienerArrayCount > 0)
    l.ApplyWienerSkewing(N, l.Radius, l.ScanSnapshot, l.WienerArrayCount, l.WienerQuantity.data());
  if (l.RadialResolutionOn)
    l.ApplyRadialResolution(N, l.RadialResolutionRange, l.Radius, l.ScanSnapshot);
  float* row = nullptr;
  float* radii = nullptr;
  int count = 0;
  if (l.PerScanRadii) {
    assert(item <= l.AddBufferRows);
    row = l.AddBuffer[item];
    radii = l.ScanRadiusTable[item];
    count = l.ScanPointCounts[item];
  } else {
    assert(!l.AddToOutput || item <= l.AddBufferRows);
    row = l.AddToOutput ? l.AddBuffer[item] : l.Output[item];
    radii = l.OutputRadius;
    count = l.OutputPointCount;
  }
  if (!row || !radii || count < 1) return {};
  // On a grid that stays put, every scan meets the same radii: where each of
  // them falls in the grid is found once per grid. A scan the resampling
  // cannot serve (too few points) reads as empty rather than keeping an
  // earlier run's values.
  if (!l.MovingFrame && !l.PerScanRadii) {
    if (!l.ScanSampling.Fits(count, radii, N, l.Radius)) l.ScanSampling.Plan(count, radii, N, l.Radius);
    l.ScanSampling.Apply(l.ScanSnapshot, row);
    return {row, radii, count};
  }
  std::fill(row + 1, row + count + 1, 0.0f);
  ResampleCurveFromDouble(count, radii, row, N, l.Radius, l.ScanSnapshot);
  return {row, radii, count};
}

float** ProfileRowsOf(CLammIdeal& l) {
  return l.ProfilePerEquation ? l.ProfileRowsByEquation[l.EquationIndex] : l.ProfileRows;
}

}  // namespace

void CLammIdeal::SetInitialCondition() {
  if (!WorkArraysAllocated) return;
  const int N = GridSize;
  if (MultiSpecies && SpeciesCount > 0 && SpeciesProfiles.rows() >= SpeciesCount) {
    std::fill(Concentration + 1, Concentration + N + 1, 0.0);
    for (int k = 1; k <= SpeciesCount; ++k) {
      double* profile = SpeciesProfiles[k];
      double* weighted = WeightedProfiles[k];
      FillLoading(*this, SpeciesLoadings[k], profile);
      for (int i = 1; i <= N; ++i) {
        weighted[i] = SpeciesWeights[k] * profile[i];
        Concentration[i] += weighted[i];
      }
    }
  } else {
    FillLoading(*this, LoadingConcentration, Concentration);
    // An experimental profile spans the cell (its setter checks that), so
    // straight lines between its points give every grid point; profiles too
    // short to resample are refused by the setter, and the loading stays as
    // the safe start.
    if (InitialProfileOn && !MultiSpecies && !BandLoading && !TwoLevelLoading &&
        InitialProfileCount >= 5)
      InterpolateInsideDouble(N, Radius, Concentration, InitialProfileCount,
                              InitialProfileRadius.data(), InitialProfileValue.data());
  }
  if (PhotophysicsOn && DarkState) {
    std::fill(DarkState + 1, DarkState + N + 1, 0.0);
    if (PhotophysicsProfileOn) ApplyPhotophysicsProfile();
  }
}

void CLammIdeal::Propagate() {
  BeginTimeLoop();
  if (ConcDependentModel) {
    PropagateConcDependent();
  } else if (FixedGrid) {
    PropagateFixedGrid();
  } else if (MovingFrame) {
    PropagateMovingFrame();
    UpdateFrameRadii();
  }
  ShowPendingStatus();
  if (Interrupted) ComputationAbort = true;
}

void CLammIdeal::ShowPendingStatus() {
  if (!StatusPending) return;
  StatusPending = 0;
  if (ShowProgress && StatusShown(*this)) DrawStatusLines(*this, StatusValue);
}

void CLammIdeal::BeginTimeLoop() {
  ContinueLoop = 1;
  StepCount = 0;
  CurrentTime = StartTime;
  NextScan = 1;
  NextOutputTime = ListedScanTime(*this, 1);
  Interrupted = 0;
  StopPending = 1;
  StopTime = NextOutputTime;
  SnapshotFilled = SegmentsDone = 0;
  SegmentElapsed = 0.0;
  ScanInProgress = AdvanceScan = 0;
  StatusShownOnce = StatusPending = 0;
  TimeStep = InitialTimeStep;
  StepControl = MaxChangePerStep;
  StepControlLow = 0.05 * StepControl;
  StepControlHigh = 0.2 * StepControl;
  // Every run samples its profiles from the first requested time on.
  if (ProfileOutputOn) {
    ProfileNext = 1;
    ProfileNextTime = ProfileTimes[1];
  }
}

void CLammIdeal::WriteFinalProfileAsLastScan() {
  if (!RunBeyondLastScan || Interrupted || !WorkArraysAllocated || ScanCount < 1 || !ScanList)
    return;
  if (MovingFrame) UpdateFrameRadii();
  // The whole profile at once: the end state has no scan in progress.
  ScanInProgress = 0;
  std::copy(Concentration + 1, Concentration + GridSize + 1, ScanSnapshot + 1);
  WriteScan(*this, ScanList[ScanCount]);
}

void CLammIdeal::CLEachIterationOutput(double diagnosticValue) {
  DrawStatusText(*this, diagnosticValue);
  if (CurrentTime >= NextOutputTime) {
    if (!NoKeyPoll && KeyPressed()) {
      // The user stops the run after this scan; the scans not reached are
      // cleared like those after an early end.
      ContinueLoop = 0;
      Interrupted = 1;
      StoppedEarly = 1;
    }
    if (MovingFrame) UpdateFrameRadii();
    const int item = ScanList[NextScan];
    TakeSnapshot(*this);
    if (!ScanInProgress) {
      DrawLiveScan(*this, WriteScan(*this, item));
      // The co-solute once per scan, when the scan itself is complete.
      if (CosoluteOn && !FitInProgress && !DisplaySuppressed && EquationIndex == 1) {
        if (PlotCosolute) DrawCosolute(*this);
        if (SaveCosolute) WriteCosoluteScan(item);
      }
    }
    AdvanceScan = 0;
    if (ScanInProgress) {
      StopTime = NextOutputTime + SegmentElapsed + SegmentDuration;
      StopPending = 1;
    } else if (NextScan < ScanCount) {
      AdvanceScan = 1;
    } else if (RunBeyondLastScan && NextOutputTime < RunOnEndTime) {
      NextOutputTime = RunOnEndTime;
      StopPending = 0;
    } else {
      // Also the end of a run kept going beyond its last scan: every
      // method stops at RunOnEndTime, whether or not it saw the profile
      // settle (else each later step would write the last scan again,
      // without end).
      ContinueLoop = 0;
    }
    if (AdvanceScan) {
      AdvanceScan = 0;
      ++NextScan;
      NextOutputTime = ListedScanTime(*this, NextScan);
      StopPending = 1;
      StopTime = NextOutputTime;
      SnapshotFilled = 0;
      SegmentElapsed = 0.0;
      SegmentsDone = 0;
    }
  } else {
    SnapshotFilled = 0;
    SegmentElapsed = 0.0;
    SegmentsDone = 0;
  }
  if (ProfileOutputOn) SampleProfiles(CurrentTime);
}

void CLammIdeal::SetProfileOutput(std::int32_t rowCount, std::int32_t pointCount, float** rows,
                                  float*** rowsByEquation, double* times, float* radii) {
  if (!times || (!rows && !rowsByEquation)) return;
  ProfileRowCount = rowCount;
  ProfilePointCount = pointCount;
  ProfileRows = rows;
  ProfileRowsByEquation = rowsByEquation;
  ProfileTimes = times;
  ProfileRadii = radii;
  ProfileNext = 1;
  ProfileNextTime = times[1];
  ProfilePerEquation = rowsByEquation != nullptr;
  ProfileOutputOn = 1;
}

void CLammIdeal::SampleProfiles(double t) {
  if (!ProfileOutputOn || !(ProfileNextTime <= t) || ProfileNext > ProfileRowCount) return;
  if (ProfileNext < 1) {
    ProfileNext = 1;
    ProfileNextTime = ProfileTimes[1];
    if (t != ProfileNextTime) return;
  }
  // The moving frame's nodes have ridden on since the last scan.
  if (MovingFrame) UpdateFrameRadii();
  float** rows = ProfileRowsOf(*this);
  ResampleCurveFromDouble(ProfilePointCount, ProfileRadii, rows[ProfileNext], GridSize, Radius,
                          Concentration);
  ++ProfileNext;
  ProfileNextTime = ProfileNext <= ProfileRowCount ? ProfileTimes[ProfileNext]
                                                   : ProfileTimes[ProfileRowCount] + 1e10;
}

void CLammIdeal::FillRemainingProfiles() {
  if (!ProfileOutputOn) return;
  float** rows = ProfileRowsOf(*this);
  const int n = ProfilePointCount;
  if (ProfileNext < 2) {
    for (int k = 1; k <= ProfileRowCount; ++k) std::fill(rows[k] + 1, rows[k] + n + 1, 0.0f);
    return;
  }
  const float* last = rows[ProfileNext - 1];
  for (int k = ProfileNext; k <= ProfileRowCount; ++k)
    std::copy(last + 1, last + n + 1, rows[k] + 1);
}

void CLammIdeal::DrawEquationStatus(std::int32_t x, std::int32_t y) {
  if (!StatusShown(*this)) return;
  char text[200];
  std::snprintf(text, sizeof text,
                "solving Lamm equation #%d for s = %.3f S, D=%1.3e cm^2/sec [Thread %d]      ",
                EquationIndex, SedimentationCoeff, DiffusionCoeff, ThreadNumber);
  DrawLine(*this, x, y, text);
}
