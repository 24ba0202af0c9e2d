// Hands the inhomogeneous solvent of the model to a solver object: the
// c(s) kernels and every other caller of CLammIdeal simulate their species in
// the same solvent as the global-array engines.

#include <string>

#include "state/ProgramPaths.h"
#include "state/SolventConditions.h"
#include "engines/InhomogeneousSolvent.h"
#include "lamm/CLammIdeal.h"
#include "numerics/PhysicalConstants.h"

namespace {

// The co-solute's series files lie in the installation folder unless a
// folder is named.
std::string SeriesPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  return ProgramPaths.InstallationFolder + name;
}

}  // namespace

void ConfigureSolverSolvent(CLammIdeal& solver) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  const SolventConditionsRecord& sc = SolventConditions;
  const float vbar = sc.VBAR;
  const float solvated = s.SolvatedVbar > 0 ? s.SolvatedVbar : vbar;
  // The species' s and D are those of standard conditions: the solver's own
  // solvent stays water, the local factors carry the gradient.
  solver.SetDensityGradient(1, 0, s.CompressibleSolvent, s.LinearSolventGradient,
                            s.SolventCompressibility, solvated, sc.RELVISCOSITY, sc.BufferDensity,
                            vbar, vbar * sc.BufferDensity, s.DensityAt1atm, 0, s.RelativeViscosity,
                            0, s.DensityAtMeniscus, s.DensityAtBottom, s.ViscosityAtMeniscus,
                            s.ViscosityAtBottom);
  if (!s.SedimentingCosolute) return;
  const std::string sFile = SeriesPath(s.CosoluteSFile), dFile = SeriesPath(s.CosoluteDFile);
  solver.SetCosolute(1, 1, s.WaterCompressibilityOn ? 1 : 0, s.CosoluteS, s.CosoluteD, s.CosoluteOn,
                     s.CosoluteGridSize, 0, s.CosoluteNonideal, s.CosoluteLoading, s.CosoluteSave,
                     s.CosolutePlot, s.SolventCompressibility, s.CosoluteFileName.c_str(),
                     s.CosoluteCsCl, sFile.c_str(), dFile.c_str(), s.ViscosityCoefficients.data(),
                     s.ViscosityCoefficientCount, s.DensityCoefficients.data(),
                     s.DensityCoefficientCount);
  // Series already loaded for the engines serve the solver as well.
  if (s.CosoluteSCoefficientCount > 0 && s.CosoluteDCoefficientCount > 0) {
    solver.SCoefficients = s.CosoluteSCoefficients;
    solver.SCoefficientCount = s.CosoluteSCoefficientCount;
    solver.DCoefficients = s.CosoluteDCoefficients;
    solver.DCoefficientCount = s.CosoluteDCoefficientCount;
  }
}
