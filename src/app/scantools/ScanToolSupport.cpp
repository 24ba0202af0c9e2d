#include "app/scantools/ScanToolSupport.h"

#include "app/commands/CommandTable.h"
#include "app/options/OptionBoxes.h"
#include "app/window/TXLAWindow.h"
#include "state/LoadOptions.h"
#include "state/DisplayState.h"
#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"

namespace {
// The data menu's "Save Raw Data Set" command.
constexpr int kSaveRawDataSetCommand = 263;
}  // namespace

bool Ask(TXLAWindow& window, const std::string& text, const std::string& caption) {
  return AskYesNoBox(window, text, caption);
}

void Tell(TXLAWindow& window, const std::string& text, const std::string& caption) {
  ShowOkBox(window, text, caption);
}

bool AskNumber(TXLAWindow& window, float& value, const char* prompt, const char* caption) {
  return EnterNumberBox(window, value, value, prompt, caption);
}

bool AskNumber(TXLAWindow& window, double& value, const char* prompt, const char* caption) {
  float v = static_cast<float>(value);
  if (!EnterNumberBox(window, v, v, prompt, caption)) return false;
  value = v;
  return true;
}

void OfferToSaveScans(TXLAWindow& window, const char* question) {
  if (Ask(window, question, "")) DispatchCommand(window, kSaveRawDataSetCommand);
}

void RenderAndRepaint(TXLAWindow& window) {
  if (RenderDataPlot) RenderDataPlot(false);
  Repaint(window);
}

void Repaint(TXLAWindow& window) {
  RepaintMainWindow(window.Handle());
}

void RenderToolPlot(CWINPlot& plot) {
  PlotSettingsRecord& s = PlotSettings;
  platform::Font* fonts[] = {&s.hTickLabelFont, &s.hTitleFont, &s.hYTitleFont};
  const platform::Font saved[] = {s.hTickLabelFont, s.hTitleFont, s.hYTitleFont};
  for (platform::Font* f : fonts) {
    f->height = 25;
    f->weight = 400;
    f->italic = f->underline = f->strikeOut = false;
    f->family = platform::FontFamily::Roman;
    f->faceName.clear();
  }
  plot.SetAutoRanges();
  plot.Render();
  for (int i = 0; i < 3; ++i) *fonts[i] = saved[i];
}
