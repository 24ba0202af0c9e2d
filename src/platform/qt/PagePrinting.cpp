#include "platform/qt/PagePrinting.h"

#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "platform/qt/QtText.h"
#include "platform/qt/RasterCanvas.h"

namespace platform::qt {

void PaintPage(const PrintRequest& request, QPainter& painter, const QRect& page) {
  const int w = std::max(1, request.area.width), h = std::max(1, request.area.height);
  const double scale = std::min(static_cast<double>(page.width()) / w,
                                static_cast<double>(page.height()) / h);
  const double raster = std::clamp(scale, 1.0, 3.0);
  const int iw = static_cast<int>(w * raster), ih = static_cast<int>(h * raster);
  RasterCanvas canvas(iw, ih, kWhite);
  canvas.SetMapMode(MapMode::Isotropic);
  canvas.SetWindowExtent({w, h});
  canvas.SetViewportExtent({iw, ih});
  if (request.paint) request.paint(canvas);
  const QRect target(page.left(), page.top(), static_cast<int>(w * scale),
                     static_cast<int>(h * scale));
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(target, canvas.Image());
}

bool WritePagePdf(const PrintRequest& request, const std::string& path) {
  {
    QFile probe(ToQString(path));
    if (!probe.open(QIODevice::WriteOnly)) return false;
  }
  QPdfWriter writer(ToQString(path));
  writer.setTitle(ToQString(request.title));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageOrientation(request.area.width > request.area.height ? QPageLayout::Landscape
                                                                    : QPageLayout::Portrait);
  writer.setResolution(150);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  const QRect page(0, 0, writer.width(), writer.height());
  PaintPage(request, painter, page);
  return painter.end();
}

}  // namespace platform::qt
