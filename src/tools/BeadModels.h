#pragma once
// What the program writes for and reads from the outside hydrodynamic
// modelling programs: the HYDROPRO input file and the lines of its results
// file, and the translational diffusion coefficients that BEST/BEMINE reports
// for triangulations of increasing fineness, extrapolated to an infinitely
// fine triangulation.

#include <string>
#include <vector>

// Least-squares line y = a + b x; false when the x values do not determine
// it (fewer than two points or all equal).
struct LineFit {
  double intercept = 0;
  double slope = 0;
  double ssr = 0;  // sum of squared residuals
};
bool FitLine(const std::vector<double>& x, const std::vector<double>& y, LineFit& fit);

struct HydroproParameters {
  std::string name;  // structure file name without extension
  float aer = 3.2f;  // Angstrom
  int nsig = -1;
  float sigmin = 1.0f;
  float sigmax = 2.0f;
  float temperature = 293.15f;  // K
  float viscosity = 0.01002f;   // poise
  float mass = -1.0f;           // Da
  float vbar = 0.73f;           // ml/g
  float density = 0.99823f;     // g/ml
};

// The text of "hydropro.dat".
std::string HydroproInputText(const HydroproParameters& p);
// The script that runs HYDROPRO in its working folder.
std::string HydroproScriptText(const std::string& program);
// The first folder name not taken under parent: name, name_, name__, ...
std::string FreeFolderName(const std::string& parent, const std::string& name);

struct HydroproResults {
  std::vector<std::string> errors;  // the lines from each "***" on
  std::string sedimentationLine;    // "Sedimentation coefficient: ..."; empty when absent
};
HydroproResults ParseHydroproResults(const std::string& text);

struct BeadBlock {
  double triangles = 0;
  double d = 0;  // cm^2/s
};
// At most 100 blocks of "Number of Surface Patches" N ... "DTT(EXACT) =" D.
std::vector<BeadBlock> ParseBestOutput(const std::string& text);

struct BeadExtrapolation {
  std::vector<BeadBlock> blocks;  // sorted, largest N first
  int used = 0;                   // blocks of the kept fit
  double d0 = 0;
  double slope = 0;
};
// False with a reason when the blocks cannot be extrapolated (two blocks of
// the same N only, for example).
bool ExtrapolateBeadDiffusion(std::vector<BeadBlock> blocks, BeadExtrapolation& out,
                              std::string& reason);
// s (S) at 20 C in water from D0 (cm^2/s), M (Da) and vbar.
double BeadModelS(double mass, double vbar, double d0);
