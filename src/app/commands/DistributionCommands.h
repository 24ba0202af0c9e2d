#pragma once
// Commands on the computed continuous distribution: moving its axis to
// s20,w and on to the Stokes radius, saving it as pairs of numbers, and the
// fit of time-dependent s and M over sets of scans.
//
// A transformed distribution is marked (the stored distribution's axis
// flag, which every new run clears), so that it is not transformed twice.

#include <functional>
#include <string>

#include "platform/Metafile.h"
#include "platform/Platform.h"
#include "state/Links.h"

class TXLAWindow;

// What the commands need of parts that install themselves later. Each
// operation is skipped while not installed; without the two-dimensional
// writer the one-dimensional distribution is saved, and without the
// time-dependent analysis its command says that it is not available.
struct DistributionCommandLinksRecord {
  // Removes the on-screen button that integrates the distribution.
  std::function<void()> HideIntegrateButton = links::Unwired;
  // Writes the two-dimensional distribution of the s x f/f0 models.
  std::function<void(const std::string& path)> WriteDistribution2D = links::Unwired;
  // The time-dependent s,M analysis over sets of scansPerSet scans: moving
  // (1-4, 2-5, ...) or increasing (1-4, 1-5, ...) sets; its plot; the
  // release of its data.
  std::function<void(platform::WindowHandle, int scansPerSet)> FitTimeDependentSMMoving = links::Unwired;
  std::function<void(platform::WindowHandle, int scansPerSet)> FitTimeDependentSMIncreasing = links::Unwired;
  std::function<platform::Metafile()> RenderTimeDependentPlot = links::Unwired;
  std::function<void()> FreeTimeDependentFitData = links::Unwired;
};

extern DistributionCommandLinksRecord DistributionCommandLinks;

// Scans per set of the time-dependent s,M fit, kept between uses.
extern int TimeDependentScansPerSet;

// The distribution has been moved onto another axis since it was computed.
bool DistributionTransformed();

void CmTransformToS20wDistribution(TXLAWindow& window);
void CmTransformSDistributionToRDistribution(TXLAWindow& window);
void CmSaveContinuousDistribution(TXLAWindow& window);
void CmFitTimeDependentSM(TXLAWindow& window);

// Writes the current distribution to path, one grid point per line as
// "%e %e" (grid value, distribution value). False after telling the user
// when the file cannot be written.
bool WriteDistributionCurve(const std::string& path);
