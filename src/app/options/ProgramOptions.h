#pragma once
// The user's standing choices that the preference file keeps and that have
// no record of their own elsewhere. The other persisted options stay in the
// records of the subsystems that use them (the sounds, the display options,
// the scan reader, the distribution settings, the fit driver, the load
// options); the preference file reads and writes those in place.

#include <functional>
#include "state/Links.h"

struct ProgramOptionsRecord {
  // The user agreed once to the warranty disclaimer of the About box.
  bool DisclaimerAgreed = false;
  // The help wizard explains typical problems after a Run or a Fit.
  bool WizardMessagesOn = true;
  // The integration ranges of distributions come from the ranges file.
  bool UseIntegrationRangesFile = false;
  // The residuals' shaded bitmap gives an error estimate of sw.
  bool ErrorPropagationToSw = false;
  // Recorded elapsed times are corrected from the file times only when the
  // correction factor exceeds this threshold.
  float TimestampThreshold = 1.001f;
};

extern ProgramOptionsRecord ProgramOptions;

// What reading the preferences needs of parts that install themselves later.
struct PreferenceLinksRecord {
  // Loads the integration ranges of distributions from their file.
  std::function<void()> LoadIntegrationRanges = links::Unwired;
};

extern PreferenceLinksRecord PreferenceLinks;
