#pragma once
// The two forms of a light-scattering autocorrelation function and the
// conversion between them. The instrument measures the intensity
// autocorrelation g(2)(tau) - 1; the decays of the diffusing species add up
// in the field autocorrelation g(1)(tau). For light scattered by many
// independent particles (Gaussian statistics) they are linked by the Siegert
// relation g(2) - 1 = |g(1)|^2. The coherence factor of the optics is taken
// as 1: it scales the whole function and is absorbed into the fitted
// amplitudes.
//
// Noise at long lags makes g(2) - 1 scatter around zero, so the conversions
// keep the sign of each value (signed square root, signed square). The
// record's HoldsFieldAcf says which form its values have; both conversions
// keep it in step, so converting twice in the same direction does nothing.

#include "data/DlsDataFile.h"

// g(2) - 1 -> g(1) in values[1..n] unless the record already holds g(1).
// True when it converted.
bool ToFieldACF(int n, float* values, DlsRecord& record);

// g(1) -> g(2) - 1 in values[1..n] unless the record holds g(2) - 1. True
// when it converted.
bool ToIntensityACF(int n, float* values, DlsRecord& record);
