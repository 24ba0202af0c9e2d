#include "tools/NonlinearDetection.h"

#include <cmath>

#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "state/DisplayState.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"
#include "state/LammSolverSettings.h"
#include "state/FitScanWindow.h"

NonlinearDetectionStateRecord NonlinearDetectionState;

namespace {

using Arrays = OneBasedArray<OneBasedArray<float>>;

bool DetectionOn() {
  return CorrectionOptions.Fluorescence.NonlinearDetectionOn;
}

bool Captured() {
  const auto& s = NonlinearDetectionState;
  const int n = ScanDataSet.NFILES;
  return s.Data.size() == n && s.Model.size() == n && s.TransformedData.size() == n &&
         s.TransformedModel.size() == n && n > 0;
}

int PointsOf(int i) {
  return ScanDataSet.ScanPointCount[i];
}

// Copies `from` into the scan rows `to`, as far as both reach.
void CopyRows(const Arrays& from, ScanArrays& to) {
  for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
    const int n = std::min({PointsOf(i), from[i].size(), to[i].size()});
    for (int k = 1; k <= n; ++k) to[i][k] = from[i][k];
  }
}

void TransformRows(const Arrays& from, Arrays& to, double e, double b) {
  for (int i = 1; i <= from.size(); ++i)
    for (int k = 1; k <= from[i].size(); ++k) to[i][k] = PowerLawDetection(from[i][k], e, b);
}

void UpdateRmsds() {
  auto& s = NonlinearDetectionState;
  s.TransformedRmsd = ComputeArrayRmsd(s.TransformedData, s.TransformedModel);
  s.UntransformedRmsd = ComputeArrayRmsd(s.Data, s.Model);
}

}  // namespace

float PowerLawDetection(float x, double e, double b) {
  if (!(x > b)) return x;
  return static_cast<float>(std::pow(static_cast<double>(x) - b, e) + b);
}

float ComputeArrayRmsd(const Arrays& a, const Arrays& b) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0 || a.size() < d.NFILES || b.size() < d.NFILES) return 0.0f;
  int first = 1, last = d.NFILES;
  if (FitScanWindow.On) {
    first = std::max(1, FitScanWindow.First);
    last = std::min(d.NFILES, FitScanWindow.Last);
  } else if (LammSolverSettings.InitialDataIsFirstScan) {
    first = 2;
  }
  double sum = 0.0;
  long count = 0;
  for (int p = first; p <= last; ++p) {
    const int i = d.ScanTimeOrder[p];
    const int kLast = std::min({d.ScanLastFitIndex[i], a[i].size(), b[i].size()});
    for (int k = std::max(1, d.ScanFirstFitIndex[i]); k <= kLast; ++k) {
      const double diff = static_cast<double>(a[i][k]) - b[i][k];
      sum += diff * diff;
      ++count;
    }
  }
  return count > 0 ? static_cast<float>(std::sqrt(sum / static_cast<double>(count))) : 0.0f;
}

void ReleaseNonlinearDetectionArrays() {
  auto& s = NonlinearDetectionState;
  s.Data = Arrays{};
  s.Model = Arrays{};
  s.TransformedData = Arrays{};
  s.TransformedModel = Arrays{};
  s.TransformedShown = false;
}

bool CaptureNonlinearDetectionArrays() {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0 || !DetectionOn()) return false;
  ReleaseNonlinearDetectionArrays();
  auto& s = NonlinearDetectionState;
  for (Arrays* a : {&s.Data, &s.Model, &s.TransformedData, &s.TransformedModel}) {
    a->Resize(1, d.NFILES);
    for (int i = 1; i <= d.NFILES; ++i) (*a)[i].Resize(1, PointsOf(i));
  }
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= PointsOf(i); ++k) {
      const float y = k <= d.ScanSignal[i].size() ? d.ScanSignal[i][k] : 0.0f;
      const float m = k <= d.ScanModel[i].size() ? d.ScanModel[i][k] : 0.0f;
      s.Data[i][k] = s.TransformedData[i][k] = y;
      s.Model[i][k] = s.TransformedModel[i][k] = m;
    }
  s.StoredExponent = 1.0;
  s.StoredBaseline = 0.0;
  s.TransformedShown = false;
  return true;
}

bool TransformNonlinearDetection(double p, double b, bool show) {
  auto& d = ScanDataSet;
  if (d.NFILES <= 0 || !DetectionOn()) return false;
  auto& s = NonlinearDetectionState;
  if (!Captured()) CaptureNonlinearDetectionArrays();
  if (p != s.StoredExponent || b != s.StoredBaseline) {
    TransformRows(s.Data, s.TransformedData, p, b);
    TransformRows(s.Model, s.TransformedModel, p, b);
  }
  s.TransformedShown = show;
  CopyRows(show ? s.TransformedData : s.Data, d.ScanSignal);
  CopyRows(show ? s.TransformedModel : s.Model, d.ScanModel);
  UpdateRmsds();
  // The stored parameters describe the transformed arrays from here on, also
  // for the grid rebuild below, which puts them back once more.
  s.StoredExponent = p;
  s.StoredBaseline = b;
  if (!s.GridRebuildSuppressed) {
    s.GridRebuildSuppressed = true;
    SetupCommonRadialGrid();
    s.GridRebuildSuppressed = false;
  }
  if (RenderDataPlot) RenderDataPlot(true);
  UpdateResiduals(true);
  if (UpdateHistogramPlot) UpdateHistogramPlot(true);
  ScanRmsd();
  return true;
}

bool ApplyNonlinearDetection(double p, double b, bool show) {
  if (!DetectionOn()) return false;
  auto& s = NonlinearDetectionState;
  s.ApplyGuard = true;
  TransformNonlinearDetection(p, b, show);
  s.ApplyGuard = false;
  return true;
}

bool UpdateNonlinearDetection() {
  const auto& d = ScanDataSet;
  auto& s = NonlinearDetectionState;
  if (d.NFILES <= 0 || !DetectionOn() || !Captured()) return false;
  const double e = s.StoredExponent, b = s.StoredBaseline;
  const double inverse = e > 0.0 ? 1.0 / e : 0.0;
  Arrays& fromModel = s.TransformedShown ? s.TransformedModel : s.Model;
  Arrays& other = s.TransformedShown ? s.Model : s.TransformedModel;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = std::min({PointsOf(i), d.ScanModel[i].size(), fromModel[i].size()});
    for (int k = 1; k <= n; ++k) {
      fromModel[i][k] = d.ScanModel[i][k];
      other[i][k] = PowerLawDetection(d.ScanModel[i][k], s.TransformedShown ? inverse : e, b);
    }
  }
  UpdateRmsds();
  return true;
}

float NonlinearDetectionRmsd() {
  return NonlinearDetectionState.UntransformedRmsd;
}

bool ReapplyNonlinearDetectionArrays(bool rebuildGrid) {
  auto& s = NonlinearDetectionState;
  if (ScanDataSet.NFILES <= 0 || !DetectionOn() || s.ApplyGuard) return false;
  // Inside a transform the arrays are in place already.
  if (s.GridRebuildSuppressed) return false;
  s.GridRebuildSuppressed = !rebuildGrid;
  const auto& f = CorrectionOptions.Fluorescence;
  TransformNonlinearDetection(s.StoredExponent, s.StoredBaseline, f.NonlinearDetectionSecondFlag);
  s.GridRebuildSuppressed = false;
  return true;
}

void InstallNonlinearDetectionHooks() {
  ::ReapplyNonlinearDetection = [](bool fromGridSetup) {
    ReapplyNonlinearDetectionArrays(!fromGridSetup);
  };
  ::FreeNonlinearDetectionArrays = [] { ReleaseNonlinearDetectionArrays(); };
  const auto work = [](bool transformed) {
    const auto& f = CorrectionOptions.Fluorescence;
    ApplyNonlinearDetection(f.NonlinearExponent, f.NonlinearBaseline,
                            transformed || f.NonlinearDetectionSecondFlag);
  };
  ContiKernelServices.ApplyNonlinearDetection = work;
  // The end of a stored run: the model of the transformed data is brought
  // into both forms before the user's view comes back.
  StoredDistributionServices.RestoreDetectionView = [work] {
    UpdateNonlinearDetection();
    work(false);
  };
  SimulationRoads.ApplyNonlinearDetection = +[](bool transformed) {
    const auto& f = CorrectionOptions.Fluorescence;
    ApplyNonlinearDetection(f.NonlinearExponent, f.NonlinearBaseline,
                            transformed || f.NonlinearDetectionSecondFlag);
  };
  SimulationRoads.UpdateNonlinearDetection = +[] { UpdateNonlinearDetection(); };
  // The simulation has brought its model into both forms already.
  SimulationRoads.NonlinearDetectionRmsd = +[](float& rmsd) {
    if (!DetectionOn() || !Captured()) return false;
    rmsd = NonlinearDetectionRmsd();
    return true;
  };
  ContiKernelServices.NonlinearDetectionRmsd = [](float& rmsd) {
    if (!UpdateNonlinearDetection()) return false;
    rmsd = NonlinearDetectionRmsd();
    return true;
  };
}
