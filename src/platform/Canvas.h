#pragma once
// The drawing surface every picture of the program is drawn on: plots record
// into metafiles through it, windows replay those metafiles onto a raster
// canvas, and direct drawing (cursor lines, progress bars, button faces) goes
// to the same raster canvas outside any paint cycle.
//
// The model is that of a classic device context. A canvas holds a state:
// the selected pen, brush and font, text and background colours, background
// mode, text alignment, raster operation, mapping, clip rectangle and current
// position. Drawing calls take logical coordinates, which the mapping turns
// into device pixels. Save and Restore push and pop the whole state.
//
// Pixel conventions: a line leaves out its last point (so a polyline that
// returns to its start touches every pixel once), and a shape on a rectangle
// covers columns left .. right - 1 and rows top .. bottom - 1. Outlines use
// the pen, insides the brush; a null pen or brush leaves that part undrawn.

#include <span>
#include <string_view>

#include "platform/Color.h"
#include "platform/DrawingTools.h"
#include "platform/Geometry.h"
#include "platform/RgbImage.h"

namespace platform {

// Opaque fills the cell behind text (and the gaps of dashed pens) with the
// background colour; transparent leaves them.
enum class BackgroundMode { Transparent, Opaque };

// How drawn pixels combine with those already there. Not inverts the
// destination whatever the pen colour, so drawing the same line twice
// restores the picture (cursor lines, rubber bands); XorPen combines the pen
// colour with the destination by exclusive or, also undone by a second pass.
enum class RasterOp { CopyPen, Not, XorPen };

// Text: one logical unit is one pixel, y grows downwards (the default).
// Anisotropic: window extent and origin map onto viewport extent and origin,
// each axis scaled on its own. Isotropic: the same, but the viewport extent is
// shrunk on one axis so that both axes get the same scale (the picture keeps
// its aspect, anchored at the viewport origin).
enum class MapMode { Text, Isotropic, Anisotropic };

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Baseline, Bottom };

// Where the reference point of a text lies on it. With updateCurrentPosition
// the text starts at the current position instead of the given point, and
// the current position then moves to the end of the text (left alignment), its
// start (right alignment) or stays (centred).
struct TextAlign {
  HAlign horizontal = HAlign::Left;
  VAlign vertical = VAlign::Top;
  bool updateCurrentPosition = false;

  friend bool operator==(const TextAlign&, const TextAlign&) = default;
};

class Canvas {
 public:
  Canvas() = default;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  virtual ~Canvas() = default;

  // Drawing objects; each returns the object it replaces.
  // A fresh canvas has the black cosmetic pen, the white brush and the
  // default font, Font{} (a cell 16 units high in DejaVu Sans).
  virtual Pen SelectPen(const Pen& pen) = 0;
  virtual Brush SelectBrush(const Brush& brush) = 0;
  virtual Font SelectFont(const Font& font) = 0;

  // Text and pixel state; each returns the previous value. Defaults: black
  // text on a white, opaque background, left-top alignment, CopyPen.
  virtual Color SetTextColor(Color color) = 0;
  virtual Color SetBackgroundColor(Color color) = 0;
  virtual BackgroundMode SetBackgroundMode(BackgroundMode mode) = 0;
  virtual TextAlign SetTextAlign(TextAlign align) = 0;
  virtual RasterOp SetRasterOp(RasterOp op) = 0;

  // Mapping; each returns the previous value. Extents are ignored in the
  // text mode and when a component is 0; choosing the text mode resets both
  // extents to (1, 1). Default: the text mode, both origins (0, 0).
  virtual MapMode SetMapMode(MapMode mode) = 0;
  virtual Size SetWindowExtent(Size extent) = 0;
  virtual Point SetWindowOrigin(Point origin) = 0;
  virtual Size SetViewportExtent(Size extent) = 0;
  virtual Point SetViewportOrigin(Point origin) = 0;

  // Clipping: the rectangle (logical, mapped when given) narrows the area
  // drawing can touch; it stays in place when the mapping changes later.
  virtual void IntersectClipRect(const Rect& rect) = 0;
  virtual void ResetClip() = 0;

  // The whole state above, current position included. Restore returns false
  // when nothing was saved.
  virtual void Save() = 0;
  virtual bool Restore() = 0;

  // Current position. MoveTo returns the previous one; LineTo draws from it
  // to the point (the point itself left out) and moves it there.
  virtual Point MoveTo(Point p) = 0;
  virtual void LineTo(Point p) = 0;
  virtual Point CurrentPosition() const = 0;

  // Shapes; none of them uses or moves the current position. A polygon is
  // closed and filled by the even-odd rule.
  virtual void Polyline(std::span<const Point> points) = 0;
  virtual void Polygon(std::span<const Point> points) = 0;
  virtual void Rectangle(const Rect& rect) = 0;
  virtual void Ellipse(const Rect& bounds) = 0;
  // The part of the ellipse in the bounds that runs counter-clockwise (as
  // seen on the screen) from the ray through start to the ray through end,
  // both rays from the centre. Equal rays draw the whole ellipse.
  virtual void Arc(const Rect& bounds, Point start, Point end) = 0;

  // Text in the selected font and text colour, placed by the alignment.
  virtual void TextOut(Point at, std::string_view text) = 0;
  // Width and cell height of a text in the selected font, in logical units,
  // measured along the text's own baseline.
  virtual Size TextExtent(std::string_view text) = 0;

  // Pixel blocks. DrawImage stretches the image onto the rectangle (nearest
  // pixel, raster operation and brush not involved). ReadPixels copies the
  // pixels under the rectangle; a canvas that holds no pixels (a recording)
  // returns an empty image, and pixels outside the surface read as white.
  virtual void DrawImage(const Rect& destination, const RgbImage& image) = 0;
  virtual RgbImage ReadPixels(const Rect& area) = 0;

  // A line from a to b: MoveTo(a), LineTo(b).
  void DrawLine(Point a, Point b) {
    MoveTo(a);
    LineTo(b);
  }
};

// Copies a block of pixels from one canvas to another, stretched when the
// two rectangles differ in size.
inline void CopyPixels(Canvas& destination, const Rect& to, Canvas& source, const Rect& from) {
  destination.DrawImage(to, source.ReadPixels(from));
}

}  // namespace platform
