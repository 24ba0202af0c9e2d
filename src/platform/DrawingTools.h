#pragma once
// Pens, brushes and fonts: plain values that a canvas selects. Selecting one
// returns the one it replaces; nothing is created or deleted, so a drawing
// routine that puts back what it found has released everything it used.

#include <string>

#include "platform/Color.h"

namespace platform {

enum class PenStyle { Solid, Dash, Dot, Null };

// Width in logical units; 0 (and any width that maps to less than one pixel)
// is a cosmetic pen, one device pixel wide whatever the mapping.
struct Pen {
  PenStyle style = PenStyle::Solid;
  int width = 0;
  Color color = kBlack;

  friend bool operator==(const Pen&, const Pen&) = default;
};

enum class BrushStyle { Solid, Null };

// A null (hollow) brush leaves the inside of shapes as it was.
struct Brush {
  BrushStyle style = BrushStyle::Solid;
  Color color = kWhite;

  friend bool operator==(const Brush&, const Brush&) = default;
};

// The face families of a logical font. Text renders in the DejaVu faces so
// that a picture looks the same on every machine: Roman is DejaVu Serif,
// Swiss and DontCare DejaVu Sans, Modern DejaVu Sans Mono.
enum class FontFamily { DontCare, Roman, Swiss, Modern };

// A logical font. Height in logical units: positive is the cell height
// (ascent plus descent), negative the character (em) height, 0 a cell of 16
// units. Width is the average character width, 0 for the face's own
// proportions. Escapement turns the baseline counter-clockwise in tenths of a
// degree (900 reads upwards); orientation is kept for completeness, the
// glyphs follow the escapement. Weight 400 is normal, 700 bold.
struct Font {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  FontFamily family = FontFamily::DontCare;
  std::string faceName;  // empty: chosen by the family

  friend bool operator==(const Font&, const Font&) = default;
};

inline constexpr int kDefaultFontCellHeight = 16;

// Stock objects and the usual solid ones.
inline Pen SolidPen(Color color, int width = 0) {
  return Pen{PenStyle::Solid, width, color};
}
inline Pen BlackPen() {
  return SolidPen(kBlack);
}
inline Pen WhitePen() {
  return SolidPen(kWhite);
}
inline Pen NullPen() {
  return Pen{PenStyle::Null, 0, kBlack};
}
inline Brush SolidBrush(Color color) {
  return Brush{BrushStyle::Solid, color};
}
inline Brush WhiteBrush() {
  return SolidBrush(kWhite);
}
inline Brush BlackBrush() {
  return SolidBrush(kBlack);
}
inline Brush NullBrush() {
  return Brush{BrushStyle::Null, kWhite};
}

}  // namespace platform
