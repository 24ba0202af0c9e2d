#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands/CommandTable.h"
#include "app/eqtest/EqTestCommands.h"
#include "app/eqtest/RealtimeUpdate.h"
#include "app/models/ModelCommandSupport.h"
#include "state/LoadOptions.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "data/EquilibriumSort.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "display/DirectRedraws.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "display/ResidualHistogramPlot.h"
#include "display/ScanColours.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "equilibrium/EqTestSeries.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"
#include "state/Links.h"

using display::ReplayInPlotSpace;
using display::MainPlots;
using display::ScanColour;
using display::RampColour;

namespace {

const char* const kCaption = "EQ TEST";

// The third plot and the vectors and curves the three plots borrow.
struct EqTestPlotStore {
  std::unique_ptr<CWINPlot> EqTestPlot;
  std::vector<std::unique_ptr<CVector>> vectors;
  std::vector<std::unique_ptr<CCurve>> curves;

  CCurve* Add(const std::vector<float>& x, const std::vector<float>& y) {
    vectors.push_back(std::make_unique<CVector>(static_cast<unsigned>(x.size()), x.data()));
    CVector* xv = vectors.back().get();
    vectors.push_back(std::make_unique<CVector>(static_cast<unsigned>(y.size()), y.data()));
    CVector* yv = vectors.back().get();
    curves.push_back(std::make_unique<CCurve>(xv, yv));
    return curves.back().get();
  }
  void ClearCurves() {
    curves.clear();
    vectors.clear();
  }
};

EqTestPlotStore Store;

bool Ask(TXLAWindow& window, const std::string& text) {
  return platform::Current().ShowMessageBox({window.Handle(), text, kCaption,
                                             platform::BoxIcon::Question,
                                             platform::BoxButtons::YesNo}) ==
         platform::BoxAnswer::Yes;
}

int Krpm(float rpm) { return static_cast<int>(std::floor(rpm * 0.001f)); }

// The latest scan of a series with its comparison range in red, drawn
// straight into the window while the questions about it are up (a paint
// would wait for the command to end).
// The series' latest scan as the tool plot, its comparison range marked in
// red (the approach-to-equilibrium highlight), drawn at once: the questions
// about the series are asked over it.
void ShowSeriesPlot(TXLAWindow& window, const EqTestSeriesData& s) {
  platform::WindowHost* host = window.Host();
  if (host == nullptr || s.Scans.empty()) return;
  const auto& d = ScanDataSet;
  const int latest = s.Scans.back();
  const std::vector<float> v = EqScanValues(latest);
  std::vector<float> x, y;
  for (int k = 1; k <= d.ScanPointCount[latest]; ++k) {
    x.push_back(d.ScanRadius[latest][k]);
    y.push_back(v[static_cast<std::size_t>(k)]);
  }
  ShowHighlightedToolPlot(window, x, y, s.FirstIndex, s.LastIndex, "radius", "signal");
  const platform::Size client = host->ClientSize();
  platform::Canvas& canvas = host->ClientCanvas();
  canvas.Save();
  canvas.SetMapMode(platform::MapMode::Anisotropic);
  canvas.SetWindowOrigin({0, 0});
  canvas.SetViewportOrigin({0, 0});
  canvas.SetWindowExtent(PlotSpaceSize());
  canvas.SetViewportExtent(client);
  PaintToolPlotLayers(window, canvas);
  canvas.Restore();
  platform::Current().ShowWindowDrawing(window.Handle(), {0, 0, client.width, client.height});
}

void AddCurve(CWINPlot& plot, CCurve* curve, platform::Color colour, int style,
              const std::string& legend) {
  plot.AddCurve(curve);
  const int i = plot.nCurves - 1;
  plot.SetCurveColor(i, colour);
  plot.SetCurveStyle(i, style);
  plot.SetLegendText(i, legend);
}

void PlaceTestPlot(std::unique_ptr<CWINPlot>& plot, int top, int left, int bottom, int right,
                   const char* x, const char* y) {
  plot = std::make_unique<CWINPlot>();
  plot->Place(top, left, bottom, right);
  plot->SetXTitle(x);
  plot->SetYTitle(y);
  plot->bConnectPoints = true;
}

void DrawEqTestCurves() {
  auto& t = EqTestSeries;
  const auto& d = ScanDataSet;
  CWINPlot& data = *MainPlots.DataPlot;
  CWINPlot& residual = *MainPlots.ResidualPlot;
  CWINPlot& shape = *Store.EqTestPlot;
  for (CWINPlot* p : {&data, &residual, &shape}) p->ClearCurves();
  Store.ClearCurves();
  int K = 0;
  for (const auto& s : t.Series)
    if (s.Shown && s.Scans.size() >= 2) ++K;
  int k = 0;
  for (const auto& s : t.Series) {
    if (!s.Shown || s.Scans.size() < 2) continue;
    ++k;
    const int first = s.Scans.front();
    const ScanHeader& h = d.ScanHeaders[first];
    const bool interference = IsInterferenceScanFile(d.ScanFilePaths[first]);
    const platform::Color colour =
        interference && !t.SingleCell ? ScanColour(h.Cell) : RampColour(k, K);
    AddCurve(data, Store.Add(s.Hours, s.Rmsd), colour, s.AtCurrentSpeed ? 6 : -1,
             FormatText("cell %d, %.0f nm, %d krpm (>= %s)", h.Cell,
                        static_cast<double>(h.Wavelength), Krpm(h.Rpm),
                        (DataFileLocation.DataFolder + d.ScanFilePaths[first]).c_str()));
    if (h.Rpm != t.HighestSpeed) continue;
    const platform::Color shapeColour = interference ? ScanColour(h.Cell) : RampColour(k, K);
    const std::string legend =
        FormatText("c%d-%.0fnm-%.0dk: rmsd=%.4f", h.Cell, static_cast<double>(h.Wavelength),
                   Krpm(h.Rpm), static_cast<double>(s.LastPairRmsd));
    const int style = s.AtCurrentSpeed ? 12 : -1;
    AddCurve(residual, Store.Add(s.PairRadius, s.PairDifference), shapeColour, style, legend);
    AddCurve(shape, Store.Add(s.Offset, s.Relative), shapeColour, style, legend);
  }
  data.ShowLegend();
  residual.ShowLegend();
  const auto& stack = DisplayRangeStack;
  if (stack.Level >= 1)
    data.SetRanges(stack.MinRadius[stack.Level], stack.MaxRadius[stack.Level],
                   stack.MinSignal[stack.Level], stack.MaxSignal[stack.Level]);
  else
    data.SetAutoRanges();
  residual.SetAutoRanges();
  shape.SetAutoRanges();
  data.Render();
  residual.Render();
  shape.Render();
}

void OfferToSave(TXLAWindow& window) {
  if (!Ask(window, "save approach to equilibrium data?")) return;
  std::string path = DataFileLocation.DataFolder + "approach_to_eq_test.txt";
  if (!ChooseSaveFileName(window, path, 10000, "input file", "txt")) return;
  WriteEqTestFiles(path);
}

}  // namespace

bool SetupEqTestPlots(TXLAWindow&) {
  auto& t = EqTestSeries;
  const auto& l = MainPlotLayout;
  Store.ClearCurves();
  PlaceTestPlot(MainPlots.DataPlot, l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight,
                "time difference to last scan in series (hours)", "rmsd difference");
  PlaceTestPlot(MainPlots.ResidualPlot, l.ResidualTop, l.PlotLeft, l.ResidualBottom, l.PlotRight,
                "radius (cm)", "difference last 2 scans");
  PlaceTestPlot(Store.EqTestPlot, 60, 650, 300, 965, "radius", "relative signal of last scan");
  Store.EqTestPlot->HideTickLabels();
  Store.EqTestPlot->SetDrawBackground(0);
  t.CurvesExist = true;
  t.CurveSeriesCount = t.Count();
  t.PlotsExist = true;
  return true;
}

void SelectEqTestSeries(TXLAWindow& window) {
  auto& t = EqTestSeries;
  const auto& d = ScanDataSet;
  for (int i = 1; i <= t.Count(); ++i) {
    EqTestSeriesData& s = t.At(i);
    const int first = s.Scans.front();
    const int latest = s.Scans.back();
    if (IsEqTestSeriesExcluded(first)) {
      s.Shown = false;
      continue;
    }
    if (s.FirstIndex == 0 || s.LastIndex == 0) {
      s.FirstIndex = d.ScanFirstFitIndex[latest];
      s.LastIndex = d.ScanLastFitIndex[latest];
    }
    if (RealtimeState.Active && RealtimeState.KeepGoing) continue;
    for (;;) {
      const int n = d.ScanPointCount[latest];
      if (s.FirstIndex < 1 || s.FirstIndex > n) s.FirstIndex = 1;
      if (s.LastIndex < 1 || s.LastIndex > n) s.LastIndex = n;
      ShowSeriesPlot(window, s);
      const ScanHeader& h = d.ScanHeaders[first];
      if (!t.SingleCell && !IsEqTestSeriesIncluded(first) &&
          !Ask(window, FormatText("cell %d, %.0f nm, %d krpm\nInclude this (cell/wl) series in "
                                  "time-course plot?",
                                  h.Cell, static_cast<double>(h.Wavelength), Krpm(h.Rpm)))) {
        AddToEqTestList(t.Excluded, first, window.Handle());
        s.Shown = false;
        break;
      }
      PlayInfoSound();
      if (Ask(window, FormatText("accept radial limits for comparison of %d kprm series? \n"
                                 "(otherwise set new ones to exclude region or artifacts)",
                                 Krpm(h.Rpm)))) {
        s.Shown = true;
        if (!IsEqTestSeriesIncluded(first)) AddToEqTestList(t.Included, first, window.Handle());
        break;
      }
      float rMin = 0, rMax = 0;
      const float* r = d.ScanRadius[latest].data();
      if (!InputFloat(rMin, r[s.FirstIndex], true, "r-min:", kCaption) ||
          !InputFloat(rMax, r[s.LastIndex], true, "r-max:", kCaption)) {
        s.Shown = true;
        if (!IsEqTestSeriesIncluded(first)) AddToEqTestList(t.Included, first, window.Handle());
        break;
      }
      for (int k = 1; k <= n; ++k)
        if (r[k] > rMin) {
          s.FirstIndex = k;
          break;
        }
      for (int k = n; k >= 1; --k)
        if (r[k] < rMax) {
          s.LastIndex = k;
          break;
        }
    }
  }
  // The series have been asked about: the temporary plot goes.
  if (ToolPlotData.ApproachHighlightOn) ReleaseToolPlotData(window);
  InvalidateMainWindow(window);
}

void RunEqTest(TXLAWindow& window) {
  auto& t = EqTestSeries;
  if (!t.PlotsExist || RealtimeState.Active) SetupEqTestPlots(window);
  const int before = t.CurveSeriesCount;
  if (BuildEqTestSeries(window.Handle()) != before) {
    SelectEqTestSeries(window);
    SetupEqTestPlots(window);
  }
  if (t.Count() != t.CurveSeriesCount) {
    ErrorBox("error in equilibrium test function");
  } else {
    ComputeEqTestCurves();
    DrawEqTestCurves();
  }
  InvalidateMainWindow(window);
  OfferToSave(window);
}

void CmTestApproachToEquilibrium(TXLAWindow& window) {
  auto& t = EqTestSeries;
  if (ScanDataSet.NFILES <= 0) {
    platform::Current().ShowMessageBox({window.Handle(), "please load data first", kCaption,
                                        platform::BoxIcon::Information,
                                        platform::BoxButtons::Ok});
    return;
  }
  t.Excluded.clear();
  t.Included.clear();
  t.CapacityWarned = false;
  const int before = t.Count();
  const auto& d = ScanDataSet;
  BuildEqTestSeries(window.Handle());
  for (auto& s : t.Series) {
    s.Shown = true;
    s.FirstIndex = d.ScanFirstFitIndex[s.Scans.back()];
    s.LastIndex = d.ScanLastFitIndex[s.Scans.back()];
  }
  if (t.Count() != before || !t.PlotsExist) {
    SelectEqTestSeries(window);
    SetupEqTestPlots(window);
  }
  t.TestMode = true;
  LoadOptions.EqTestMode = true;
  ScreenModes.EqTestScreenActive = true;
  ScreenModes.EqTestHidesResidualExtras = true;
  DisplayRangeStack.Level = 0;
  RunEqTest(window);
  InvalidateMainWindow(window);
  if (Ask(window, "realtime update?")) CmRealtimeUpdateOfFiles(window);
}

void ResetEqTest(TXLAWindow& window) {
  auto& t = EqTestSeries;
  if (!t.PlotsExist) return;
  t.Series.clear();
  t.CurvesExist = false;
  t.CurveSeriesCount = 0;
  t.PlotsExist = false;
  t.TestMode = false;
  Store.EqTestPlot.reset();
  // The data plots go first: they borrow the test's curves.
  display::BuildMainDataPlots();
  Store.ClearCurves();
  display::UpdateResiduals(true);
  display::UpdateHistogramPlot();
  display::RenderDataPlot(true);
  LoadOptions.EqTestMode = false;
  ScreenModes.EqTestScreenActive = false;
  ScreenModes.EqTestHidesResidualExtras = false;
  InvalidateMainWindow(window);
}

platform::Metafile RepaintEqTestPlot() {
  if (!Store.EqTestPlot || !EqTestSeries.PlotsExist) return platform::Metafile();
  return Store.EqTestPlot->hMetaFile;
}

namespace {
// The closing paint step that was installed before the realtime status
// lines were added to it.
std::function<void(platform::Canvas&)> PaintToolStatusBefore;
bool StatusWrapped = false;
}  // namespace

void InstallEqTestHooks(TXLAWindow&) {
  ViewLinks.ResetEqTest = [](TXLAWindow& win) { ResetEqTest(win); };
  ModelCommandLinks.ResetEqTest = [](TXLAWindow& win) { ResetEqTest(win); };
  auto& links = display::MainDisplayLinks;
  links.RepaintEqTestPlot = [] { return RepaintEqTestPlot(); };
  if (!StatusWrapped) {
    PaintToolStatusBefore = links.PaintToolStatus;
    links.PaintToolStatus = [](platform::Canvas& dc) {
      if (links::IsInstalled(PaintToolStatusBefore)) PaintToolStatusBefore(dc);
      PaintRealtimeStatus(dc);
    };
    StatusWrapped = true;
  }
}

void RemoveEqTestHooks() {
  ViewLinks.ResetEqTest = [](TXLAWindow&) {};
  ModelCommandLinks.ResetEqTest = [](TXLAWindow&) {};
  auto& links = display::MainDisplayLinks;
  links.RepaintEqTestPlot = links::Unwired;
  if (StatusWrapped) {
    links.PaintToolStatus = PaintToolStatusBefore;
    PaintToolStatusBefore = nullptr;
    StatusWrapped = false;
  }
}

void RegisterEqTestCommands(CommandTable& table) {
  table.Add(645, &CmTestApproachToEquilibrium, false, "CmTestApproachToEquilibrium");
  table.Add(540, &CmRealtimeUpdateOfFiles, false, "CmRealtimeUpdateOfFiles");
  table.Add(541, &CmStopRealtimeUpdate, false, "CmStopRealtimeUpdate");
}
