#pragma once
// The small buttons drawn straight onto the main window's plots: the two
// systematic-noise buttons over the data plot, the integrate button on the
// distribution plot, the confirm/cancel pair where a cursor line was
// dropped, the scan and point edit buttons beside a picked point, the label
// naming the scan under the mouse and up to ten peak labels. Each lives in a
// program-wide slot, made on demand and deleted when it has served.

#include <array>
#include <memory>
#include <string_view>

#include "ui/CScreenButton.h"

class TXLAWindow;

inline constexpr int kMaxPeakLabels = 10;

struct PeakLabelRecord {
  float Sw = 0.0f;
  float Signal = 0.0f;
  float Fraction = 0.0f;
  int GridIndex = 0;
};

struct ScreenButtonsRecord {
  std::unique_ptr<CScreenButton> RemoveNoiseButton;
  std::unique_ptr<CScreenButton> RestoreTINoiseButton;
  std::unique_ptr<CScreenButton> IntegrateButton;
  std::unique_ptr<CScreenButton> MoveConfirmButton;
  std::unique_ptr<CScreenButton> MoveCancelButton;
  // Where the pair stood last, in plot-space units so that it survives a
  // change of the window size: the question form takes this place again.
  float PairAnchorX = 0.0f, PairAnchorY = 0.0f;

  std::unique_ptr<CScreenButton> EditScanButton;
  std::unique_ptr<CScreenButton> DeleteScanButton;
  std::unique_ptr<CScreenButton> CancelScanEditButton;
  std::unique_ptr<CScreenButton> DeletePointButton;
  std::unique_ptr<CScreenButton> NotepadPointButton;
  std::unique_ptr<CScreenButton> ScanNameLabel;

  // Slots 1..10 (slot 0 unused); a slot stays empty for a peak too small
  // to label, without reducing the count.
  std::array<std::unique_ptr<CScreenButton>, kMaxPeakLabels + 1> PeakLabels;
  std::array<PeakLabelRecord, kMaxPeakLabels + 1> PeakInfo{};
  int PeakLabelCount = 0;
  // Keep the labels across the next paint: after a peak report, and while
  // its box is open.
  bool PeakLabelsShown = false;
  bool PeakInfoBusy = false;
};

extern ScreenButtonsRecord ScreenButtons;

// The face every button of the main display shows when on.
platform::Color ScreenButtonOnColour();

// The two noise buttons: those missing are made and rendered; with a
// window, the plots are redrawn at once.
void PlaceNoiseButtons(TXLAWindow* window);
void RemoveNoiseButtons(TXLAWindow* window);
// The noise actions behind the buttons; each does nothing unless data are
// loaded and the noise was fitted (RI removal also not while files are
// updated in real time).
void ApplyRemoveNoiseButton(TXLAWindow& window);
void ApplyRestoreTINoiseButton(TXLAWindow& window);

// Logical width a caption needs on a button face (its text and the shaded
// border on either side), and the height of a caption line likewise.
float ButtonCaptionWidth(std::string_view caption);
float ButtonCaptionHeight();

// Width of the integrate button in logical units: as its layout says, or
// wider where its "select range" caption needs more.
float IntegrateButtonWidth();
void ShowIntegrateButton();
void HideIntegrateButton();
// "integrate" <-> "select range", rendered again.
void ToggleIntegrateButton();

// The confirm/cancel pair beside the window pixel (x, y); in the question
// form at the place remembered from the last showing. Painted at once.
void ShowMoveLimitsButtons(TXLAWindow& window, int x, int y);
// Deletes the pair; with a window and no equilibrium screen, redraws the
// plots.
void HideMoveLimitsButtons(TXLAWindow* window);
// Shows the pressed button for 0.1 s, then confirms or cancels the move.
void DelayedApplyCursorAction(TXLAWindow& window, bool apply);

// Removes the peak labels (putting back what lay under them).
void ClearPeakLabels(TXLAWindow* window);

// Replays every button of the slots onto a paint's canvas.
void PaintScreenButtons(platform::Canvas& canvas, platform::Size client);
// Deletes every button (a new window, tests).
void ResetScreenButtons();

// Makes a button of the main display: rectangle in plot-space units (first
// y edge, left, second y edge, right), captions, push or toggle, rendered.
std::unique_ptr<CScreenButton> MakeScreenButton(float top, float left, float bottom, float right,
                                                const std::string& caption,
                                                const std::string& onCaption, bool push);
