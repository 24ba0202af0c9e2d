#pragma once
// Local sedimentation and diffusion coefficients of one component whose s and
// D depend on the local total concentration c, at every node of the grid of
// the global work arrays:
//   non-ideal:       s = s1 / (1 + ks c), D = D1 (1 + kd c), or s(c) and
//                    D(c) as power series in c read from two files, or the
//                    built-in s(c) and D(c) of CsCl (c molar);
//   hindered:        s1 and D1 times the hindered-settling factors of the
//                    effective volume fraction (lamm/VolumeFractionFactors.h);
//   rapid self-association (monomer-dimer, monomer-trimer, 1-2-4, 1-4-8):
//   the species are in instantaneous mass-action equilibrium at every node;
//   s is their weight average and D their gradient average (Gilbert and
//   Jenkins' reaction boundary: the flux of the total through a gradient of
//   the total).
// Each model has a plain form, evaluated on the profile at the start of the
// step (OldTotalSignal), and an averaged form, evaluated on the predicted
// profile (TrialSignal) and averaged with the values already stored, for the
// corrector of a Crank-Nicolson step. User-interface thread only.

#include "numerics/OneBasedArrays.h"

// The law of the non-ideal and hindered single species, chosen from the
// model and its options at every run start.
enum class NonidealLaw {
  KsKd,        // s1 / (1 + ks c), D1 (1 + kd c)
  Hindered,    // hindered settling of the volume fraction
  Polynomial,  // the series of the NONIDEAL s(c) and D(c) files
  CsCl,        // CsCl at 25 degrees Celsius
};

// The concentration-dependent component. Filled from the model's parameters
// before a run (s1, D1 from the species for the non-ideal model); the
// effective constants are set by PrepareLocalSedimentation at run start.
struct AssociationParametersRecord {
  // Monomer, or the non-ideal species (s0, D0): S and cm^2/s.
  double s1 = 0.0, D1 = 0.0;
  // Dimer (monomer-dimer) or trimer (monomer-trimer).
  double s2 = 2.0, D2 = 0.0;
  double LogK = 0.0;  // "log10(Ka)" or "log10(Ka13)"
  double K = 1.0, K2 = 1.0, K3 = 1.0;
  // "log10 (ks)" and "log10 (kd)" as entered; ks and kd as used.
  double EnteredKs = -10.0, EnteredKd = -10.0;
  double Ks = 0.0, Kd = 0.0;
  bool Repulsive = true;          // "repulsive"
  bool PolynomialOption = false;  // "Polynomial s(c) and D(c)"
  bool CsClOption = false;        // "CsCl s(c) and D(c) (molar)"
  bool DimerNonideality = false;  // "non-ideality log10(ks)" of the monomer-dimer model
  // The three species of the 1-2-4 model (monomer, dimer, tetramer) or of
  // the 1-4-8 model (monomer, tetramer, octamer); index 1..3, 0 unused.
  double OligomerS[4] = {0.0, 0.0, 0.0, 0.0};
  double OligomerD[4] = {0.0, 0.0, 0.0, 0.0};
  double LogKa = 0.0, LogKb = 0.0;  // "log10(Ka12)"/"log10(Ka14)", or "log10(Ka14)"/"log10(Ka18)"
  double Ka = 1.0, Kb = 1.0;
  // Set by PrepareLocalSedimentation from the current model and options;
  // nothing of it outlives the next run start.
  NonidealLaw Law = NonidealLaw::KsKd;
};

extern AssociationParametersRecord AssociationParameters;

// Total concentration, weight-average s and gradient-average D of the 1-2-4
// or 1-4-8 mixture as functions of the free monomer x, tabulated at run
// start on a logarithmic x grid, since c(x) has no closed inverse.
struct AssociationTableRecord {
  int Rows = 1000;
  double XMin = 1e-5, XMax = 100.0;
  OneBasedMatrix<double> Table;  // [row][1..4]: x, c, s, D
  bool Built = false;
  int SearchStart = 1;  // consecutive nodes of a smooth profile lie close in the table
};

extern AssociationTableRecord AssociationTable;

// The per-node arrays that the local coefficients read and write, in the
// global work arrays: the profile at the start of the step, the predicted
// profile, and the nodal s (S) and D (cm^2/s). Null when the arrays do not
// exist.
struct LocalSedimentationArrays {
  double* OldTotalSignal = nullptr;
  double* TrialSignal = nullptr;
  double* LocalSedimentation = nullptr;
  double* LocalDiffusion = nullptr;
};
LocalSedimentationArrays LocalSedimentationWork();

// Run set-up of the current model: the law of a non-ideal or hindered
// species (the series files are read anew), the effective ks, kd and
// association constants, and the 1-2-4 / 1-4-8 table. False when the run is
// refused: NonidealityError is then set (a non-ideal ks c at the first node
// above 1, or s(c) and D(c) series that could not be read).
bool PrepareLocalSedimentation();
// s (S) and D (cm^2/s) of the prepared non-ideal or hindered law at the
// local value c (signal units; molar for CsCl).
void NonidealCoefficientsAt(double c, double& s, double& D);
// Plain and averaged local coefficients of the current model.
void ModelLocalSD();
void ModelLocalSDAverage();

void NonidealLocalSD();
void NonidealLocalSDAverage();
void MonomerDimerLocalSD();
void MonomerDimerLocalSDAverage();
void MonomerTrimerLocalSD();
void MonomerTrimerLocalSDAverage();
void AssociationLocalSD();
void AssociationLocalSDAverage();

// Free monomer y of the monomer-trimer equilibrium, the real root of
// K y^3 + y - c = 0 (Cardano).
double CubicRoot(double c);

// The 1-2-4 or 1-4-8 mixture at free monomer x.
double AssociationTotal(double x);
double AssociationWeightedS(double x);
double AssociationGradientD(double x);
void BuildAssociationTable();
// s and D of the mixture of total concentration c, interpolated in the table
// (clamped to its first and last rows).
void AssociationTableLookup(double c, double& s, double& D);
void FreeAssociationTable();
