#pragma once
// Prior probabilities of the distribution grid: whether a prior is in use
// and where it comes from (a prior file, an imported or peak-built profile,
// or up to ten Gaussian or delta peaks). Program-wide, alive for the whole
// run; the dialog "Generate Prior Probability From Peaks" edits it.

#include <array>
#include <string>
#include <vector>

// One peak: position and width in the grid's unit (S for s grids), an
// amplitude. Width 0 is a delta peak, width -1 an empty slot.
struct PriorPeak {
  double Position = 0.0;
  double Width = 0.0;
  double Amplitude = 0.0;
};

inline constexpr int PriorPeakCount = 10;

struct PriorSettingsRecord {
  bool PriorOnS = false;
  bool PriorOnFf0 = false;
  // The prior file; its first character is 0 while the file is switched
  // off, and PriorFileInitial keeps it ('0': no file was ever chosen).
  std::string PriorFileName;
  char PriorFileInitial = '0';
  bool GjPriorImported = false;
  // Set by the prior dialog around its call of "Prior Knowledge of Discrete
  // Species": that call then only fills the peak table (PriorPeaks).
  bool PriorFromDistributionPeaks = false;
  // The profile holds sharp peaks made of the current distribution's peaks.
  // They serve one run: the run after the one that used them clears both.
  bool DiscreteSpeciesPriorOn = false;
  bool DiscreteSpeciesPriorOnce = false;
  std::array<PriorPeak, PriorPeakCount + 1> PriorPeaks{};  // [1..10]
};

extern PriorSettingsRecord PriorSettings;

// The prior file is set and switched on.
bool PriorFileInUse();
// Switches the prior file off (its first character kept aside) or on again.
void SwitchPriorFileOff();
void SwitchPriorFileOn();
// A peak takes part: position, amplitude non-zero and width not -1.
bool PriorPeakInUse(const PriorPeak& peak);

// A prior profile on its own abscissa (GjPriorGrid[1..GjPriorCount] ascending
// or as given, GjPriorValues alike), built by the GJT import or from the peaks
// of the current distribution; and the Gaussian peaks over f/f0 of the
// s x f/f0 models (f/f0 value, width, amplitude).
struct PriorProfileSourceRecord {
  std::vector<double> GjPriorGrid, GjPriorValues;  // [1..GjPriorCount]
  int GjPriorCount = 0;
  std::array<PriorPeak, PriorPeakCount + 1> Ff0PriorPeaks{};  // [1..10]
};

extern PriorProfileSourceRecord PriorProfileSource;
