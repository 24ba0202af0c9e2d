#pragma once
// Hindered sedimentation and diffusion of a macromolecule through its
// effective hydrodynamic volume fraction phi: the factors s(c)/s(0) and
// D(c)/D(0) of hard spheres, or of sticky hard spheres (Baxter's adhesive
// sphere model, stickiness given by the "Baxter temperature" tau).
//
// Hard spheres: Ks(phi) = (1 - phi)^4.27 / (1 + 2.28 phi) for sedimentation,
// and the thermodynamic factor (structure factor at zero angle) of the
// Carnahan-Starling fluid S(phi) = ((1 - phi)^2 / (1 + 2 phi))^2, so that
// D(c)/D(0) = Ks / S (the generalised Stokes-Einstein relation). Sticky
// spheres lower the hydrodynamic term by 0.89 g(phi/tau) and S by Baxter's
// lambda. Concentrations c are in mg/ml, s in S, D in cm^2/s, M in g/mol,
// vbar in ml/g, rho in g/ml; the relative viscosity is relative to
// STANDARDVISCOSITY; a temperature above 200 is kelvin, otherwise Celsius.
//
// Every factor is 1 outside 0 < phi <= 1 (and, for the sticky forms, for
// tau <= 0); the concentration forms are 1 for c < 0. Nothing is reported.

// Switch of the sticky-hard-sphere forms: set, every factor below uses them
// and reads tau; clear, the hard-sphere forms, and tau is ignored.
// Program-wide; written by the hindered models' commands and dialogs.
extern bool StickyHardSpheres;

// Factors of the volume fraction.
double SedFactorOfPhi(double phi);
double ThermoFactorOfPhi(double phi);
double DiffFactorOfPhi(double phi);
double DiffFactorFromSedFactor(double phi, double ks);
double BaxterSedCorrection(double phi, double tau);
double BaxterLambda(double phi, double tau);
double BaxterThermoFactorOfPhi(double phi, double tau);
double BaxterSedFactorOfPhi(double phi, double tau);
double BaxterDiffFactorOfPhi(double phi, double tau);
double BaxterDiffFactorFromSedFactor(double phi, double tau, double ks);
// The reduced second virial coefficient 1 - 1/(4 tau) of sticky spheres
// (1 for hard spheres).
double BaxterReducedB2(double tau);
// Limiting ks (ml/g) of hard spheres: 6.55 k (f/f0)^3 vbar.
double HardSphereKs(double k, double ff0, double vbar);

// The volume fraction at c of a species of volume correction factor k.
double VolumeFractionOfConc(double c, double k, double ff0, double vbar);
// The same with f/f0 from s and D (through the Svedberg equation); 1 for
// c < 0.
double VolumeFractionFromSD(double c, double k, double s, double D, double vbar, double rho,
                            double T, double relativeViscosity);

// Hydrodynamic helpers of the volume fraction.
// A D above 0.1 is read in units of 1e-7 cm^2/s.
double MassFromSD(double s, double D, double vbarRho, double T);
double MassFromSDAtTemperature(double s, double D, double T, double vbarRho);
double FrictionalRatioFromMS(double M, double s, double vbar, double rho, double relativeViscosity);
double FrictionalRatioFromMS2(double M, double s, double vbar, double rho,
                              double relativeViscosity);
double FrictionOfMassAndS(double M, double s, double vbar, double rho);  // g/s
double SphereFrictionOfMass(double M, double vbar, double relativeViscosity);
double SphereRadiusOfMass(double M, double vbar);  // m

// Factors at a concentration.
double SedFactorAtConc(double c, double k, double tau, double ff0, double vbar);
double DiffFactorAtConc(double c, double k, double tau, double ff0, double vbar);
double SedFactorAtConcFromSD(double c, double k, double tau, double s, double D, double vbar,
                             double rho, double T, double relativeViscosity);
double DiffFactorAtConcFromSD(double c, double k, double tau, double s, double D, double vbar,
                              double rho, double T, double relativeViscosity);
// s(c) and D(c) of the species at c (left unwritten for c < 0); returns phi
// (1 for c < 0).
double NonidealSDAtConc(double c, double k, double tau, double s, double D, double vbar, double rho,
                        double T, double relativeViscosity, double& sOut, double& DOut);
// The same, writing the factors Ks and Kd themselves.
double NonidealSDFactorsAtConc(double c, double k, double tau, double s, double D, double vbar,
                               double rho, double T, double relativeViscosity, double& ksOut,
                               double& kdOut);

// Changes per 1 mg/ml: ks positive for a falling s factor, kd positive for
// a rising D factor.
double SedFactorStep(double c, double k, double tau, double ff0, double vbar);
double SedFactorStepFromSD(double c, double k, double tau, double s, double D, double vbar,
                           double rho, double T, double relativeViscosity);
double DiffFactorStep(double c, double k, double tau, double ff0, double vbar);
double DiffFactorStepFromSD(double c, double k, double tau, double s, double D, double vbar,
                            double rho, double T, double relativeViscosity);
