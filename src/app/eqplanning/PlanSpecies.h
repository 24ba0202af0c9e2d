#pragma once
// The species of the time-to-equilibrium plan as one-based arrays: one, or
// two when the second species is complete.

#include "equilibrium/TimeToEqParameters.h"

struct PlanSpecies {
  int count = 1;
  float c[3] = {0, 1.0f, 0}, s[3] = {0, 0, 0}, D[3] = {0, 0, 0};
};

inline PlanSpecies CurrentPlanSpecies() {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  PlanSpecies sp;
  sp.s[1] = p.Species1S;
  sp.D[1] = p.Species1D;
  if (p.SecondSpecies && p.Species2Fraction > 0 && p.Species2M > 0 && p.Vbar2 > 0 &&
      p.Species2FF0 > 0) {
    sp.count = 2;
    sp.c[1] = 1.0f - p.Species2Fraction;
    sp.c[2] = p.Species2Fraction;
    sp.s[2] = p.Species2S;
    sp.D[2] = p.Species2D;
  }
  return sp;
}
