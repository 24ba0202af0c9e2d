#pragma once
// Text for the raster canvas: program strings to QString, and logical fonts
// (as the device sees them) to DejaVu QFonts of the exact pixel size.

#include <QFont>
#include <QString>
#include <map>
#include <string_view>

#include "platform/DeviceCanvas.h"

class QPaintDevice;

namespace platform::qt {

// UTF-8 when the bytes are valid UTF-8, else Latin-1 (older text files).
QString ToQString(std::string_view text);

// Text for a widget that takes "&x" as the mnemonic of x (menus, buttons,
// check boxes, group boxes): an "&" before a letter or digit stays a
// mnemonic, any other "&" ("Meniscus & Bottom") is shown as itself.
QString MnemonicText(std::string_view text);

// The smallest width of a dialog whose title bar shows `title` whole: the
// caption's width in the title font plus room for the frame's buttons.
int WidthForTitle(const QString& title);

// The DejaVu face for a family, or the named face when it is a DejaVu one.
QString DejaVuFace(FontFamily family, std::string_view faceName);

// Makes fonts for one paint device, remembering per face how tall a cell is
// for one pixel of em, so that a cell height turns into the right size.
class FontMaker {
 public:
  explicit FontMaker(QPaintDevice& device) : device_(device) {}
  QFont Make(const DeviceFont& font);

 private:
  double CellPerEm(const QString& face);
  QFont Base(const QString& face, double pixels) const;

  QPaintDevice& device_;
  std::map<QString, double> cellPerEm_;
};

}  // namespace platform::qt
