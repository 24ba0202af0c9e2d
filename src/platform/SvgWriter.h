#pragma once
// Metafiles as SVG documents: the vector form of a plot, for the clipboard
// and for files. The picture's window extent is fitted onto a document of the
// given size in pixels, as PlayInto fits it onto a window.

#include <string>

#include "platform/Metafile.h"

namespace platform {

std::string MetafileToSvg(const Metafile& picture, Size size, PlayFit fit = PlayFit::Stretch);
// False when the file cannot be written.
bool WriteSvg(const std::string& path, const Metafile& picture, Size size,
              PlayFit fit = PlayFit::Stretch);

}  // namespace platform
