#pragma once
// The Mw/M* screen of equilibrium data: four plots in place of the main data
// plot (the signal with its meniscus and bottom extrapolations, M*(r),
// ln(signal - baseline) against r^2, and the apparent molar mass Mw,app) and
// a panel of on-screen buttons that shows the per-set results and changes
// the settings. The screen's flag is ScreenModes.MStarScreenActive, which
// the paint, the mouse and key handlers and the load commands test.

#include <memory>
#include <string>
#include <vector>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "plot/CWINPlot.h"
#include "ui/CScreenButton.h"

class TXLAWindow;

// The plot views of one data set over its arrays, re-attached after every
// recompute (the arrays are rebuilt by it).
struct MwSetViews {
  CVector Radius, Signal, CMSignal, MStar, MStarCM, RSquared, LnC, LnCSmoothed, LnCLine, LnCCM,
      MwApp, MwAppCM, MeniscusX, MeniscusY, BottomX, BottomY, BaselineX, BaselineY, MeniscusMarkX,
      MeniscusMarkY, BottomMarkX, BottomMarkY;
  OneBasedArray<float> BaselineXs{1, 100}, BaselineYs{1, 100};
  OneBasedArray<float> MarkerValues{1, 4};  // meniscus x, y; bottom x, y
  CCurve SignalCurve, BaselineCurve, MeniscusCurve, MeniscusMarker, CMSignalCurve;
  CCurve MStarCurve, BottomCurve, MStarCMCurve, BottomMarker;
  CCurve LnCCurve, LnCSmoothedCurve, LnCLineCurve, LnCCMCurve;
  CCurve MwAppCurve, MwAppCMCurve;
};

struct MStarScreenRecord {
  // The signal plot stands in the main window's data plot (which owns it
  // while the screen is open); the other three belong to the screen.
  CWINPlot* SignalPlot = nullptr;
  std::unique_ptr<CWINPlot> MStarPlot, LnCPlot, MwAppPlot;
  // The main window's data plot from before the screen first opened, with
  // its two vertical placement values.
  std::unique_ptr<CWINPlot> SavedDataPlot;
  bool DataPlotSaved = false;
  int SavedDataTop = 0, SavedDataBottom = 0;
  bool ShowMwAppOfC = false;  // the Mw,app plot has the total signal as abscissa
  bool OpenedSinceCM = false;
  std::vector<std::unique_ptr<MwSetViews>> Views;  // slot i for set i
  CVector MeniscusBasisView{2}, BottomBasisView{2};
  // The button panel: PanelButtons[1..PanelButtonCount], entries may be empty.
  std::vector<std::unique_ptr<CScreenButton>> PanelButtons;
  int PanelButtonCount = 0;
  // Which buttons keep their right edge when a new caption changes their
  // width (the others keep their left edge).
  std::vector<bool> PanelRightAligned;
  bool MeniscusDragPending = false;
  bool BottomDragPending = false;
};

extern MStarScreenRecord MStarScreen;

inline constexpr int kFixedButtonCount = 8;

// Opens the screen, or rebuilds it in place when it is open (the data plot
// put back on closing stays the one shown before the screen first opened).
void StartMStarTransformation(TXLAWindow& window);
void CloseMStarScreen(TXLAWindow& window);
// The close for a model command.
void CloseMwScreen(TXLAWindow& window);
// Releases an open screen without drawing (the window goes).
void ReleaseMwScreenSilently();
// One recompute of every set with the update of plots and button texts.
void MwAnalysisPerSet(TXLAWindow& window);

// Plots of the screen (MwScreenPlots.cpp). The signal plot goes into the
// data plot's place (MwScreen.cpp).
std::unique_ptr<CWINPlot> MakeMStarSignalPlot();
void BuildMStarSignalPlot(TXLAWindow& window);
void BuildMStarPlot();
void BuildLnCPlot();
void BuildMwAppPlot();
void FreeMStarSignalPlot();
void FreeMStarPlot();
void FreeLnCPlot();
void FreeMwAppPlot();
// Re-attaches every view to the sets' current arrays and fills the curves'
// ranges and the axis ranges.
void UpdateMwScreenPlots();

// The button panel (MwScreenPanel.cpp).
void BuildMwScreenPanel(TXLAWindow& window);
void FreeMwScreenPanel();
void UpdatePanelSetCaptions(TXLAWindow& window);
void MwScreenButtonClick(TXLAWindow& window, int index);
void MwScreenDragBasis(TXLAWindow& window, int mode, int leftX, int rightX);
CScreenButton* PanelButton(int index);

// The hinge-point dialogue (MwHingeInfo.cpp).
void ShowHingePointInfo(TXLAWindow& window);

// c(M) smoothing (MStarCMSmoothing.cpp).
void RunCMForMStar(TXLAWindow& window);
void ShowCMMoments(TXLAWindow& window);
// The five lines of the moments (rmsd, total loading signal, signal average
// Mw, standard deviation, Mz) and where they go, in window pixels.
std::vector<std::string> CMMomentTexts();
inline constexpr int kMomentTextX = 275, kMomentTextY = 30, kMomentTextStep = 20;

// The paint of the open screen, its hooks into the main window, and the
// mouse and key events the plot interaction hands it (MwScreenInput.cpp).
void InstallMwScreenHooks(TXLAWindow& window);
void RemoveMwScreenHooks(TXLAWindow& window);

// The command of the Equilibrium Tools menu and the copy commands.
void CmTransformEquilibriumDataMStar(TXLAWindow& window);
void CmCopyLnCData(TXLAWindow& window);
void CmCopyMStarData(TXLAWindow& window);
void CmCopyMavgData(TXLAWindow& window);
