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
  // Component k (1..NCOMP) is switched on when ComponentOn[k] != 0; slot 0 unused.
  std::array<int, NCOMP + 1> ComponentOn{};
};

extern ModelParametersRecord ModelParameters;
