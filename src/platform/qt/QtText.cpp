#include "platform/qt/QtText.h"

#include <QApplication>
#include <QFontMetrics>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>

namespace platform::qt {

QString ToQString(std::string_view text) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return decoded;
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString MnemonicText(std::string_view text) {
  const QString plain = ToQString(text);
  QString shown;
  shown.reserve(plain.size() + 4);
  for (qsizetype i = 0; i < plain.size(); ++i) {
    const QChar c = plain[i];
    if (c != QLatin1Char('&')) {
      shown += c;
      continue;
    }
    const bool doubled = i + 1 < plain.size() && plain[i + 1] == QLatin1Char('&');
    const bool mnemonic = i + 1 < plain.size() && plain[i + 1].isLetterOrNumber();
    if (doubled) {
      shown += QStringLiteral("&&");
      ++i;
    } else {
      shown += mnemonic ? QStringLiteral("&") : QStringLiteral("&&");
    }
  }
  return shown;
}

int WidthForTitle(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);  // window managers draw titles bold, or near it
  // Icon, close, minimise and maximise buttons and the frame's margins.
  constexpr int kFrameButtons = 140;
  return QFontMetrics(font).horizontalAdvance(title) + kFrameButtons;
}

QString DejaVuFace(FontFamily family, std::string_view faceName) {
  const QString named = ToQString(faceName);
  if (named.startsWith(QStringLiteral("DejaVu"))) return named;
  switch (family) {
    case FontFamily::Roman:
      return QStringLiteral("DejaVu Serif");
    case FontFamily::Modern:
      return QStringLiteral("DejaVu Sans Mono");
    case FontFamily::Swiss:
    case FontFamily::DontCare:
      break;
  }
  return QStringLiteral("DejaVu Sans");
}

QFont FontMaker::Base(const QString& face, double pixels) const {
  QFont f(face);
  // Point sizes keep fractional pixel sizes; the device's resolution turns
  // them back into pixels.
  f.setPointSizeF(std::max(pixels, 0.5) * 72.0 / device_.logicalDpiY());
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

double FontMaker::CellPerEm(const QString& face) {
  auto it = cellPerEm_.find(face);
  if (it != cellPerEm_.end()) return it->second;
  constexpr double kReference = 1000.0;
  const QFontMetricsF metrics(Base(face, kReference), &device_);
  const double ratio = (metrics.ascent() + metrics.descent()) / kReference;
  return cellPerEm_[face] = ratio > 0 ? ratio : 1.0;
}

QFont FontMaker::Make(const DeviceFont& font) {
  const QString face = DejaVuFace(font.family, font.faceName);
  const double em = font.heightIsCell ? font.height / CellPerEm(face) : font.height;
  QFont f = Base(face, em);
  // Weight 0 asks for no particular weight: the normal one.
  const int weight = font.weight <= 0 ? 400 : std::clamp(font.weight, 100, 900);
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  f.setStrikeOut(font.strikeOut);
  if (font.averageWidth > 0) {
    const double natural = QFontMetricsF(f, &device_).averageCharWidth();
    if (natural > 0) {
      f.setStretch(
          std::clamp(static_cast<int>(std::lround(100.0 * font.averageWidth / natural)), 1, 4000));
    }
  }
  return f;
}

}  // namespace platform::qt
