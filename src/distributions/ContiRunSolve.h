#pragma once
// The solve phase of a distribution run, once the kernel stands: normal
// equations with the systematic noise eliminated, the regularisation chosen
// by the settings, and the simulation of a model signal from a given
// distribution.

#include "state/ModelSelection.h"
#include "distributions/ScaleRegularization.h"
#include "platform/Platform.h"

// The normal equations of the current kernel and data, with the worker
// threads and noise model of the settings.
void BuildContiNormalEquations(platform::WindowHandle window);

// What the regularisation of the n amplitudes of the model needs: the
// unknowns and penalty geometry, the confidence level, the degrees of
// freedom and the run's flags.
RegularizationContext MakeRegularizationContext(ModelKind kind, int n);

// Regularises and solves the normal equations: maximum entropy, the
// smoothness penalty, or (combined setting) the second derivative followed
// by maximum entropy with the first solution kept. A fixed first amplitude
// is left out of the regularised system and put back afterwards. Returns
// the outcome of the last pass.
RegularizationOutcome RegularizeDistribution(ModelKind kind, int n,
                                             platform::WindowHandle window = nullptr);

// The model signal of every scan from the amplitudes in DistValues; the
// distribution becomes a density and the large arrays are released.
void SimulateFromDistribution(int n);
