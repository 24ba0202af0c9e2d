// The Mw/M* screen in the main window: its paint in place of the main plots,
// the panel's share of the mouse and keys, the model commands' close, and
// its commands.

#include "app/equilibrium/MwScreenInput.h"

#include <string>
#include <vector>

#include "app/commands/CommandTable.h"
#include "app/equilibrium/MwScreen.h"
#include "app/models/ModelCommandSupport.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/CursorLineDrawing.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/ScreenModes.h"
#include "equilibrium/MStarTransform.h"
#include "state/ModelParameters.h"
#include "state/Links.h"

namespace {

bool Open() {
  return ScreenModes.MStarScreenActive && MStarScreen.SignalPlot != nullptr &&
         display::MainPlots.DataPlot.get() == MStarScreen.SignalPlot;
}

void RenderAndReplay(CWINPlot* plot, platform::Canvas& dc) {
  if (!plot) return;
  plot->Render();
  plot->hMetaFile.Play(dc);
}

// The four plots, the lines of the fit limits, meniscus and bottom over the
// signal plot, the panel and the c(M) moments.
void PaintMwScreen(TXLAWindow& window, platform::Canvas& dc) {
  auto& screen = MStarScreen;
  CWINPlot& signal = *screen.SignalPlot;
  RenderAndReplay(&signal, dc);
  const auto& d = ScanDataSet;
  const auto& m = ModelParameters;
  using K = CursorLineKind;
  const std::pair<float, K> lines[] = {{d.FitLeftLim, K::FitLeftLine},
                                       {d.FitRightLim, K::FitRightLine},
                                       {m.Meniscus, K::MeniscusLine},
                                       {m.Bottom, K::BottomLine}};
  for (const auto& [value, kind] : lines)
    if (value != 0.0f)
      display::DrawCursorLine(dc, display::ValueToWindowX(signal, value),
                              display::CursorLineColour(kind));
  RenderAndReplay(screen.MStarPlot.get(), dc);
  RenderAndReplay(screen.LnCPlot.get(), dc);
  RenderAndReplay(screen.MwAppPlot.get(), dc);
  const platform::Size client =
      window.Host() ? window.Host()->ClientSize() : platform::Size{1400, 1000};
  for (const auto& button : screen.PanelButtons)
    if (button) button->Paint(dc, client);
  if (MStarSettings.CMSmoothing) {
    dc.Save();
    dc.SetMapMode(platform::MapMode::Text);
    dc.SetWindowOrigin({0, 0});
    dc.SetViewportOrigin({0, 0});
    dc.SetTextAlign({platform::HAlign::Left, platform::VAlign::Top});
    const std::vector<std::string> texts = CMMomentTexts();
    for (std::size_t k = 0; k < texts.size(); ++k)
      dc.TextOut({kMomentTextX, kMomentTextY + kMomentTextStep * static_cast<int>(k)}, texts[k]);
    dc.Restore();
  }
}

}  // namespace

bool MwScreenLeftClick(TXLAWindow& window, float x, float y) {
  if (!Open()) return false;
  auto& buttons = MStarScreen.PanelButtons;
  for (std::size_t i = 1; i < buttons.size(); ++i) {
    if (!buttons[i] || !buttons[i]->HitTest(x, y)) continue;
    MwScreenButtonClick(window, static_cast<int>(i));
    return true;
  }
  return false;
}

bool MwScreenRightDrag(TXLAWindow& window, int leftX, int rightX) {
  if (!Open()) return false;
  if (MStarScreen.MeniscusDragPending) {
    MwScreenDragBasis(window, 1, leftX, rightX);
    return true;
  }
  if (MStarScreen.BottomDragPending) {
    MwScreenDragBasis(window, 4, leftX, rightX);
    return true;
  }
  return false;
}

bool MwScreenEscape(TXLAWindow& window) {
  if (!ScreenModes.MStarScreenActive) return false;
  if ((MStarScreen.MeniscusDragPending || MStarScreen.BottomDragPending) && window.Host())
    window.Host()->SetCursor(platform::CursorShape::Arrow);
  MStarScreen.MeniscusDragPending = MStarScreen.BottomDragPending = false;
  CloseMStarScreen(window);
  return true;
}

void MwScreenLinesMoved(TXLAWindow& window) {
  if (Open()) MwScreenButtonClick(window, 0);
}

void InstallMwScreenHooks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  auto& links = display::MainDisplayLinks;
  auto previousLayer = links.PaintToolLayer;
  links.PaintToolLayer = [w, previousLayer](platform::Canvas& dc) {
    if (Open()) {
      PaintMwScreen(*w, dc);
      return display::ToolLayer::Screen;
    }
    return links::IsInstalled(previousLayer) ? previousLayer(dc) : display::ToolLayer::None;
  };
  auto previousExist = links.ToolPlotsExist;
  links.ToolPlotsExist = [previousExist] {
    return Open() || (links::IsInstalled(previousExist) && previousExist());
  };
  ModelCommandLinks.MwScreenOpen = [] { return ScreenModes.MStarScreenActive; };
  ModelCommandLinks.CloseMwScreen = [](TXLAWindow& win) { CloseMwScreen(win); };
}

void RemoveMwScreenHooks(TXLAWindow&) {
  ReleaseMwScreenSilently();
}

void RegisterEquilibriumScreenCommands(CommandTable& table) {
  table.Add(896, &CmTransformEquilibriumDataMStar, false, "CmTransformEquilibriumDataMStar");
  table.Add(918, &CmCopyLnCData, false, "CmCopyLnCData");
  table.Add(919, &CmCopyMStarData, false, "CmCopyMStarData");
  table.Add(920, &CmCopyMavgData, false, "CmCopyMavgData");
}
