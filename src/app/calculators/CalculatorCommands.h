#pragma once
// The Calculator menu: buffer density and viscosity with heavy water, the
// protein sequence calculator, the hydrodynamic shape, sphere and s20,w
// conversions, the boundary calculators and the variance ratio. Inputs are
// asked in one dialog per step; results are shown in a box. Only the s20,w
// calculator changes a setting (the vbar at 20 C it was given).

class CommandTable;
class TXLAWindow;

void CmWaterDensityViscosity(TXLAWindow& window);
void CmSequenceVbarDndcExtinction(TXLAWindow& window);
void CmEllipsoidFromFrictionalRatio(TXLAWindow& window);
void CmCalculateHydrodynamicFrictionForce(TXLAWindow& window);
void CmAxialAndFrictionalRatios(TXLAWindow& window);
void CmCalculateSOfM(TXLAWindow& window);
void CmCalculateSOfRh(TXLAWindow& window);
void CmCalculateRhOfS(TXLAWindow& window);
void CmCalculateMOfS(TXLAWindow& window);
void CmCalculateS20w(TXLAWindow& window);

void CmSwBySecondMoment(TXLAWindow& window);
void CmSwByDifferentialSecondMoment(TXLAWindow& window);
void CmCalculateRadialDilution(TXLAWindow& window);
void CmCalculatePressure(TXLAWindow& window);
void CmDiffusionToSedimentationSpreadRatio(TXLAWindow& window);
void CmCalculateVarianceRatio(TXLAWindow& window);

// HYDROPRO in a working folder of its own, waited for; the s-value of a
// BEST/BEMINE triangulation series extrapolated to infinitely fine ones.
void CmStartHydroPro(TXLAWindow& window);
void ReadBeadModelDiffusion(TXLAWindow& window);

// The s(M) power law of c(M) from a file of s and M pairs (or one pair and
// an exponent), shown with its line; true when the user accepted and Ks and
// bs were stored.
bool CalibrateCMPowerLaw(TXLAWindow& window);
// Installs the calibration where the model commands and the parameter
// dialog call it.
void InstallCalculatorHooks();

void RegisterCalculatorCommands(CommandTable& table);
