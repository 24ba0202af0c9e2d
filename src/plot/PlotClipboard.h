#pragma once
// Plot pictures on the clipboard: a copy of a plot's metafile as an isotropic
// picture of 130 mm x 90 mm (13000 x 9000 in 0.01 mm), which other programs
// scale without distorting the plot.

#include "platform/Metafile.h"
#include "platform/Platform.h"

inline constexpr int kClipboardPictureWidth = 13000;   // 0.01 mm
inline constexpr int kClipboardPictureHeight = 9000;   // 0.01 mm

// Empties the clipboard and puts the picture there; false when the clipboard
// cannot be opened. The plot keeps its own metafile; the clipboard gets a
// copy.
bool CopyMetafileToClipboard(const platform::Metafile& metafile, platform::WindowHandle window);
