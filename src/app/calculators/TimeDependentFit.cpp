#include "app/calculators/TimeDependentFit.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "data/InitialDistribution.h"
#include "data/InitialData.h"
#include "data/ScanDataSet.h"
#include "state/MainPlotLayout.h"
#include "models/FitDriver.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ParameterVector.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "plot/CWINPlot.h"
#include "state/FitScanWindow.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

std::function<bool(platform::WindowHandle)> TimeDependentSetFit = [](platform::WindowHandle w) {
  return FitDriver(w);
};

namespace {

struct TimeDependentResults {
  OneBasedArray<float> Times, M, S;
  int Count = 0;
  bool IncreasingSetMode = false;
  std::unique_ptr<CCurve> Curve;  // owns the two vectors over Times and M
  std::unique_ptr<CWINPlot> Plot;
};

TimeDependentResults Results;

double ScanTime(int k) {
  const auto& d = ScanDataSet;
  return d.ScanHeaders[d.ScanTimeOrder[k]].Time;
}

bool Refuse(int scansPerSet) {
  const int n = ScanDataSet.NFILES;
  if (n < 2) {
    ErrorBox("the time-dependent fit needs at least two scans");
    return true;
  }
  if (scansPerSet < 1 || scansPerSet > n) {
    ErrorBox("the number of scans per set must lie between 1 and " + std::to_string(n));
    return true;
  }
  return false;
}

class Series {
 public:
  explicit Series(bool increasing) {
    const int n = ScanDataSet.NFILES;
    FreeTimeDependentFitData();
    Results.IncreasingSetMode = increasing;
    Results.Count = n - 1;
    for (auto* v : {&Results.Times, &Results.M, &Results.S}) v->Resize(1, n - 1);
    savedTolerance_ = FitControl.FitCycleTolerance;
    savedSave_ = FitControl.SaveBestParameters;
    FitControl.FitCycleTolerance = 0.001f;
    start_ = ParameterVector;
    FitControl.SaveBestParameters = false;
    FitScanWindow.On = true;
  }
  ~Series() {
    ParameterVector = start_;
    FitScanWindow = FitScanWindowRecord{};
    FitControl.FitCycleTolerance = savedTolerance_;
    FitControl.SaveBestParameters = true;
    (void)savedSave_;
  }
  // Fits scans first..last (time order) and stores result slot at time t.
  void Fit(platform::WindowHandle window, int first, int last, int slot, double t) {
    FitScanWindow.First = first;
    FitScanWindow.Last = last;
    ParameterVector = start_;
    TimeDependentSetFit(window);
    TimeDependentSetFit(window);
    Results.Times[slot] = static_cast<float>(t);
    Results.M[slot] = ParameterVector[1];
    Results.S[slot] = ParameterVector[5];
  }

 private:
  std::array<float, ParameterCount + 1> start_{};
  float savedTolerance_ = 0;
  bool savedSave_ = true;
};

void WriteResults() {
  const std::string folder = DataFileLocation.DataFolder;
  const bool inc = Results.IncreasingSetMode;
  const int n = Results.Count;
  CVector times, masses, svalues;
  times.AttachFrom(Results.Times.data(), static_cast<unsigned>(n), 1);
  masses.AttachFrom(Results.M.data(), static_cast<unsigned>(n), 1);
  svalues.AttachFrom(Results.S.data(), static_cast<unsigned>(n), 1);
  CCurve(&times, &masses).WriteFile(folder + (inc ? "MW(t).dat" : "MWdcdt.dat"));
  CCurve(&times, &svalues).WriteFile(folder + (inc ? "S(t).dat" : "Sdcdt.dat"));
}

void PlotResults() {
  const int n = Results.Count;
  auto x = std::make_unique<CVector>();
  auto y = std::make_unique<CVector>();
  x->AttachFrom(Results.Times.data(), static_cast<unsigned>(n), 1);
  y->AttachFrom(Results.M.data(), static_cast<unsigned>(n), 1);
  Results.Curve = std::make_unique<CCurve>(std::move(x), std::move(y));
  WriteResults();
  Results.Plot = std::make_unique<CWINPlot>();
  const auto& l = MainPlotLayout;
  Results.Plot->Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  Results.Plot->AddCurve(Results.Curve.get());
  Results.Plot->nSymbolSize = 8;
  Results.Plot->SetCurveStyle(0, 6);
  Results.Plot->SetXTitle("time [sec]");
  Results.Plot->SetYTitle("MWapp [Da]");
  Results.Plot->ToggleYFromZero();
  Results.Plot->ToggleConnectPoints();
}

void EndSeries() {
  PlotResults();
  UseScanAsInitialData(1);
  LammSolverSettings.InitialDataIsFirstScan = true;
  PlayFitDoneSound();
}

}  // namespace

void UseScanAsInitialData(int k) {
  auto& d = ScanDataSet;
  auto& init = InitialDistribution;
  if (init.Count > 0) FreeInitialData();
  LammSolverSettings.InitialDataIsFirstScan = k == 1;
  const int j = d.ScanTimeOrder[k];
  const int n = d.ScanPointCount[j];
  init.Radius.Resize(1, n);
  init.Signal.Resize(1, n);
  for (int i = 1; i <= n; ++i) {
    init.Radius[i] = d.ScanRadius[j][i];
    init.Signal[i] = d.ScanSignal[j][i];
    if (d.ScanModel[j].size() >= i) d.ScanModel[j][i] = d.ScanSignal[j][i];
  }
  init.Count = n;
  init.InitialDataHeader = d.ScanHeaders[j];
  init.InitialDataHeader.PointCount = n;
  if (d.TimesFromW2t) {
    const float w = d.ScanHeaders[j].Rpm * 2.0f * 3.1415927f / 60.0f;
    if (w > 0) init.InitialDataHeader.Time = d.ScanHeaders[j].Omega2t / (w * w);
  }
  if (ExtrapolateInitialDataLeft) ExtrapolateInitialDataLeft();
  if (ExtrapolateInitialDataRight) ExtrapolateInitialDataRight();
}

bool FitTimeDependentSMIncreasing(platform::WindowHandle window, int scansPerSet) {
  if (Refuse(scansPerSet)) return false;
  {
    Series series(true);
    for (int k = 2; k <= ScanDataSet.NFILES; ++k) series.Fit(window, 1, k, k - 1, ScanTime(k));
  }
  EndSeries();
  return true;
}

bool FitTimeDependentSMMoving(platform::WindowHandle window, int scansPerSet) {
  if (Refuse(scansPerSet)) return false;
  const int n = ScanDataSet.NFILES, w = scansPerSet;
  {
    Series series(false);
    UseScanAsInitialData(1);
    for (int k = 2; k <= w; ++k) series.Fit(window, 1, k, k - 1, (ScanTime(1) + ScanTime(k)) / 2);
    for (int i = 1; i <= n - w; ++i) {
      UseScanAsInitialData(i);
      series.Fit(window, i, w + i, w + i - 1, (ScanTime(i) + ScanTime(w + i)) / 2);
    }
  }
  EndSeries();
  return true;
}

platform::Metafile RenderTimeDependentPlot() {
  if (!Results.Plot) return {};
  Results.Plot->Relayout();
  Results.Plot->Render();
  return Results.Plot->hMetaFile;
}

void FreeTimeDependentFitData() {
  Results.Plot.reset();
  Results.Curve.reset();
  Results.Times = OneBasedArray<float>{};
  Results.M = OneBasedArray<float>{};
  Results.S = OneBasedArray<float>{};
  Results.Count = 0;
}
