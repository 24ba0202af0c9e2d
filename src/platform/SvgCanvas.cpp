#include "platform/SvgCanvas.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "platform/BmpWriter.h"
#include "platform/TextEstimate.h"

namespace platform {

namespace {

// Locale-free number text, at most two decimals.
std::string Num(double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::round(v * 100) / 100,
                                    std::chars_format::general);
  return std::string(buffer, result.ptr);
}

std::string Num(int v) {
  return std::to_string(v);
}

std::string Hex(Color c) {
  static const char digits[] = "0123456789abcdef";
  std::string s = "#";
  for (std::uint8_t part : {c.red, c.green, c.blue}) {
    s += digits[part >> 4];
    s += digits[part & 15];
  }
  return s;
}

// Length of the UTF-8 sequence starting at i, or 0 when it is not valid.
std::size_t Utf8Sequence(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t n = lead < 0x80         ? 1
                  : (lead >> 5) == 6  ? 2
                  : (lead >> 4) == 14 ? 3
                  : (lead >> 3) == 30 ? 4
                                      : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  return n;
}

// Program text as XML character data: UTF-8 kept, other bytes read as
// Latin-1, markup characters escaped, control characters dropped.
std::string XmlText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const std::size_t n = Utf8Sequence(text, i);
    if (n > 1) {
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    ++i;
    if (c >= 0x80) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c >= 0x20 || c == '\t') {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Base64(const std::vector<std::uint8_t>& bytes) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t a = bytes[i];
    const std::uint32_t b = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    const std::uint32_t c = i + 2 < bytes.size() ? bytes[i + 2] : 0;
    const std::uint32_t triple = (a << 16) | (b << 8) | c;
    out += table[(triple >> 18) & 63];
    out += table[(triple >> 12) & 63];
    out += i + 1 < bytes.size() ? table[(triple >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? table[triple & 63] : '=';
  }
  return out;
}

std::string PointList(std::span<const Point> points) {
  std::string s;
  for (const Point& p : points) {
    if (!s.empty()) s += ' ';
    s += Num(p.x) + "," + Num(p.y);
  }
  return s;
}

const char* FamilyList(FontFamily family) {
  switch (family) {
    case FontFamily::Roman:
      return "DejaVu Serif, serif";
    case FontFamily::Modern:
      return "DejaVu Sans Mono, monospace";
    case FontFamily::Swiss:
    case FontFamily::DontCare:
      break;
  }
  return "DejaVu Sans, sans-serif";
}

// The point of the ellipse in the box on the ray from its centre through p.
std::pair<double, double> OnEllipse(const Rect& box, Point p) {
  const double cx = (box.left + box.right) / 2.0;
  const double cy = (box.top + box.bottom) / 2.0;
  const double a = box.Width() / 2.0;
  const double b = box.Height() / 2.0;
  const double t = std::atan2(a * (cy - p.y), b * (p.x - cx));
  return {cx + a * std::cos(t), cy - b * std::sin(t)};
}

}  // namespace

std::string SvgCanvas::StrokeAttributes() const {
  const Pen& pen = State().pen;
  if (pen.style == PenStyle::Null) return " stroke=\"none\"";
  const int width = DevicePenWidth();
  const Color color = State().rasterOp == RasterOp::Not ? kWhite : pen.color;
  std::string s = " stroke=\"" + Hex(color) + "\" stroke-width=\"" + Num(width == 0 ? 1 : width) +
                  "\" stroke-linecap=\"" + (width == 0 ? "butt" : "round") + "\"";
  if (pen.style == PenStyle::Dash) s += " stroke-dasharray=\"18,6\"";
  if (pen.style == PenStyle::Dot) s += " stroke-dasharray=\"3,3\"";
  return s;
}

std::string SvgCanvas::FillAttributes() const {
  const Brush& brush = State().brush;
  if (brush.style == BrushStyle::Null) return " fill=\"none\"";
  return " fill=\"" + Hex(brush.color) + "\"";
}

// Clip and blending. Inverting and exclusive-or pens become the difference
// blend, which inverts under white as the raster canvas does.
std::string SvgCanvas::CommonAttributes() {
  std::string s;
  if (const auto& clip = State().clip) {
    const auto key = std::make_tuple(clip->left, clip->top, clip->right, clip->bottom);
    auto [it, added] = clipIds_.emplace(key, static_cast<int>(clipIds_.size()) + 1);
    s += " clip-path=\"url(#clip" + Num(it->second) + ")\"";
  }
  if (State().rasterOp != RasterOp::CopyPen) s += " style=\"mix-blend-mode:difference\"";
  return s;
}

void SvgCanvas::DrawDevicePolyline(std::span<const Point> points) {
  body_ += "<polyline points=\"" + PointList(points) + "\" fill=\"none\"" + StrokeAttributes() +
           CommonAttributes() + "/>\n";
}

void SvgCanvas::DrawDevicePolygon(std::span<const Point> points) {
  body_ += "<polygon points=\"" + PointList(points) + "\" fill-rule=\"evenodd\"" +
           FillAttributes() + StrokeAttributes() + CommonAttributes() + "/>\n";
}

void SvgCanvas::DrawDeviceRectangle(const Rect& r) {
  body_ += "<rect x=\"" + Num(r.left) + "\" y=\"" + Num(r.top) + "\" width=\"" + Num(r.Width()) +
           "\" height=\"" + Num(r.Height()) + "\"" + FillAttributes() + StrokeAttributes() +
           CommonAttributes() + "/>\n";
}

void SvgCanvas::DrawDeviceEllipse(const Rect& b) {
  body_ += "<ellipse cx=\"" + Num((b.left + b.right) / 2.0) + "\" cy=\"" +
           Num((b.top + b.bottom) / 2.0) + "\" rx=\"" + Num(b.Width() / 2.0) + "\" ry=\"" +
           Num(b.Height() / 2.0) + "\"" + FillAttributes() + StrokeAttributes() +
           CommonAttributes() + "/>\n";
}

void SvgCanvas::DrawDeviceArc(const Rect& b, Point start, Point end) {
  const auto [x0, y0] = OnEllipse(b, start);
  const auto [x1, y1] = OnEllipse(b, end);
  const double cx = (b.left + b.right) / 2.0;
  const double cy = (b.top + b.bottom) / 2.0;
  const double from = std::atan2(cy - y0, x0 - cx);
  double span = std::atan2(cy - y1, x1 - cx) - from;
  while (span <= 1e-9) span += 2 * std::numbers::pi;
  const double rx = b.Width() / 2.0;
  const double ry = b.Height() / 2.0;
  std::string d;
  if (span >= 2 * std::numbers::pi - 1e-9) {
    // Equal rays: the whole ellipse, as two half arcs.
    d = "M " + Num(x0) + " " + Num(y0) + " A " + Num(rx) + " " + Num(ry) + " 0 1 0 " +
        Num(2 * cx - x0) + " " + Num(2 * cy - y0) + " A " + Num(rx) + " " + Num(ry) + " 0 1 0 " +
        Num(x0) + " " + Num(y0);
  } else {
    // Counter-clockwise on the screen is the negative sweep with y downwards.
    d = "M " + Num(x0) + " " + Num(y0) + " A " + Num(rx) + " " + Num(ry) + " 0 " +
        (span > std::numbers::pi ? "1" : "0") + " 0 " + Num(x1) + " " + Num(y1);
  }
  body_ += "<path d=\"" + d + "\" fill=\"none\"" + StrokeAttributes() + CommonAttributes() + "/>\n";
}

void SvgCanvas::DrawDeviceText(Point anchor, std::string_view text, const DeviceFont& font) {
  const DrawingState& s = State();
  const TextBox box = EstimateText(text, font);
  double left = 0;
  const char* textAnchor = "start";
  if (s.align.horizontal == HAlign::Center) {
    left = -box.width / 2;
    textAnchor = "middle";
  } else if (s.align.horizontal == HAlign::Right) {
    left = -box.width;
    textAnchor = "end";
  }
  double baseline = 0;
  if (s.align.vertical == VAlign::Top) baseline = box.ascent;
  if (s.align.vertical == VAlign::Bottom) baseline = -box.descent;
  std::string group = "<g transform=\"translate(" + Num(anchor.x) + "," + Num(anchor.y) + ")";
  if (font.angle != 0) group += " rotate(" + Num(-font.angle) + ")";
  body_ += group + "\"" + CommonAttributes() + ">";
  if (s.backgroundMode == BackgroundMode::Opaque) {
    body_ += "<rect x=\"" + Num(left) + "\" y=\"" + Num(baseline - box.ascent) + "\" width=\"" +
             Num(box.width) + "\" height=\"" + Num(box.ascent + box.descent) + "\" fill=\"" +
             Hex(s.backgroundColor) + "\"/>";
  }
  std::string style;
  if (font.weight >= 600) style += " font-weight=\"bold\"";
  if (font.italic) style += " font-style=\"italic\"";
  if (font.underline || font.strikeOut) {
    style += std::string(" text-decoration=\"") + (font.underline ? "underline" : "") +
             (font.underline && font.strikeOut ? " " : "") +
             (font.strikeOut ? "line-through" : "") + "\"";
  }
  body_ += "<text x=\"0\" y=\"" + Num(baseline) + "\" text-anchor=\"" + textAnchor +
           "\" font-family=\"" + FamilyList(font.family) + "\" font-size=\"" +
           Num(EstimatedEm(font)) + "\"" + style + " fill=\"" + Hex(s.textColor) +
           "\" xml:space=\"preserve\">" + XmlText(text) + "</text></g>\n";
}

Size SvgCanvas::MeasureDeviceText(std::string_view text, const DeviceFont& font) {
  const TextBox box = EstimateText(text, font);
  return Size{static_cast<int>(std::lround(box.width)),
              static_cast<int>(std::lround(box.ascent + box.descent))};
}

void SvgCanvas::DrawDeviceImage(const Rect& d, const RgbImage& image) {
  body_ += "<image x=\"" + Num(d.left) + "\" y=\"" + Num(d.top) + "\" width=\"" + Num(d.Width()) +
           "\" height=\"" + Num(d.Height()) +
           "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\"" +
           CommonAttributes() + " xlink:href=\"data:image/bmp;base64," +
           Base64(EncodeBmp24(image)) + "\"/>\n";
}

RgbImage SvgCanvas::ReadDevicePixels(const Rect&) {
  return RgbImage();
}

std::string SvgCanvas::Document() const {
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  doc +=
      "<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"" +
      Num(size_.width) + "\" height=\"" + Num(size_.height) + "\" viewBox=\"0 0 " +
      Num(size_.width) + " " + Num(size_.height) + "\">\n";
  if (!clipIds_.empty()) {
    doc += "<defs>\n";
    for (const auto& [rect, id] : clipIds_) {
      const auto [left, top, right, bottom] = rect;
      doc += "<clipPath id=\"clip" + Num(id) + "\"><rect x=\"" + Num(left) + "\" y=\"" + Num(top) +
             "\" width=\"" + Num(right - left) + "\" height=\"" + Num(bottom - top) +
             "\"/></clipPath>\n";
    }
    doc += "</defs>\n";
  }
  return doc + body_ + "</svg>\n";
}

}  // namespace platform
