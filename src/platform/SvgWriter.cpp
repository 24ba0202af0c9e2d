#include "platform/SvgWriter.h"

#include <fstream>

#include "platform/SvgCanvas.h"

namespace platform {

std::string MetafileToSvg(const Metafile& picture, Size size, PlayFit fit) {
  SvgCanvas canvas(size);
  picture.PlayInto(canvas, Rect{0, 0, size.width, size.height}, fit);
  return canvas.Document();
}

bool WriteSvg(const std::string& path, const Metafile& picture, Size size, PlayFit fit) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  out << MetafileToSvg(picture, size, fit);
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace platform
