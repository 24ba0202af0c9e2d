#include "app/commands/CtotCommands.h"

#include <cmath>
#include <string>

#include "app/commands/CommandTable.h"
#include "app/options/OptionBoxes.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/DirectRedraws.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "distributions/CtotMovie.h"
#include "plot/CWINPlot.h"

namespace {

constexpr const char* kFilesCaption = "select NONIDEAL CTOT DATA files";
constexpr int kCurveStyle = -1;  // connected points, no symbols

std::vector<platform::FileFilter> CtotFilters() {
  return {{"ctot files (~*.ctot)", {"*.ctot"}}};
}

bool FieldInUse() {
  return CtotMovieLinks.FieldInUse && CtotMovieLinks.FieldInUse();
}

// The frames to draw: those loaded, or else the model's field in use,
// turned into frames; null when there are neither.
CCtotMovie* FramesToDraw() {
  if (pCtotMovie && pCtotMovie->Loaded) return pCtotMovie.get();
  if (!FieldInUse() || !CtotMovieLinks.FillFromField) return nullptr;
  EnsureCtotMovie();
  CtotMovieLinks.FillFromField();
  return pCtotMovie->Loaded ? pCtotMovie.get() : nullptr;
}

}  // namespace

void LoadCtotDataFiles(TXLAWindow& window) {
  const DialogBusyScope busy(window);
  std::string path = DataFileLocation.TempParameterFilePath;
  if (pCtotMovie && !pCtotMovie->FileName.empty()) {
    if (AskYesNoBox(window, "keep " + pCtotMovie->FileName + " ?", "NONIDEAL CTOT DATA")) return;
    path = pCtotMovie->FileName;
  }
  EnsureCtotMovie();
  if (!ChooseFileName(window, false, path, 260, kFilesCaption, "ctot", CtotFilters())) {
    ShowOkBox(window, "sorry could not identify valid file", kFilesCaption,
              platform::BoxIcon::None);
    return;
  }
  if (!pCtotMovie->Read(path))
    ShowOkBox(window, "sorry loading CTOT DATA file failed", kFilesCaption,
              platform::BoxIcon::None);
}

void SaveCtotDataFile(TXLAWindow& window) {
  const DialogBusyScope busy(window);
  if (!pCtotMovie || !pCtotMovie->Loaded) return;
  std::string path = !pCtotMovie->FileName.empty()
                         ? pCtotMovie->FileName
                         : DataFileLocation.TempParameterFilePath + ".ctot";
  if (!ChooseFileName(window, true, path, 260, "select NONIDEAL CTOT DATA file", "ctot",
                      CtotFilters())) {
    ShowOkBox(window, "sorry could not find destination CTOT DATA file", kFilesCaption,
              platform::BoxIcon::None);
    return;
  }
  if (!pCtotMovie->SaveAs(path))
    ShowOkBox(window, "sorry could not save CTOT DATA file", kFilesCaption,
              platform::BoxIcon::None);
}

void CmClearMeanFieldCtot(TXLAWindow&) {
  DeleteCtotMovie();
}

void AskResetCtot(TXLAWindow& window) {
  if (pCtotMovie && AskYesNoBox(window, "reset mean field ctot data?", "LOAD FILES"))
    DeleteCtotMovie();
}

void ShowCtotOverlay(TXLAWindow& window) {
  // After a non-ideal c(s) run the model's field is what the user wants to
  // see, whether or not it was ever exported as frames.
  if (!(pCtotMovie && pCtotMovie->Loaded) && !FieldInUse()) return;
  CtotOverlayShown = true;
  InvalidateMainWindow(window);
}

bool HideCtotOverlay(TXLAWindow& window) {
  if (!CtotOverlayShown) return false;
  CtotOverlayShown = false;
  InvalidateMainWindow(window);
  return true;
}

void DrawCtotOverlay(TXLAWindow& window, platform::Canvas& dc) {
  if (!CtotOverlayShown) return;
  CWINPlot* plot = display::MainPlots.DataPlot.get();
  if (plot == nullptr) return;
  CCtotMovie* movie = FramesToDraw();
  if (movie == nullptr || movie->FrameCount < 1 || movie->RadiusCount < 1) return;
  // The profiles (mg/ml) must fit the data plot's signal axis: widen it
  // once, and draw in the paint that shows the widened plot.
  const float a = movie->Frames[1][movie->RadiusCount];
  float lo = plot->fYMin, hi = plot->fYMax;
  if (std::isfinite(a) && a > 0) {
    const bool widen = lo > 0 || hi < a;
    if (lo > 0) lo = -0.05f * a;
    if (hi < a) hi = 1.1f * a;
    if (widen) {
      plot->SetRanges(plot->fXMin, plot->fXMax, lo, hi);
      plot->Render();
      // Only when the plot took the range: a plot that will not show it
      // would otherwise be widened at every paint.
      if (plot->fYMin <= 0 && plot->fYMax >= a) {
        InvalidateMainWindow(window);
        return;
      }
    }
  }
  for (int k = 1; k <= movie->FrameCount; ++k) {
    const platform::Metafile frame = plot->RenderOverlayArrays(
        movie->Radii.data(), movie->Frames[k], movie->RadiusCount, platform::Rgb(100, 100, 244),
        kCurveStyle, 1);
    display::ReplayInPlotSpace(dc, window.Host() ? window.Host()->ClientSize() : platform::Size{},
                               frame);
  }
}

void InstallCtotOverlay(TXLAWindow& window) {
  display::MainDisplayLinks.DrawCtotOverlay = [&window](platform::Canvas& dc) {
    DrawCtotOverlay(window, dc);
  };
}

void RemoveCtotOverlay() {
  display::MainDisplayLinks.DrawCtotOverlay = links::Unwired;
  CtotOverlayShown = false;
}

void RegisterCtotCommands(CommandTable& table) {
  table.Add(1103, &LoadCtotDataFiles, false, "CmRestoreMeanFieldCtot");
  table.Add(1104, &SaveCtotDataFile, false, "CmExportMeanFieldCtot");
  table.Add(1105, &ShowCtotOverlay, false, "CmDisplayCtot");
  table.Add(1106, &CmClearMeanFieldCtot, false, "CmClearMeanFieldCtot");
}
