#pragma once
// The prior probabilities of a maximum-entropy or Tikhonov run drawn over the
// distribution plot, scaled so that the largest prior reaches the plot's top.

#include "platform/Canvas.h"

namespace display {

// Draws the prior profile over the distribution plot into a canvas already
// mapped to the plot space; nothing while no prior is in use, without a
// distribution plot or when every prior is 0.
void DrawPriorOverlay(platform::Canvas& canvas);

}  // namespace display
