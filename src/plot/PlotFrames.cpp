#include "plot/PlotFrames.h"

#include <utility>

bool CPlotFrames::AllocFrames(int n) {
  pFrames.assign(static_cast<std::size_t>(n > 0 ? n : 0) + 1, platform::Metafile());
  nFrames = n > 0 ? n : 0;
  return true;
}

bool CPlotFrames::RenderFrame(int i) {
  if (i < 1 || i > nFrames) return false;
  Render();
  pFrames[static_cast<std::size_t>(i)] = std::move(hMetaFile);
  hMetaFile = platform::Metafile();
  bOwnsMetaFile = false;
  return true;
}

platform::Metafile CPlotFrames::Frame(int i) const {
  if (i < 1 || i > nFrames) return platform::Metafile();
  return pFrames[static_cast<std::size_t>(i)];
}

void CPlotFrames::DeleteFrames() {
  pFrames.clear();
  nFrames = 0;
}
