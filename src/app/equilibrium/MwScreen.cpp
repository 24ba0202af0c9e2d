// Opening, recomputing and closing the Mw/M* screen.

#include "app/equilibrium/MwScreen.h"

#include "app/models/ModelCommandSupport.h"
#include "state/ModelSelection.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "equilibrium/MStarTransform.h"
#include "state/ModelParameters.h"

MStarScreenRecord MStarScreen;

namespace {

constexpr const char* kCaption = "M* transformation";

// The signal plot in the data plot's place; the data plot of the main
// display is kept only the first time, so that rebuilding an open screen
// never saves its own signal plot.
void PutSignalPlotInPlace(std::unique_ptr<CWINPlot> signal) {
  auto& screen = MStarScreen;
  auto& layout = MainPlotLayout;
  if (!screen.DataPlotSaved) {
    screen.SavedDataPlot = std::move(display::MainPlots.DataPlot);
    screen.SavedDataTop = layout.DataTop;
    screen.SavedDataBottom = layout.DataBottom;
    screen.DataPlotSaved = true;
  }
  screen.SignalPlot = signal.get();
  display::MainPlots.DataPlot = std::move(signal);
  layout.DataTop = EqScreenLineTop;
  layout.DataBottom = EqScreenLineBottom;
}

}  // namespace

void BuildMStarSignalPlot(TXLAWindow&) {
  PutSignalPlotInPlace(MakeMStarSignalPlot());
}

void FreeMStarSignalPlot() {
  auto& screen = MStarScreen;
  if (screen.SignalPlot != nullptr && display::MainPlots.DataPlot.get() == screen.SignalPlot)
    display::MainPlots.DataPlot.reset();
  screen.SignalPlot = nullptr;
}

namespace {

void InitialBases() {
  const auto& d = ScanDataSet;
  const float left = d.FitLeftLim, right = d.FitRightLim;
  MStarSettings.MeniscusBasis = {left, left + 0.2f * (right - left)};
  MStarSettings.BottomBasis = {right - 0.005f - 0.2f * (right - left), right - 0.005f};
}

void ReleaseScreen() {
  auto& screen = MStarScreen;
  FreeMwAppPlot();
  FreeLnCPlot();
  FreeMStarPlot();
  FreeMStarSignalPlot();
  if (screen.DataPlotSaved) {
    display::MainPlots.DataPlot = std::move(screen.SavedDataPlot);
    MainPlotLayout.DataTop = screen.SavedDataTop;
    MainPlotLayout.DataBottom = screen.SavedDataBottom;
    screen.DataPlotSaved = false;
  }
  FreeMwScreenPanel();
  screen.Views.clear();
  FreeMStarData();
  ScreenModes.MStarScreenActive = false;
}

}  // namespace

void StartMStarTransformation(TXLAWindow& window) {
  auto& screen = MStarScreen;
  auto& st = MStarSettings;
  if (!st.CMSmoothing && screen.OpenedSinceCM && ModelSelection.Kind == ModelKind::ContinuousCM &&
      AskYesNo(window, "use c(M) smoothing?", kCaption))
    st.CMSmoothing = true;
  screen.OpenedSinceCM = true;
  ScreenModes.MStarScreenActive = true;
  // An open screen is rebuilt in place: its plots and panel go, the data
  // plot saved when it first opened stays saved.
  FreeMwAppPlot();
  FreeLnCPlot();
  FreeMStarPlot();
  FreeMwScreenPanel();
  screen.MeniscusDragPending = screen.BottomDragPending = false;
  // c(M) smoothing needs data from meniscus to bottom; the refusal's box
  // has been shown and the screen comes up without it.
  if (!PrepareMStarData(window.Handle()) && st.CMSmoothing) {
    st.CMSmoothing = false;
    PrepareMStarData(window.Handle());
  }
  InitialBases();
  ClampMStarLimits();
  for (int i = 1; i <= MStarData.Count; ++i) {
    MStarDataSet& s = MStarData.Sets[i];
    UpdateSetIndices(i);
    s.MeniscusValue = 0.0f;
    s.MwAvg = 0.0f;
    s.MwLinear = 0.0f;
  }
  BuildMStarSignalPlot(window);
  BuildMStarPlot();
  BuildMwScreenPanel(window);
  BuildLnCPlot();
  BuildMwAppPlot();
  MwAnalysisPerSet(window);
  InvalidateMainWindow(window);
  if (st.CMSmoothing) ShowCMMoments(window);
}

void MwAnalysisPerSet(TXLAWindow& window) {
  if (!ScreenModes.MStarScreenActive) return;
  if (!RecomputeMStarSets(window.Handle())) {
    // Only c(M) smoothing refuses: it is switched off and the screen
    // restarts on the data.
    if (MStarSettings.CMSmoothing) MwScreenButtonClick(window, 6);
    return;
  }
  UpdateMwScreenPlots();
  UpdatePanelSetCaptions(window);
  InvalidateMainWindow(window);
  if (MStarSettings.CMSmoothing) ShowCMMoments(window);
}

void CloseMStarScreen(TXLAWindow& window) {
  if (!ScreenModes.MStarScreenActive && !MStarScreen.DataPlotSaved) return;
  ReleaseScreen();
  if (platform::WindowHost* host = window.Host()) host->SetCursor(platform::CursorShape::Arrow);
  InvalidateMainWindow(window);
}

void CloseMwScreen(TXLAWindow& window) {
  CloseMStarScreen(window);
}

void CmTransformEquilibriumDataMStar(TXLAWindow& window) {
  if (!ScanDataSet.EquilibriumDataMode || ScanDataSet.NFILES <= 0) {
    ShowNote(window, "equilibrium data set must be loaded for MSTAR", "ERROR",
             platform::BoxIcon::Error);
    return;
  }
  if (ModelParameters.Meniscus == 0.0f || ModelParameters.Bottom == 0.0f) {
    ShowNote(window, "set Meniscus and Bottom first", "ERROR", platform::BoxIcon::Error);
    return;
  }
  StartMStarTransformation(window);
}

void ReleaseMwScreenSilently() {
  if (ScreenModes.MStarScreenActive || MStarScreen.DataPlotSaved) ReleaseScreen();
}
