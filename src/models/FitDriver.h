#pragma once
// The fit of the discrete-species models: the checks that a fit is possible,
// the choice of optimiser, the one float vector of floating items that every
// optimiser works on, and the simplex cycles (Nelder-Mead runs from freshly
// spread simplexes until neither the rmsd nor any floating value moves by
// more than FitControl.FitCycleTolerance between two runs). The annealing and
// Levenberg-Marquardt fits of discrete models are entered from here and use
// the same vector; the fits of distribution models share the preconditions
// and the spreading of a fresh simplex.
//
// The floating items come in a fixed order, the same in every pack and
// unpack: first the floating settings of the corrections (items 1-20 below),
// then every slot of ParameterVector whose fit flag is set, in slot order.
//
//   1 vbar          2 excitation cone   3 Wiener skew      4 kbleach
//   5 Alim          6 drift             7 convolution      8 radial mag
//   9 nonlin coeff  10-13 JO s, D, amplitude, log10 Ks   14 buffer signal
//   15 buffer D/Mb  16 buffer s  17 meniscus diff (s-r)  18 conc. ratio (s/r)
//   19 reference D/Mb  20 reference s

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "state/ParameterVector.h"
#include "platform/Platform.h"
#include "state/Links.h"

enum class OptimizerChoice { Simplex, SimulatedAnnealing, LevenbergMarquardt };

// Settings of the discrete fits beside FitControl.
struct FitDriverSettingsRecord {
  // Written by the optimiser menu commands and the preferences.
  OptimizerChoice OptimizerKind = OptimizerChoice::Simplex;
  // The partial specific volume floats (only while the inhomogeneous-solvent
  // model is on); it is the apparent vbar while ApparentVbarOn.
  bool VbarFloating = false;
  bool ApparentVbarOn = false;
  float ApparentVbar = 0.73f;
  // Relative spread of a fresh simplex around its first vertex.
  float SimplexRandomization = 0.01f;
  // Tolerance of the simplex runs of a fit and of its error-projection refits.
  static constexpr float SimplexTolerance = 0.0005f;
  // Meniscus and bottom of the radial grid the objective built last (0: none).
  float GridMeniscus = 0.0f;
  float GridBottom = 0.0f;
  // Raised when a fit ends by a key interrupt: the serial fits stop their
  // series, the realtime update of a growing data folder stops.
  bool SerialFitInterrupted = false;
  bool RealtimeUpdateInterrupted = false;
};

extern FitDriverSettingsRecord FitDriverSettings;

// What the fits need of the main window's display, installed by the window's
// start; once the window is gone they draw nothing.
struct FitDisplayLinksRecord {
  // The fit status lines of the current model.
  std::function<void(platform::WindowHandle)> FitResultText = links::Unwired;
  // The final fit drawn over the data.
  std::function<void(platform::WindowHandle)> DrawFinalFit = links::Unwired;
  // The evaluation counters of a running fit: one or two text lines drawn
  // into the window (the second may be empty).
  std::function<void(platform::WindowHandle, const std::string&, const std::string&)>
      ShowEvaluationProgress = links::Unwired;
};

extern FitDisplayLinksRecord FitDisplayLinks;
void ResetFitDisplayLinks();

// The fit status lines through FitDisplayLinks (nothing without a window).
void ShowFitStatus(platform::WindowHandle window);

// Scans loaded, meniscus and bottom set (not for DLS data); fit limits of 0
// or outside the cell are moved to meniscus and bottom with a message.
bool FitPreconditions(platform::WindowHandle window);

// Spreads vertices 2..n+1 of p[1..n+1][1..n] around vertex 1 with the
// clock-seeded Gaussian generator (SimplexRandomization relative spread,
// absolute spreads and limits for the slots that need them).
void InitialSimplex(int n, float** p);

// Whether settings item (1..20) floats now, and its value in the model.
bool FloatingSettingOn(int item);
float FloatingSettingValue(int item);
void SetFloatingSetting(int item, float value);

// The item of every vector position: 1..20 a floating setting, 0 a slot.
std::vector<int> FloatingItemNumbers();
// The slot (1..ParameterCount) of every vector position, 0 for settings.
std::vector<int> FloatingSlotNumbers();
// The value in the model of every vector position, without the packing
// clamps.
std::vector<float> FloatingValues();

// Model -> vector with the packing clamps (clamped values are also written
// back into the model); writes positions up to capacity; vector may be null
// to count. Returns the number of floating items.
int PackFloating(int capacity, float* vector);
// Vector -> model with the unpacking clamps; the marked clamps are written
// back into the vector.
void UnpackFloating(float* vector);
// The best vertex of an optimiser step into the model: everything as it
// stands except negative Wiener skew, kbleach and Alim (raised to 0 in model
// and vertex) and the buffer D/Mb and reference D/Mb (magnitudes).
void ApplyVertex(float* vertex);

// The values that the cycle test compares: every floating item and every slot.
struct FitSnapshot {
  std::vector<int> items;     // item of each position (see FloatingItemNumbers)
  std::vector<float> values;  // its value
  std::array<float, ParameterCount + 1> slots{};
};
FitSnapshot TakeFitSnapshot();

// The end test of the simplex cycles: the rmsd and every value changed by at
// most tolerance relative to the old value (the magnitude of the old value,
// so negative log10 constants and flotation s are judged like positive
// ones); an old value of 0 asks the new magnitude to be at most tolerance
// (Wiener skew 1e-5, buffer s and meniscus difference 0.1 tolerance).
bool CycleConverged(const FitSnapshot& before, const FitSnapshot& now, float previousRmsd,
                    float rmsd, float tolerance);

// The discrete fit with the optimiser FitDriverSettings.OptimizerKind
// selects; false when the preconditions refuse.
bool FitDriver(platform::WindowHandle window);
// Simulated annealing, then the final pass chosen in FitControl; false when
// the preconditions or a schedule of fewer than two temperatures are refused.
bool AnnealFit(platform::WindowHandle window);
// Levenberg-Marquardt; false after an interruption or a refusal.
bool MLOptimize(platform::WindowHandle window);
