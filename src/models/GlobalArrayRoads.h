#pragma once
// The simulation of the models that run on the shared work arrays of the
// global Lamm engines (GlobalLammArrays): the A + B <-> AB reacting system,
// the rapidly self-associating and concentration-dependent single species,
// and the discrete species that the solver objects cannot serve (a non-ideal
// first component, an experimental initial distribution, equilibrium or
// light-scattering data). The engines are reached through SimulationRoads.
// Steps of SimulateModel; user-interface thread only.

#include "platform/Platform.h"

// What the roads remember between simulations.
struct GlobalArrayRoadStateRecord {
  // The first scan in time order was taken as the experimental initial
  // profile (no initial scan was loaded); it is not simulated.
  bool InitialScanCaptured = false;
  // The time the runs start at: the captured scan's time, else 0.
  double StartTime = 0.0;
};

extern GlobalArrayRoadStateRecord GlobalArrayRoadState;

// Every engine and kernel that the current model and data need is
// installed in SimulationRoads.
bool GlobalArrayRoadAvailable();

// The common preparation and the road of the model kind. True when the
// completion steps (linear parameters, noise, intensity) are to follow;
// false when the road ended early (meniscus or bottom not set, no arrays,
// the light-scattering question answered).
bool RunGlobalArrayRoad(platform::WindowHandle window);

// The finite-element algorithm that the automatic switch chooses for a
// species of sedimentation coefficient s at the rotor speed of the last
// scan: true for the moving hat, false for Claverie's fixed grid. A species
// exactly at the threshold keeps the algorithm in use.
bool AutomaticChoiceIsMovingHat(double s, bool optimizedThreshold);
// The threshold itself: the normalised s divided by (rpm / 30000)^2.
double AlgorithmSwitchThreshold(bool optimizedThreshold);
// Chooses the algorithm (moving hat or fixed grid) and re-makes the arrays
// for it when it changes.
void SelectFiniteElementAlgorithm(bool movingHat);

// Sets the run record for one engine run from startTime (s): clock, first
// scan to output, step bounds, the callback window, the rotor speed.
void StartEngineRun(platform::WindowHandle window, double startTime);
// The acceleration of the rotor at the start of the run, from the first
// scan's header (off when it lasted less than 10 s).
void ResetRotorAcceleration();

// The loading profile of a species in LammConcentration: the amplitude at
// every node, or for the zone models the lamella (inverted or not).
void LoadConstantProfile(double amplitude);
// The experimental initial profile on the grid, minus the baseline,
// negative values set to 0, times factor.
void LoadExperimentalProfile(double factor);

// "simulation of this model is not available in this version": an engine
// that the model came to need during a fit (a parameter crossed the
// algorithm threshold) is not installed. Stops the simulation
// (ComputationAbort).
void ReportEngineMissing(platform::WindowHandle window);

// The engine run's error words turned into messages (singular matrix,
// non-ideality, discretisation once per fit).
void ReportRunErrors(platform::WindowHandle window);

// The discrete road: the components one after the other, with the retry
// ladder for failed runs. False when the light-scattering completion ended
// the simulation.
bool RunDiscreteRoad(platform::WindowHandle window);
