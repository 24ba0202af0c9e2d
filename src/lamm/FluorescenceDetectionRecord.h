#pragma once
// The values of the fluorescence detection settings that a Lamm solver
// applies to its computed scans (CLammIdeal::SetFluorescenceDetection). The
// tool box that owns those settings fills one of these; the solver keeps
// nothing of it but copies.

#include <cstdint>

#include "lamm/CFluorophore.h"

struct FluorescenceDetectionRecord {
  // Photophysics templates, one-based: Templates[1..TemplateCount]; borrowed.
  const CFluorophore* Templates = nullptr;
  std::int32_t TemplateCount = 0;
  float DriftPerHour = 0.0f;    // linear temporal magnification drift, fraction per hour
  float Magnification = 1.0f;   // "1+da/dr" of the radial magnification gradient
  float ShadowWidth = 0.0f;     // radius of the excitation shadow at the bottom, cm
  float ConeRange = 0.0f;       // characteristic width of the cone convolution, cm
  float ConeWidthInStd = 2.0f;  // the Gaussian is calculated within this many widths
};
