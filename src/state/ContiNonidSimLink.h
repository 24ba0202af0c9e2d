#pragma once
// What the data set's release touches of the continuous distributions: the
// simulation object of the non-ideal c(s) model, which belongs to the loaded
// data, and the accepted warning about a too low s-range, which must come
// back for new data.

#include <functional>

// Destroys the non-ideal c(s) simulation object, if any; installed by the
// distribution analysis.
extern std::function<void()> DestroyContiNonidSim;

// The user continued after the warning that smin is too low for the loaded data.
extern bool SminWarningAccepted;
