#pragma once
// Completion of a discrete simulation: the loading concentrations solved as
// linear parameters, time-invariant (TI) and radial-invariant (RI) noise
// eliminated algebraically, the baseline fitted or added, and the model of
// every scan assembled from the species signals and the noise.
//
// Noise model on the common radial grid:
//   y[scan][k] = sum_i c_i B_i[scan][k] + TI[k] + RI[scan] (+ baseline)
// with B_i the unit-loading signal of species i. Subtracting every scan's
// mean over the fit range removes every RI term; subtracting the mean over
// scans at each radius removes every TI term; what is left is a small
// least-squares problem in the c_i, solved non-negatively (Lawson and
// Hanson's active set method). The noise follows from the means.
//
// The data are never centred in place: the grid signals may be the scans'
// own signal arrays, so every centred value is formed on the fly from means
// kept in double, and repeated runs leave the loaded signals bit-identical.
//
// Reads CommonRadialGrid (signals, grid fit range), SpeciesSignals
// (SpeciesBasis, SpeciesAmplitude, ConstantSpecies) and the model records;
// writes TINoise, RINoise, MeanProfile of the grid, Baseline, the
// concentrations with their parameter slots, SpeciesAmplitude, the species
// bases (scaled to the solved loading) and ScanModel.

#include <vector>

// The components taking part in the linear solve: the switched-on ones in
// ascending order for discrete-species models, component 1 alone for the
// association, non-ideal, reacting and c(M) models.
std::vector<int> ListActiveSpecies();

// Solved absolute loadings back into the parameter convention: the first
// switched-on component holds the total, every other one its fraction.
void ConcentrationsToFractions();

// Mean of ScanSignal - ScanModel over every scan's own fit range.
float MeanResidualOffset();

// The ten completions, one per combination of the noise and concentration
// switches.
void LinearFitConcTiRi();
void LinearFitConcTi();
void FitTiRiNoise();
void FitTiNoise();
void LinearFitConcRi();
void LinearFitConcBaseline();
void FitRiNoise();
void FitBaselineOffset();
void LinearFitConc();
void AddBaselineToModel();

// Picks and runs the completion that the switches ask for.
void SolveLinearParameters();
