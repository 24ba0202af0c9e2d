// Command-line entry until the application shell exists.
//   taluvo                         hydrodynamic conversions and F statistics
//   taluvo <scan folder> <output>  c(s) of the scans of a folder
#include <cstdio>
#include <initializer_list>
#include <memory>

#include "app/ExampleAnalysis.h"
#include "app/records/ProgramPaths.h"
#include "distributions/records/DistributionSettingsRecords.h"
#include "platform/HeadlessBackend.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/PhysicalConstants.h"
#include "numerics/Statistics.h"
#include "data/records/SolventConditions.h"

namespace {

// M, D, Stokes radius and f/f0 of compact globular proteins of a few
// sedimentation coefficients, in water at 20 degrees Celsius.
void PrintHydrodynamicExamples() {
  const float vbar = 0.73f;
  const float ff0 = 1.2f;
  const float t = 20.0f;
  const float density = PhysicalConstantsRecord::StandardWaterDensity;
  SolventConditions.VBAR = vbar;
  SolventConditions.VBAR20 = vbar;
  SolventConditions.BufferDensity = density;
  SolventConditions.VbarRho = vbar * density;
  SolventConditions.RELVISCOSITY = 1.0f;
  SolventConditions.BufferTemperature = t + 273.15f;
  DistributionSettings.StartingFrictionalRatio = ff0;

  std::printf("Hydrodynamic conversions\n");
  std::printf(
      "water at %.0f °C (density %.5f g/ml, viscosity %.3f cP), vbar %.2f ml/g, "
      "f/f0 %.2f\n\n",
      t, density, PhysicalConstantsRecord::STANDARDVISCOSITY * 1000, vbar, ff0);
  // "cm²/s" is one byte wider than it shows: its column is printed one narrower.
  std::printf("%8s %12s %16s %20s %8s\n", "s (S)", "M (kDa)", "D (1e-7 cm²/s)",
              "Stokes radius (nm)", "f/f0");
  for (float s : {2.0f, 4.3f, 10.0f}) {
    const float mass = CalculateM(s);
    const float d = DFromMass(mass, t);
    const float stokesRadius = S20ToStokesRadius(s, vbar);
    const float frictionalRatio = FF0FromMassAndS(mass, s, vbar, density, 1.0f);
    std::printf("%8.2f %12.1f %15.3f %20.2f %8.3f\n", s, mass / 1000, d * 1e7, stokesRadius * 1e9,
                frictionalRatio);
  }
}

// The chi-square ratios that F statistics allow at a confidence level: how
// much worse than the best fit a fit of N data points may be before it is
// significantly worse. The regularisation of the distributions uses them.
void PrintFStatisticsExamples() {
  std::printf("\nF statistics\n");
  std::printf("%10s %10s %12s %14s\n", "points", "P", "F ratio", "P(F <= ratio)");
  for (double points : {100.0, 1000.0, 10000.0, 100000.0}) {
    for (double p : {0.68, 0.95}) {
      const double ratio = FCriticalRatio(p, points, points);
      std::printf("%10.0f %10.2f %12.6f %14.4f\n", points, p, ratio,
                  1.0 - FProbability(ratio, points, points));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  SetInstallationFolder(InstallationFolderOf(argv[0]));
  if (argc >= 3) {
    auto backend = std::make_unique<platform::HeadlessBackend>();
    backend->SetEcho(true);  // messages of the analysis go to standard error
    platform::Install(std::move(backend));
    return RunExampleAnalysis(argv[1], argv[2]);
  }
  PrintHydrodynamicExamples();
  PrintFStatisticsExamples();
  return 0;
}
