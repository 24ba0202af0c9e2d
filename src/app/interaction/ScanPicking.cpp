#include "app/interaction/ScanPicking.h"

#include <cmath>
#include <filesystem>

#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/options/OptionBoxes.h"
#include "app/loading/LoadCommands.h"
#include "state/LoadOptions.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "data/RawDataSaves.h"
#include "display/MainPlots.h"
#include "display/ScanColours.h"
#include "display/WindowCoordinates.h"
#include "state/MainPlotLayout.h"
#include "ui/Boxes.h"

ScanEditStateRecord ScanEditState;

namespace {

bool HitTest(const CWINPlot* plot, const OneBasedArray<float>& values, int f, int x, int y, int tx,
             int ty, int& found) {
  const auto& d = ScanDataSet;
  if (plot == nullptr || f < 1 || f > d.NFILES) return false;
  const int n = std::min({d.ScanPointCount[f], static_cast<int>(d.ScanRadius[f].size()),
                          static_cast<int>(values.size())});
  for (int i = 1; i <= n; ++i) {
    const int px = plot->MapX(d.ScanRadius[f][i]);
    const int py = plot->MapY(values[i]);
    if (px - tx < x && x < px + tx && py - ty < y && y < py + ty) {
      found = i;
      return true;
    }
    if (x < px - kPointPickTolerance) return false;
  }
  return false;
}

float X(float px) {
  return LogicalX(px);
}
float Y(float py) {
  return LogicalY(py);
}

std::string PathOf(int fileIndex) {
  const std::string& name = ScanDataSet.ScanFilePaths[fileIndex];
  std::string folder = DataFileLocation.DataFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + name;
}

void RestoreAndDelete(TXLAWindow& window, std::unique_ptr<CScreenButton>& slot) {
  if (!slot) return;
  if (window.Host() != nullptr) slot->RestoreBackground(window.Host()->ClientCanvas());
  slot.reset();
}

void PressFeedback(TXLAWindow& window, const std::unique_ptr<CScreenButton>& slot) {
  if (!slot) return;
  PaintButtonNow(window, *slot);
  BusyWait(0.1f);
}

void ShowSavedButton(TXLAWindow& window, CScreenButton& b) {
  if (window.Host() == nullptr) return;
  b.SaveBackground(window.Host()->ClientCanvas());
}

// After a change of the files: the set is loaded again and shown with the
// zoom it had.
void ReloadAndRedraw(TXLAWindow& window) {
  if (window.Host()) window.Host()->SetCursor(platform::CursorShape::Wait);
  LoadingState.FileDialogOpen = true;
  ReloadFromList(window.Handle());
  LoadingState.FileDialogOpen = false;
  CWINPlot* plot = display::MainPlots.DataPlot.get();
  const auto& stack = DisplayRangeStack;
  if (plot != nullptr) {
    if (stack.Level > 0)
      plot->SetRanges(stack.MinRadius[stack.Level], stack.MaxRadius[stack.Level],
                      stack.MinSignal[stack.Level], stack.MaxSignal[stack.Level]);
    plot->Render();
  }
  if (window.Host()) window.Host()->SetCursor(platform::CursorShape::Arrow);
  RedrawPlotsNow(window);
}

}  // namespace

bool HitTestDataPoint(int f, int x, int y, int tx, int ty) {
  ScanEditState.PickedPointIndex = 0;
  if (f < 1 || f > ScanDataSet.NFILES) return false;
  return HitTest(display::MainPlots.DataPlot.get(), ScanDataSet.ScanSignal[f], f, x, y, tx, ty,
                 ScanEditState.PickedPointIndex);
}

bool HitTestResidualPoint(int f, int x, int y, int tx, int ty) {
  if (f < 1 || f > ScanDataSet.NFILES) return false;
  return HitTest(display::MainPlots.ResidualPlot.get(), ScanDataSet.ScanResiduals[f], f, x, y, tx,
                 ty, ScanEditState.PickedResidualPointIndex);
}

void PickScanAt(TXLAWindow& window, platform::Point point) {
  const auto& d = ScanDataSet;
  const int x = static_cast<int>(X(static_cast<float>(point.x)));
  const int y = static_cast<int>(Y(static_cast<float>(point.y)));
  const int tx = static_cast<int>(X(kPointPickTolerance));
  const int ty = static_cast<int>(Y(kPointPickTolerance));
  int rank = 0, found = 0;
  if (display::MainPlots.DataPlot)
    for (int i = 1; i <= d.NFILES && rank == 0; ++i)
      if (HitTestDataPoint(d.ScanTimeOrder[i], x, y, tx, ty)) {
        rank = i;
        found = ScanEditState.PickedPointIndex;
      }
  if (rank == 0 && display::MainPlots.ResidualPlot)
    for (int i = 1; i <= d.NFILES && rank == 0; ++i)
      if (HitTestResidualPoint(d.ScanTimeOrder[i], x, y, tx, ty)) {
        rank = i;
        found = ScanEditState.PickedResidualPointIndex;
      }
  if (ScreenButtons.CancelScanEditButton) HandleScanEditClick(window, 0);
  if (rank == 0) {
    WriteWindowText(window, 10, 50, "              ");
    WriteWindowText(window, 10, 70, "              ");
    return;
  }
  const int f = d.ScanTimeOrder[rank];
  char text[64];
  std::snprintf(text, sizeof text, "r = %1.4f    ", static_cast<double>(d.ScanRadius[f][found]));
  WriteWindowText(window, 10, 50, text);
  std::snprintf(text, sizeof text, "a = %1.4f    ", static_cast<double>(d.ScanSignal[f][found]));
  WriteWindowText(window, 10, 70, text);
  ScanEditState.Point = found;
  ShowScanEditButtons(window, point.x, point.y, rank);
}

void ShowScanEditButtons(TXLAWindow& window, int x, int y, int rank) {
  if (DlsDataMode) return;
  HideScanNameLabel(window);
  auto& e = ScanEditState;
  auto& s = ScreenButtons;
  const int point = e.Point;
  e.Rank = rank;
  e.Click = {x, y};
  const int f = ScanDataSet.ScanTimeOrder[rank];
  const std::string path = PathOf(f);
  const float cw = MainPlotLayout.ClientWidth, ch = MainPlotLayout.ClientHeight;
  const float h = 0.018f * ch;
  const int w = static_cast<int>((7.0f * static_cast<float>(path.size()) + 40.0f) * cw / 1400.0f + 10);
  const int g = 10;
  const bool left = X(static_cast<float>(x)) >= 1200.0f;
  const int a = left ? x - g - w : x + g;
  const int b = left ? x - g : x + g + w;
  e.PointButtonsRight = !left;
  e.PointButtonsAnchor = {left ? x - g - w - 2 : x + g + w + 2, y - 20};
  const auto row = [&](float top, float bottom) {
    return std::pair<float, float>{Y(std::trunc(y + top)), Y(std::trunc(y + bottom))};
  };
  const auto [t1, b1] = row(-1.5f * h, -0.5f * h);
  const auto [t2, b2] = row(-0.5f * h, 0.5f * h);
  const auto [t3, b3] = row(0.5f * h, 1.5f * h);
  s.EditScanButton = MakeScreenButton(t1, X(a), b1, X(b), "edit " + path + "?", "edit " + path + "?", false);
  s.DeleteScanButton =
      MakeScreenButton(t2, X(a), b2, X(b), "delete " + path + "?", "delete " + path + "?", false);
  s.CancelScanEditButton = MakeScreenButton(t3, X(a), b3, X(b), "cancel", "cancel", false);
  ShowSavedButton(window, *s.EditScanButton);
  ShowSavedButton(window, *s.DeleteScanButton);
  ShowSavedButton(window, *s.CancelScanEditButton);
  PaintButtonNow(window, *s.EditScanButton);
  CWINPlot* plot = display::MainPlots.DataPlot.get();
  if (plot != nullptr && window.Host() != nullptr && point >= 1) {
    const int px = display::ValueToWindowX(*plot, ScanDataSet.ScanRadius[f][point]);
    const int py = PixelRow(static_cast<float>(plot->MapY(ScanDataSet.ScanSignal[f][point])));
    s.EditScanButton->ShowMarker(window.Host()->ClientCanvas(), px, py, 4,
                                 platform::Rgb(255, 0, 0), display::ScanColour(f));
  }
  PaintButtonNow(window, *s.DeleteScanButton);
  PaintButtonNow(window, *s.CancelScanEditButton);
}

void HideScanEditButtons(TXLAWindow& window) {
  auto& s = ScreenButtons;
  ScanEditState.Rank = 0;
  RestoreAndDelete(window, s.DeleteScanButton);
  HidePointEditButtons(window);
  RestoreAndDelete(window, s.EditScanButton);
  RestoreAndDelete(window, s.CancelScanEditButton);
  ShowDirectDrawing(window);
}

void HandleScanEditClick(TXLAWindow& window, int which) {
  if (DlsDataMode) return;
  auto& s = ScreenButtons;
  auto& e = ScanEditState;
  switch (which) {
    case 0:
      PressFeedback(window, s.CancelScanEditButton);
      HideScanEditButtons(window);
      break;
    case 1:
      PressFeedback(window, s.EditScanButton);
      ShowPointEditButtons(window, e.PointButtonsAnchor.x, e.PointButtonsAnchor.y,
                           e.PointButtonsRight);
      break;
    case 2: {
      PressFeedback(window, s.DeleteScanButton);
      const int rank = e.Rank;
      if (rank >= 1 && rank <= ScanDataSet.NFILES)
        ReloadAfterScanEdit(window, ScanDataSet.ScanTimeOrder[rank]);
      HideScanEditButtons(window);
      break;
    }
    default:
      break;
  }
}

void ShowPointEditButtons(TXLAWindow& window, int x, int y, bool rightSide) {
  if (DlsDataMode) return;
  HidePointEditButtons(window);
  auto& s = ScreenButtons;
  const int h = static_cast<int>(0.018f * MainPlotLayout.ClientHeight);
  const int w = static_cast<int>(98 * static_cast<int>(MainPlotLayout.ClientWidth) / 1400 + 10);
  const int a = rightSide ? x : x - 1 - w;
  const int b = rightSide ? x + w : x - 1;
  s.DeletePointButton = MakeScreenButton(Y(static_cast<float>(y - 1 - h)), X(static_cast<float>(a)),
                                         Y(static_cast<float>(y - 1)), X(static_cast<float>(b)),
                                         "delete point?", "delete point?", false);
  s.NotepadPointButton = MakeScreenButton(Y(static_cast<float>(y)), X(static_cast<float>(a)),
                                          Y(static_cast<float>(y + h)), X(static_cast<float>(b)),
                                          "-> notepad?", "-> notepad?", false);
  ShowSavedButton(window, *s.DeletePointButton);
  ShowSavedButton(window, *s.NotepadPointButton);
  PaintButtonNow(window, *s.DeletePointButton);
  PaintButtonNow(window, *s.NotepadPointButton);
}

void HidePointEditButtons(TXLAWindow& window) {
  RestoreAndDelete(window, ScreenButtons.DeletePointButton);
  RestoreAndDelete(window, ScreenButtons.NotepadPointButton);
}

void EditScanInNotepad(TXLAWindow& window, int which) {
  if (DlsDataMode) return;
  BuildFileNameList(0);
  auto& s = ScreenButtons;
  PressFeedback(window, which == 1 ? s.DeletePointButton : s.NotepadPointButton);
  const int rank = ScanEditState.Rank;
  const int point = ScanEditState.Point;
  HideScanEditButtons(window);
  if (rank < 1 || rank > ScanDataSet.NFILES) return;
  const int f = ScanDataSet.ScanTimeOrder[rank];
  if (which == 1) {
    SaveEditedScan(window, f, point);
    return;
  }
  if (which != 2) return;
  const std::string path = FileNameList.Paths[rank];
  if (!platform::Current().OpenInTextEditor(path)) {
    ShowOkBox(window, "no text editor could be started for " + path, "");
    return;
  }
  if (AskYesNoBox(window, "reload scans for changes to take effect?", ""))
    ReloadAndRedraw(window);
}

void ReloadAfterScanEdit(TXLAWindow& window, int fileIndex) {
  BuildFileNameList(fileIndex);
  ReloadFromList(window.Handle());
  ScanDataSet.DataChanged = true;
}

void SaveEditedScan(TXLAWindow& window, int fileIndex, int point) {
  auto& d = ScanDataSet;
  if (fileIndex < 1 || fileIndex > d.NFILES || point < 1 || point > d.ScanPointCount[fileIndex])
    return;
  const auto& g = CommonRadialGrid;
  if (g.CommonGridSize >= 2 && g.CommonGrid[2] - g.CommonGrid[1] > 0.00101f &&
      !AskYesNoBox(window, "data are pre-averaged - continue anyway?", ""))
    return;
  const bool overwrite = AskYesNoBox(window, "overwrite original scan?", "");
  if (window.Host()) window.Host()->SetCursor(platform::CursorShape::Wait);
  // Writes the scan without the point and names the copy in the list.
  if (!SaveModifiedScan(fileIndex, point, overwrite)) {
    if (window.Host()) window.Host()->SetCursor(platform::CursorShape::Arrow);
    return;
  }
  ReloadAndRedraw(window);
}

void ShowScanNameLabel(TXLAWindow& window, int rank, int x, int y) {
  auto& e = ScanEditState;
  auto& s = ScreenButtons;
  if (s.ScanNameLabel && e.LabelRank == rank) return;
  HideScanNameLabel(window);
  e.LabelAnchor = {x, y};
  e.LabelRank = rank;
  const std::string text = ScanDataSet.ScanFilePaths[ScanDataSet.ScanTimeOrder[rank]];
  const int h = static_cast<int>(0.018f * MainPlotLayout.ClientHeight);
  const int w = static_cast<int>(8.0f * static_cast<float>(text.size()) * MainPlotLayout.ClientWidth /
                                     1400.0f + 5);
  const bool left = X(static_cast<float>(x)) >= 1300.0f;
  const int a = left ? x - 1 - w : x + 1;
  const int b = left ? x - 1 : x + 1 + w;
  auto label = std::make_unique<CScreenButton>();
  label->SetRect(Y(static_cast<float>(y - h)), X(static_cast<float>(a)), Y(static_cast<float>(y - 1)),
                 X(static_cast<float>(b)));
  label->SetCaptions(text, static_cast<int>(text.size()), text, static_cast<int>(text.size()));
  label->AlignBaseline();
  label->SetBold();
  label->LabelStyle = true;
  label->TextColour = platform::kBlack;
  label->FaceColourOff = display::ScanColour(ScanDataSet.ScanTimeOrder[rank]);
  label->Render();
  if (window.Host() != nullptr) {
    label->SaveBackground(window.Host()->ClientCanvas());
    label->Paint(window.Host()->ClientCanvas(), window.Host()->ClientSize());
  }
  s.ScanNameLabel = std::move(label);
  ShowDirectDrawing(window);
}

void HideScanNameLabel(TXLAWindow& window) {
  auto& s = ScreenButtons;
  auto& e = ScanEditState;
  if (s.ScanNameLabel) {
    RestoreAndDelete(window, s.ScanNameLabel);
    ShowDirectDrawing(window);
  }
  e.LabelAnchor = {};
  e.LabelRank = 0;
}
