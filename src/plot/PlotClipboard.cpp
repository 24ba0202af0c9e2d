#include "plot/PlotClipboard.h"

bool CopyMetafileToClipboard(const platform::Metafile& metafile, platform::WindowHandle) {
  return platform::Current().SetClipboardPicture(metafile, kClipboardPictureWidth,
                                                 kClipboardPictureHeight);
}
