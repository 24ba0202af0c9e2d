#pragma once
// The model signal of every loaded scan (ScanModel) for the current discrete
// model: each switched-on species is simulated by the Lamm equation, the
// species' signals are added, the linear parameters and systematic noise
// are solved, and the intensity transform of intensity data is applied.
// The Run command calls it once; every evaluation of a discrete fit calls it
// again. User-interface thread only; problems are reported in message boxes
// and in the error words of GlobalLammRun, and a key press sets
// ComputationAbort.
//
// Plain discrete species of plain data are simulated by one CLammIdeal
// solver per switched-on component. The models that need the engines on the
// global work arrays (association, non-ideal, reacting and hindered species,
// a non-ideal first component, an experimental initial distribution,
// equilibrium or light-scattering data, a sedimenting buffer) take the
// global-array roads (models/GlobalArrayRoads.h); a model whose engine is not
// installed in SimulationRoads is refused with a message. The non-ideal multi-species
// model solves its first component as a concentration-dependent solver
// object, the others as ideal ones.

#include "state/ModelSelection.h"
#include "platform/Platform.h"

struct FluorescenceDetectionRecord;

// Independent discrete species in any of the cell geometries: the same
// kinds as IsDiscreteSpeciesModel, which it answers with.
bool IsDiscreteSpeciesKind(ModelKind kind);
// Rapidly self-associating species.
bool IsAssociationKind(ModelKind kind);
// Discrete species whose sedimentation depends on concentration: the
// non-ideal and the hindered single species and the non-ideal multiple species.
bool IsNonidealSpeciesKind(ModelKind kind);

// With the buffer mismatch on, the last column is the sedimenting buffer,
// not a species of the sample.
bool IsBufferColumn(int i);
// The buffer column (switched on) simulated at the buffer signal, or at unit
// signal with linear concentrations (its amount is then solved with the
// loadings); nothing when no buffer simulation is installed.
void SimulateBufferColumn(platform::WindowHandle window);

// The loading concentration simulated for component i (1..NCOMP) by the
// concentration convention: the first switched-on component holds the
// total, the others their fractions of it; the first gets what the others
// leave (never below 0); the buffer column takes no part. With linear
// concentrations a zero loading becomes 1 (the species is scaled
// afterwards). 0 for a switched-off component.
float LoadingAmplitude(int i);
// The share of the total loading that component i has by the same
// convention (the first switched-on component: 1 minus the others' shares,
// never below 0); 0 for a switched-off component and the buffer column.
float LoadingShare(int i);

// D in cm^2/s of component i: from s and M by the Svedberg equation when
// the masses are the parameters (M <= 0 counts as 1e-10 Da), else the
// stored D in units of 1e-7 cm^2/s; never negative.
double SpeciesDiffusion(int i);

// The species are simulated onto the common grid (SpeciesBasis) instead of
// being added into ScanModel: the linear solve or noise elimination needs
// each species separately.
bool SimulationUsesBasis();
// Zeroed species rows on the common grid for every component (the grid is
// set up when missing). False when there is no common grid.
bool PrepareSpeciesBasis();

// Fit limits not set yet become the meniscus and the bottom, with their
// scan indices.
void DefaultFitLimits();

// The solver-object road: meniscus and bottom must be set; fit limits
// default to them; the parameter vector is unpacked; ScanModel is cleared
// and each switched-on component is solved by its own CLammIdeal; then the
// completion steps. Only SimulateModel calls it.
void PrepareSimulation(platform::WindowHandle window);

// The dispatcher; nothing happens without scans.
void SimulateModel(platform::WindowHandle window);

// The fluorescence detection corrections that the solvers apply to their
// scans; installed by the fluorescence tools, none when null.
extern const FluorescenceDetectionRecord* SimulationFluorescenceDetection;
