#pragma once
// The peaks of the computed distribution on the distribution plot: the peak
// finder, labels with the weight-average s or an estimated molar mass, the
// report of a clicked label, the report of a range selected with the right
// button, and the overlay that shades a range of the distribution.

#include <string>

#include "state/ModelSelection.h"
#include "platform/Color.h"
#include "platform/Geometry.h"

class TXLAWindow;

struct DistributionPeak {
  float SLo = 0.0f, SHi = 0.0f;  // bounds on the grid's axis
  float Sw = 0.0f;               // signal-weighted average between them
  int First = 0, Last = 0;       // grid indices; 0 for no peak
  float ValleyRatio = 1.0f;
  float Fraction = 0.0f;  // of the total signal
  float Signal = 0.0f;
};

// Walks down both flanks of the maximum at grid index k until the curve
// falls below 1 % of the peak, rises again, or crosses the level f x peak
// while still falling; then integrates between the edges. A maximum at grid
// index 1, 2, N-1 or N is no peak.
DistributionPeak FindDistributionPeaks(int k, float f);

// Model groups of the peak labels and reports.
bool IsLsGStarGroup(ModelKind k);
bool IsMolarMassGroup(ModelKind k);
bool IsFixedShapeGroup(ModelKind k);

// The molar mass the model relates to a sedimentation coefficient (S).
float PeakMolarMass(float s);
// The range of s that the scans show for a range of the non-ideal c(s)
// models, whose species sediment slower in the concentration they move
// through (the distribution is of s at infinite dilution): hindered c(s)
// scales each limit by the hard-sphere factor of the signal below it (from
// 0.1 S), non-ideal c(s) both by 1 - ks ctot. Other models, or data without
// a signal per concentration, keep the range.
struct ShadingRange {
  float Lo = 0.0f, Hi = 0.0f;
};
ShadingRange NonidealShadingRange(float sLo, float sHi);
// The label text of a peak of the current model at sw.
std::string PeakLabelText(float sw);
// "Mf~..." in the unit the size of M selects.
std::string MolarMassLabel(float m);

void ShowPeakMwLabels(TXLAWindow& window);
void ShowPeakInfo(TXLAWindow& window, int label);
// The right-button band over the distribution plot ends here: the range
// x0 < x1 is drawn, integrated and reported; y0, y1 bound the second axis
// of the two-dimensional models.
void IntegrateDistributionRange(TXLAWindow& window, float x0, float x1, float y0, float y1);
// The part of the distribution between xa and xb (either order) drawn over
// the distribution plot with the point style and colour.
void DrawIntegrationRange(TXLAWindow& window, float xa, float xb, int style,
                          platform::Color colour);

// Ctrl + right double click on the distribution plot: the molar mass at
// the clicked s and that of a compact sphere, written at the point.
void ShowMolarMassReadout(TXLAWindow& window, platform::Point point);
std::string MolarMassReadoutText(float m, float sphere);
