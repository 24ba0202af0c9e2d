#include "app/interaction/WindowDrawing.h"

#include <cmath>
#include <cstdio>

#include "app/window/TXLAWindow.h"
#include "state/MainPlotLayout.h"
#include "plot/PlotSettings.h"
#include "ui/CScreenButton.h"

float LogicalX(float px) {
  const float w = MainPlotLayout.ClientWidth;
  return w > 0 ? px * PlotSettings.AspectRatio * PlotSettings.PlotHeight / w : 0.0f;
}

float LogicalY(float py) {
  const float h = MainPlotLayout.ClientHeight;
  return h > 0 ? py * PlotSettings.PlotHeight / h : 0.0f;
}

int PixelColumn(float x) {
  const float units = PlotSettings.AspectRatio * PlotSettings.PlotHeight;
  return units > 0 ? static_cast<int>(std::lround(x * MainPlotLayout.ClientWidth / units)) : 0;
}

int PixelRow(float y) {
  return static_cast<int>(std::floor(y * MainPlotLayout.ClientHeight / PlotSettings.PlotHeight));
}

void WriteWindowText(TXLAWindow& window, int x, int y, const std::string& text) {
  if (window.Host() == nullptr) return;
  platform::Current().DrawWindowText(window.Handle(), x, y, text);
}

std::string FormatCursorValue(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%1.4f    ", static_cast<double>(value));
  return text;
}

void PaintButtonNow(TXLAWindow& window, const CScreenButton& button) {
  platform::WindowHost* host = window.Host();
  if (host == nullptr) return;
  button.Paint(host->ClientCanvas(), host->ClientSize());
  host->UpdateNow();
}

void ShowDirectDrawing(TXLAWindow& window) {
  if (window.Host() != nullptr) window.Host()->UpdateNow();
}
