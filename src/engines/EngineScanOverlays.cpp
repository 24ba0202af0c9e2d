#include "engines/EngineScanOverlays.h"

#include <string>

#include "data/ScanDataSet.h"
#include "data/ScanFileWriter.h"
#include "engines/CosoluteSolver.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/ReactingABEngine.h"
#include "lamm/LammDisplayLinks.h"
#include "models/GlobalLammState.h"
#include "numerics/OneBasedArrays.h"
#include "state/FitControl.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"

namespace {

// The data plot of the run's window; null when nothing may be drawn.
CWINPlot* PlotToDrawOn() {
  if (GlobalLammRun.CallbackWindow == nullptr || FitControl.FitRunning || BatchMode) return nullptr;
  if (!LammDisplayLinks.DataPlot) return nullptr;
  return LammDisplayLinks.DataPlot();
}

// The curve y over x, both [1..n], in single precision as the plots take it.
struct FloatCurve {
  FloatCurve(const double* x, const double* y, int n) : X(1, n), Y(1, n), N(n) {
    for (int i = 1; i <= n; ++i) {
      X[i] = static_cast<float>(x[i]);
      Y[i] = static_cast<float>(y[i]);
    }
  }
  OneBasedArray<float> X, Y;
  int N;
};

void Draw(CWINPlot* plot, const double* x, const double* y, int n, platform::Color colour,
          int size) {
  if (x == nullptr || y == nullptr || n < 1) return;
  FloatCurve c(x, y, n);
  LammDisplayLinks.DrawCurve(GlobalLammRun.CallbackWindow, plot, n, c.X.data(), c.Y.data(), colour,
                             size);
}

void DrawReactingSpecies(CWINPlot* plot) {
  const ReactingArrays w = ReactingWork();
  if (w.FreeA == nullptr) return;
  ReactingSignal();
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  const int n = a.LammAllocatedSize;
  Draw(plot, a.LammRadius, w.FreeA, n, platform::Rgb(0, 0, 255), 0);
  Draw(plot, a.LammRadius, w.FreeB, n, platform::Rgb(0, 255, 0), 0);
  Draw(plot, a.LammRadius, w.Complex, n, platform::Rgb(255, 0, 0), 0);
}

// The scan's model as far as the species simulated so far make it up.
void DrawScanModel(CWINPlot* plot, int scan) {
  ScanDataSetRecord& d = ScanDataSet;
  if (scan < 1 || scan > d.NFILES) return;
  LammDisplayLinks.DrawCurve(GlobalLammRun.CallbackWindow, plot, d.ScanPointCount[scan],
                             d.ScanRadius[scan].data(), d.ScanModel[scan].data(),
                             EquationColour(GlobalLammRun.CurrentSpecies), 0);
}

void SaveCosolute(int scan) {
  const ScanDataSetRecord& d = ScanDataSet;
  const int n = CosolutePointCount();
  if (CosoluteProfile() == nullptr || n < 1 || scan < 1 || scan > d.NFILES) return;
  FloatCurve c(CosoluteRadius(), CosoluteProfile(), n);
  WriteScanFile(ProgramPaths.TempFolder + d.ScanFilePaths[scan], n, c.X.data(), c.Y.data(),
                nullptr, "component 2", true, d.ScanHeaders[scan]);
}

}  // namespace

void DrawEngineScanOverlays(int scan) {
  CWINPlot* plot = PlotToDrawOn();
  if (plot != nullptr && SpeciesSignals.LiveRunDisplay && !GlobalLammRun.BasisMode)
    DrawScanModel(plot, scan);
  if (ModelSelection.Kind == ModelKind::ReactingABC && plot != nullptr) DrawReactingSpecies(plot);
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  if (!s.CosoluteOn || FitControl.FitRunning) return;
  if (s.CosolutePlot && plot != nullptr)
    Draw(plot, CosoluteRadius(), CosoluteProfile(), CosolutePointCount(), platform::Rgb(0, 0, 255),
         1);
  if (s.CosoluteSave) SaveCosolute(scan);
}
