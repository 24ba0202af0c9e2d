#pragma once
// A push or toggle button, or a plain label, drawn over the plots of the
// main window and of tool screens; it is not a window of its own. It lives
// in the plots' logical space (1399 x 1000 units with the standard aspect, y
// growing downwards), renders itself once into a metafile in that space and
// replays the metafile whenever the window is painted, so it scales with the
// window. It can also keep the window pixels under itself and put them back,
// and show a circular marker straight in window pixels.
//
// The window side is a canvas: the window keeps one persistent backing
// canvas in its pixel mapping, onto which pictures are replayed and into
// which direct drawing goes.

#include <functional>
#include <string>
#include <string_view>

#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Metafile.h"
#include "platform/RgbImage.h"

class CScreenButton {
 public:
  CScreenButton();

  int Kind = 2;  // 1 push button, 2 toggle button
  bool On = false;
  // Drawn as a label: white face and a double outline in FaceColourOff.
  bool LabelStyle = false;
  bool BaselineAligned = false;
  bool BaselineRaised = false;  // on the baseline and 2 units higher
  bool Hidden = false;          // not drawn, rendered, painted or hit
  std::string Caption = "ScreenButton";
  std::string OnCaption = "ON STATE";
  // Room for each caption, without a terminator.
  int CaptionLimit = 1000;
  platform::Color LightColour = platform::Rgb(220, 220, 220);
  platform::Color DarkColour = platform::Rgb(100, 100, 100);
  platform::Color MidColour = platform::Rgb(150, 150, 150);
  platform::Color FaceColourOff = platform::Rgb(200, 200, 200);
  platform::Color FaceColourOn = platform::Rgb(230, 230, 230);
  platform::Color TextColour = platform::Rgb(0, 0, 150);
  bool Bold = false;
  platform::Metafile Picture;
  bool OwnsPicture = false;
  int RectRight = 0, RectLeft = 0, RectTop = 0, RectBottom = 0;
  int MarkerX = 0, MarkerY = 0, MarkerRadius = 0;
  platform::Color MarkerDotColour;
  bool BackgroundSaved = false;
  platform::RgbImage Background;
  // Where the background came from, in window pixels.
  platform::Rect BackgroundRect;

  // Each bound floored.
  void SetRect(float top, float left, float bottom, float right);
  // Keeps at most CaptionLimit - 1 characters of each text, and never more
  // than the text holds.
  void SetCaptions(std::string_view caption, int captionLength, std::string_view onCaption,
                   int onCaptionLength);
  void SetBold() { Bold = true; }
  void AlignBaseline() { BaselineAligned = true; }
  void AlignBaselineRaised() { BaselineRaised = true; }

  // Face, edges and caption in the canvas's logical space; nothing when
  // hidden. True.
  bool Draw(platform::Canvas& dc) const;
  // Draw into a new picture of the plot space, which replaces the old one.
  bool Render();
  // Replays the picture stretched over the client area.
  void Paint(platform::Canvas& window, platform::Size client) const;
  // The point in units of the plot height on both axes; x is scaled by the
  // aspect. Bounds inclusive, in either order; a toggle button hit toggles.
  bool HitTest(float x, float y);
  void Toggle();

  // A ring of three pixels in colour around a white disc at a window pixel;
  // hiding it leaves a small dot of dotColour.
  void ShowMarker(platform::Canvas& window, int x, int y, int radius, platform::Color colour,
                  platform::Color dotColour);
  void HideMarker(platform::Canvas& window, int x, int y, int radius);

  // The window pixels under the button (with a small margin), converted with
  // the client size the last paint recorded; both true.
  bool SaveBackground(platform::Canvas& window);
  bool RestoreBackground(platform::Canvas& window);

  // Only the current caption, placed as Draw places it but in window pixels
  // without a mapping, in TextColour or in white.
  void DrawCaption(platform::Canvas& window) const;
  void DrawCaptionWhite(platform::Canvas& window) const;

 protected:
  // Face and edges on the button rectangle (Draw without the caption).
  void DrawFace(platform::Canvas& dc) const;
  void DrawCaptionText(platform::Canvas& dc, platform::Color colour) const;
  void ReplacePicture(platform::Metafile picture);
};

// A picture of the plot space (window extent the plot space's width and
// height) holding whatever draw puts in it.
platform::Metafile RecordPlotSpacePicture(const std::function<void(platform::Canvas&)>& draw);

// The platform's simple default beep.
void ButtonBeep();

// The two caption fonts every button shares: normal or bold.
platform::Font ButtonFont(bool bold);
