#pragma once
// A plot that keeps a list of rendered frames: each frame is the picture of
// one rendering, taken out of the plot so that the next rendering leaves it.

#include <vector>

#include "platform/Metafile.h"
#include "plot/CWINPlot.h"

class CPlotFrames : public CWINPlot {
 public:
  CPlotFrames() = default;
  ~CPlotFrames() { DeleteFrames(); }

  // Room for frames 1 .. n (all empty).
  bool AllocFrames(int n);
  // Renders the plot and moves the new picture into frame i; false, with
  // nothing rendered, for an index outside 1 .. nFrames.
  bool RenderFrame(int i);
  // Frame i, a null picture outside 1 .. nFrames.
  platform::Metafile Frame(int i) const;
  void DeleteFrames();

  std::vector<platform::Metafile> pFrames;  // 1 .. nFrames, index 0 unused
  int nFrames = 0;
};
