// The simplex fit of the buoyant molar mass: restarts of a two-vertex
// Nelder-Mead around the best value until the rmsd and the parameter settle.

#include <cmath>
#include <cstdio>

#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "equilibrium/EqBuoyantMass.h"
#include "models/NelderMead.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"
#include "ui/Boxes.h"

namespace {

constexpr float kSpread = 0.05f;
constexpr float kFtol = 0.005f;
constexpr float kRestartTolerance = 0.01f;

int Evaluations = 0;
int SimplexRun = 0;

void SetParameter(float value) {
  ParameterVector[1] = value;
  ModelParameters.MassOrD[1] = value;
}

bool Settled(float previous, float current) {
  if (previous == 0.0f) return std::fabs(current) <= kRestartTolerance;
  return std::fabs(current - previous) <= kRestartTolerance * std::fabs(previous);
}

}  // namespace

float EqBuoyantObjective(const float* vertex, platform::WindowHandle window) {
  auto& f = FitControl;
  if (KeyPressed()) {
    f.FitAbort = true;
    return 1e10f;
  }
  ++Evaluations;
  SetParameter(vertex[1]);
  EqBuoyantState.StoredRmsd = 1e10;
  RunEqBuoyantMass(window, true);
  if (ComputationAbort) {
    ComputationAbort = false;
    f.FitAbort = true;
  }
  const float value = static_cast<float>(EqBuoyantState.StoredRmsd);
  f.CurrentRmsd = value;
  return value;
}

void ShowEqBuoyantProgress(platform::WindowHandle window, int simplexRun, int evaluation) {
  auto& backend = platform::Current();
  char line[120];
  std::snprintf(line, sizeof line, "s%d, step #%d        ", simplexRun, evaluation);
  backend.DrawWindowText(window, 10, 70, line);
  std::snprintf(line, sizeof line, "sosq=%e             ",
                static_cast<double>(FitControl.CurrentRmsd));
  backend.DrawWindowText(window, 10, 90, line);
  const auto& d = ScanDataSet;
  const float temperature = d.NFILES > 0 ? d.ScanHeaders[d.NFILES].Temperature : 20.0f;
  std::snprintf(line, sizeof line, "buoyant molar mass = %.0f        ",
                EqBuoyantMassOf(temperature));
  backend.DrawWindowText(window, 10, 110, line);
  backend.ShowWindowDrawing(window, {0, 0, 600, 130});
}

void FitEqBuoyantMass(platform::WindowHandle window) {
  auto& f = FitControl;
  Evaluations = 0;
  SimplexRun = 1;
  if (!RunEqBuoyantMass(window)) return;
  ShowEqBuoyantProgress(window, SimplexRun, Evaluations);
  if (!ParameterFitted[1]) return;
  const auto objective = [window](float* point) { return EqBuoyantObjective(point, window); };
  OneBasedMatrix<float> p(1, 2, 1, 1);
  OneBasedArray<float> y(1, 2);
  float best = ModelParameters.MassOrD[1];
  p[1][1] = best;
  p[2][1] = best + GaussianRandom(kSpread * best);
  y[1] = objective(p[1]);
  y[2] = objective(p[2]);
  int evaluations = 0;
  const auto show = [&](float*, float) { ShowEqBuoyantProgress(window, SimplexRun, Evaluations); };
  const auto run = [&] {
    NelderMead(p.get(), y.data(), 1, kFtol, objective, evaluations, show);
    const int winner = y[1] <= y[2] ? 1 : 2;
    best = p[winner][1];
    return y[winner];
  };
  float bestValue = run();
  while (!f.FitAbort) {
    ++SimplexRun;
    const float previousParameter = best, previousValue = bestValue;
    p[1][1] = best;
    y[1] = bestValue;
    p[2][1] = best + GaussianRandom(kSpread * best);
    y[2] = objective(p[2]);
    bestValue = run();
    if (Settled(previousValue, bestValue) && Settled(previousParameter, best)) break;
  }
  f.FitAbort = false;
  const float one[2] = {0.0f, best};
  EqBuoyantObjective(one, window);
  SetParameter(best);
  RunEqBuoyantMass(window);
  ShowEqBuoyantProgress(window, SimplexRun, Evaluations);
}
