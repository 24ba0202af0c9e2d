#pragma once
// Which part of every scan belongs to a range of sedimentation coefficients:
// the model curve of each scan is drawn again over the data plot, red where
// the apparent sedimentation coefficient ln(r/m)/(omega^2 t) of a point lies
// in the range and fading to grey outside it with the diffusional spread of
// a boundary of the range's lower end.

#include <vector>

class TXLAWindow;

struct PeakShadingResult {
  // Per scan 1..NFILES (slot 0 unused): the radial point indices covered
  // (0 none, -1 not bounded) and the residual signal transported inside.
  std::vector<int> First;
  std::vector<int> Last;
  std::vector<float> Amount;
};

// Nothing for light-scattering data or models without an s axis. With out
// given, the per-scan bounds and amounts are filled (sedimenting ranges).
void DrawPeakShading(TXLAWindow& window, float sLo, float sHi, PeakShadingResult* out);

// The fade of a point at S (Svedberg) for the range [sLo, sHi] and the
// width W (S^2): 1 inside, exp(-(distance)^2 / W) outside.
float ShadingFade(float s, float sLo, float sHi, float width);
