#include "app/interaction/ScreenButtons.h"

#include <algorithm>
#include <cmath>

#include "app/interaction/CursorActions.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/WindowDrawing.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/SystematicNoiseEdits.h"
#include "display/ClientPixels.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "platform/TextEstimate.h"
#include "plot/PlotSettings.h"
#include "ui/Boxes.h"

ScreenButtonsRecord ScreenButtons;

namespace {

// The caption whose length sizes both noise buttons.
constexpr int kNoiseCaptionLength = 16;
// The question's length sizes the pair in both of its forms.
constexpr int kQuestionLength = 21;

void RestoreAndDelete(TXLAWindow* window, std::unique_ptr<CScreenButton>& slot) {
  if (!slot) return;
  if (window != nullptr && window->Host() != nullptr && slot->BackgroundSaved)
    slot->RestoreBackground(window->Host()->ClientCanvas());
  slot.reset();
}

// The text box of a caption in the buttons' font, in logical units (the
// font is given in them).
platform::TextBox ButtonCaptionBox(std::string_view caption) {
  const platform::Font f = ButtonFont(false);
  platform::DeviceFont font;
  font.height = f.height;
  font.weight = f.weight;
  font.family = f.family;
  return platform::EstimateText(caption, font);
}

}  // namespace

float ButtonCaptionWidth(std::string_view caption) {
  // Two border columns and a few clear ones on each side: the estimate can
  // be off by a pixel or two either way.
  return static_cast<float>(ButtonCaptionBox(caption).width + 12.0);
}

float ButtonCaptionHeight() {
  const platform::TextBox box = ButtonCaptionBox("Mg");
  return static_cast<float>(box.ascent + box.descent + 2.0);
}

platform::Color ScreenButtonOnColour() {
  return platform::Rgb(255, 150, 150);
}

std::unique_ptr<CScreenButton> MakeScreenButton(float top, float left, float bottom, float right,
                                                const std::string& caption,
                                                const std::string& onCaption, bool push) {
  auto b = std::make_unique<CScreenButton>();
  b->Kind = push ? 1 : 2;
  b->SetRect(top, left, bottom, right);
  b->SetCaptions(caption, static_cast<int>(caption.size()), onCaption,
                 static_cast<int>(onCaption.size()));
  b->FaceColourOn = ScreenButtonOnColour();
  b->Render();
  return b;
}

void PlaceNoiseButtons(TXLAWindow* window) {
  auto& s = ScreenButtons;
  // The layout's sizes shrink with the window while the caption keeps its
  // logical size, so in a window narrower or lower than 1400 x 1000 the
  // captions were cut; the buttons grow as far as their captions need.
  const float h = std::max(0.018f * MainPlotLayout.ClientHeight, ButtonCaptionHeight());
  const float w =
      std::max(60.0f + 3.0f * kNoiseCaptionLength * MainPlotLayout.ClientWidth / 1400.0f,
               ButtonCaptionWidth("remove TI and RI"));
  if (!s.RemoveNoiseButton)
    s.RemoveNoiseButton = MakeScreenButton(49 - 2 * h, 1355 - w, 48 - h, 1355,
                                           "remove TI and RI", "remove TI and RI", true);
  if (!s.RestoreTINoiseButton)
    s.RestoreTINoiseButton = MakeScreenButton(49 - h, 1355 - w, 48, 1355, "restore TI noise",
                                              "restore TI noise", true);
  if (window != nullptr) RedrawPlotsNow(*window);
}

void RemoveNoiseButtons(TXLAWindow* window) {
  ScreenButtons.RemoveNoiseButton.reset();
  ScreenButtons.RestoreTINoiseButton.reset();
  if (window != nullptr) RedrawPlotsNow(*window);
}

void ApplyRemoveNoiseButton(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0 || !ModelParameters.RINoiseFitted) return;
  SubtractAllSystematicNoise();
  RedrawPlotsNow(window);
}

void ApplyRestoreTINoiseButton(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0 || !FitControl.TINoiseFitted) return;
  RestoreTINoise();
  RedrawPlotsNow(window);
}

float IntegrateButtonWidth() {
  const float wi = 50.0f + 30.0f * MainPlotLayout.ClientWidth / 1400.0f;
  // The width fits "integrate"; the button's other caption, "select range",
  // is longer and would be cut, so the button widens as far as it needs.
  return std::max(wi, ButtonCaptionWidth("select range"));
}

void ShowIntegrateButton() {
  auto& s = ScreenButtons;
  if (s.IntegrateButton) return;
  const float hi = 10.0f + 0.018f * MainPlotLayout.ClientHeight;
  const float wi = IntegrateButtonWidth();
  s.IntegrateButton = MakeScreenButton(629 - hi, 1355 - wi, 628, 1355, "integrate",
                                       "select range", false);
}

void HideIntegrateButton() {
  ScreenButtons.IntegrateButton.reset();
}

void ToggleIntegrateButton() {
  if (!ScreenButtons.IntegrateButton) return;
  ScreenButtons.IntegrateButton->Toggle();
  ScreenButtons.IntegrateButton->Render();
}

void ShowMoveLimitsButtons(TXLAWindow& window, int x, int y) {
  auto& s = ScreenButtons;
  const bool question = LineMoveState.RangeQuestionShown;
  if (question) {
    x = PixelColumn(s.PairAnchorX);
    y = static_cast<int>(std::lround(s.PairAnchorY * MainPlotLayout.ClientHeight /
                                     PlotSettings.PlotHeight));
  }
  s.PairAnchorX = LogicalX(static_cast<float>(x));
  s.PairAnchorY = LogicalY(static_cast<float>(y));
  const int h = static_cast<int>(0.018f * MainPlotLayout.ClientHeight);
  const float widthFactor = question ? 6.0f : 2.5f;
  const int w =
      static_cast<int>(kQuestionLength * widthFactor * MainPlotLayout.ClientWidth / 1400.0f + 5);
  const bool leftOfAnchor = LogicalX(static_cast<float>(x)) >= 1250.0f;
  const int left = leftOfAnchor ? x - w : x + 1;
  const int right = leftOfAnchor ? x - 1 : x + w;
  const auto X = [](int px) { return LogicalX(static_cast<float>(px)); };
  const auto Y = [](int py) { return LogicalY(static_cast<float>(py)); };
  const std::string caption = question ? "move fit limits, too?" : "confirm";
  if (!s.MoveConfirmButton)
    s.MoveConfirmButton =
        MakeScreenButton(Y(y - 1 - h), X(left), Y(y - 1), X(right), caption, caption, false);
  if (!s.MoveCancelButton)
    s.MoveCancelButton =
        MakeScreenButton(Y(y), X(left), Y(y + h), X(right), "cancel", "cancel", false);
  PaintButtonNow(window, *s.MoveConfirmButton);
  PaintButtonNow(window, *s.MoveCancelButton);
}

void HideMoveLimitsButtons(TXLAWindow* window) {
  ScreenButtons.MoveConfirmButton.reset();
  ScreenButtons.MoveCancelButton.reset();
  if (window != nullptr && !ScreenModes.MStarScreenActive) RedrawPlotsNow(*window);
}

void DelayedApplyCursorAction(TXLAWindow& window, bool apply) {
  auto& s = ScreenButtons;
  if (!s.MoveConfirmButton || !s.MoveCancelButton) return;
  PaintButtonNow(window, apply ? *s.MoveConfirmButton : *s.MoveCancelButton);
  BusyWait(0.1f);
  ApplyCursorAction(window, apply);
}

void ClearPeakLabels(TXLAWindow* window) {
  auto& s = ScreenButtons;
  if (s.PeakLabelCount > 0) {
    for (int i = kMaxPeakLabels; i >= 1; --i) {
      s.PeakInfo[i] = PeakLabelRecord{};
      RestoreAndDelete(window, s.PeakLabels[i]);
    }
    s.PeakLabelCount = 0;
    if (window != nullptr) ShowDirectDrawing(*window);
  }
  s.PeakLabelsShown = false;
}

void PaintScreenButtons(platform::Canvas& canvas, platform::Size client) {
  auto& s = ScreenButtons;
  for (const auto* slot :
       {&s.RemoveNoiseButton, &s.RestoreTINoiseButton, &s.IntegrateButton, &s.MoveConfirmButton,
        &s.MoveCancelButton, &s.EditScanButton, &s.DeleteScanButton, &s.CancelScanEditButton,
        &s.DeletePointButton, &s.NotepadPointButton})
    if (*slot) (*slot)->Paint(canvas, client);
  // Labels are kept by one repaint only (the one after a peak report):
  // later paints remove them, so numbers of a distribution that a new run
  // has replaced never stay on the plot.
  if (!s.PeakLabelsShown && !s.PeakInfoBusy) return;
  for (int i = 1; i <= s.PeakLabelCount && i <= kMaxPeakLabels; ++i)
    if (s.PeakLabels[i]) s.PeakLabels[i]->Paint(canvas, client);
  s.PeakLabelsShown = false;
}

void ResetScreenButtons() {
  ScreenButtons = ScreenButtonsRecord{};
}
