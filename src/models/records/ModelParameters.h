#pragma once
// The model parameters that the data layer reads and writes: the meniscus,
// bottom and baseline of the cell and the on/off switches of the
// discrete-species components. Program-wide, edited by the model dialogs,
// batch files and restored analyses; the loaders fill meniscus and bottom.

#include <array>

inline constexpr int NCOMP = 4;

struct ModelParametersRecord {
  float Meniscus = 0.0f;  // cm; 0 = not set
  float Bottom = 0.0f;    // cm; 0 = not set
  float Baseline = 0.0f;  // signal units
  // Fit flags; each has its mirror in ParameterFitted (slots 13, 14, 15).
  int MeniscusFitted = 0;
  int BottomFitted = 0;
  int BaselineFitted = 0;
  bool RINoiseFitted = false;      // one radial-invariant offset per scan is fitted
  bool SystematicNoiseOn = false;  // baseline, TI or RI noise fitting is requested
  // The initial loading is a constant step, or it is taken from the data.
  bool InitialConcentrationConstant = true;
  bool InitialConcentrationExperimental = false;
  // Cleared by a load so that the parameter dialog offers the meniscus and
  // bottom ranges again for the new data.
  bool MeniscusRangeConfirmed = false;
  // The user set the meniscus and bottom ranges; the defaults then leave them.
  bool MeniscusBottomLimitsUserSet = false;
  // Component k (1..NCOMP) is switched on when ComponentOn[k] != 0; slot 0 unused.
  std::array<int, NCOMP + 1> ComponentOn{};
};

extern ModelParametersRecord ModelParameters;
