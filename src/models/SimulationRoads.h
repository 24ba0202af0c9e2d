#pragma once
// The engines and kernels that the global-array simulation runs on. They live
// in libraries that build on this one (the Lamm engines, the distribution,
// equilibrium and light-scattering kernels), so the simulation reaches them
// through this table, filled once at program start (InstallEngineRoads in
// engines/EngineRoads.h fills the Lamm engines). An empty entry means that
// this version cannot simulate what needs it: the simulation then answers
// "simulation of this model is not available in this version" and leaves the
// scans' models as they were.

#include "platform/Platform.h"

class CLammIdeal;

// The concentration-dependent component of an association or non-ideal run:
// the species' s (S) and D (cm^2/s) as the dispatcher derived them. The
// engine reads its constants (association, ks, kd, switches) from
// SpeciesEngineParameters and the model kind.
struct ConcentrationDependentSpecies {
  double s1 = 0.0, D1 = 0.0;  // monomer, or the single non-ideal species
  double s2 = 0.0, D2 = 0.0;  // dimer or trimer
  // The three species of the 1-2-4 and 1-4-8 models, index 1..3.
  double OligomerS[4] = {0.0, 0.0, 0.0, 0.0};
  double OligomerD[4] = {0.0, 0.0, 0.0, 0.0};
};

struct SimulationRoadsRecord {
  // Ideal species on the shared arrays: Claverie's fixed grid and the
  // moving hat. Both run from GlobalLammRun as the dispatcher started it.
  void (*FixedGridLamm)() = nullptr;
  void (*MovingHatLamm)() = nullptr;
  // The concentration-dependent component on the fixed grid, and on the
  // moving grid (used when the moving hat is the chosen algorithm).
  void (*ConcentrationDependentLamm)(const ConcentrationDependentSpecies&) = nullptr;
  void (*MovingGridConcentrationDependentLamm)(const ConcentrationDependentSpecies&) = nullptr;
  // A + B <-> AB: free concentrations and the initial profile from the
  // totals (false when no loading can be formed), then the run.
  bool (*ReactingEquilibrium)() = nullptr;
  void (*PropagateReactingSystem)() = nullptr;
  // What the engines show of themselves when a scan is complete (the
  // reacting system's species, the co-solute), called with the scan.
  void (*ScanOverlays)(int scan) = nullptr;
  // The buffer component of a buffer-mismatch model, added into the model.
  void (*BufferSedimentation)(platform::WindowHandle) = nullptr;
  // The same buffer signal (both sides) at the given sample-side amplitude
  // into rows[scan][1..CommonGridSize], which it replaces; false when
  // nothing could be simulated. The c(s) kernel takes it as its column 1.
  bool (*BufferSignalOnGrid)(float** rows, double amplitude) = nullptr;
  // A diffusion-free species of sedimentation rate s omega^2 1e-13 (1/s)
  // and s (S): its boundary at time t on radii[1..count] into out.
  void (*StepBoundary)(double sOmega2, double s, double amplitude, double t, const float* radii,
                       float* out, int count) = nullptr;
  // The equilibrium profile of a species of buoyant molar mass Mb and
  // loading c0, written like a simulated species (basis or scan models).
  void (*EquilibriumExponential)(double Mb, double c0) = nullptr;
  // The correlation decay of one light-scattering species (D in cm^2/s,
  // the higher cumulants 0 unless the cumulant analysis passes them).
  bool (*DlsDecay)(double D, double amplitude, double mu2, double mu3, double mu4) = nullptr;
  // Light-scattering data: every scan turned from g(2) - 1 into g(1), the
  // data plots rebuilt; and whether the data are g(1) already.
  void (*ConvertToFieldAcf)(platform::WindowHandle) = nullptr;
  bool (*DataAreFieldAcf)() = nullptr;
  // The solvent of the inhomogeneous-solvent model is compressible.
  bool (*CompressibleSolvent)() = nullptr;
  // Hands the inhomogeneous solvent of the model to a solver object.
  void (*ConfigureSolverSolvent)(CLammIdeal&) = nullptr;
  // Nonlinear detection of fluorescence data: the simulation works on the
  // transformed data (true) and afterwards shows the user's choice (false);
  // a new model is brought into its transformed and untransformed forms.
  // Nothing happens while detection is off.
  void (*ApplyNonlinearDetection)(bool transformed) = nullptr;
  void (*UpdateNonlinearDetection)() = nullptr;
  // The rmsd of the untransformed data against the untransformed model of
  // the last simulation; false while detection is off.
  bool (*NonlinearDetectionRmsd)(float& rmsd) = nullptr;
};

extern SimulationRoadsRecord SimulationRoads;
