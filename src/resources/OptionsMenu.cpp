// The "&Options" menu of the main window: fitting and distribution options,
// loading options and scan tools, DLS, fluorescence and equilibrium tools,
// the calculators, colours and sound.

#include "resources/MainMenu.h"
#include "resources/MenuBuilders.h"

using menu_data::Item;
using menu_data::Popup;
using platform::MenuItem;

namespace {

MenuItem FittingOptions() {
  return Popup(
      "Fitting Options",
      {Item(552, "Corrections For &Buffer Sedimentation"), Item(1108, "Wiener Skewing Correction"),
       Item(217, "Fit &M And s"), Item(240, "Set Fit Limits For Meniscus & Bottom"),
       Item(611, "Lamm Equation Parameters\talt-G"), Item(592, "Change Fit Updating Preferences"),
       Item(826, "Simplex Algorithm"), Item(825, "Simulated Annealing"),
       Item(824, "Marquardt Levenberg"), Item(593, "Serialize Fit by Cell or dir#"),
       Item(904, "Serialize Fit by list.* File"),
       Item(923, "Serialize Fit With PELKO Monitoring")});
}

MenuItem SizeDistributionOptions() {
  return Popup(
      "Size-Distribution Options",
      {Item(836, "Transform s-Distribution to s20w-Distribution"),
       Item(525, "Transform s-Distribution to r-Distribution"), Item(589, "Transform c(s) to c(M)"),
       Item(460, "Transfrom Differential to Integral Distribution"),
       Item(294, "Regularization by 2nd Derivative"),
       Item(1118, "Regularization by weighted 3rd Derivative"),
       Item(295, "Regularization by Max Ent"),
       Item(642, "Show Both 2nd Deriv + Max Ent Regularizations"),
       Item(529, "Use Prior Probabilities\t^W"),
       Item(633, "Prior Knowledge of Discrete Species \t^X"),
       Item(456, "Integrate Distribution \t^I"), Item(1107, "Minimum s-Value For log-Spaced Grid"),
       Item(644, "Use c(s) Integration Ranges From File"),
       Item(952, "Error Propagation of Residuals to sw"),
       Item(533, "Transform g(s*) (as ASCII) to Direct Boundary Model"),
       Item(292, "van Holde - Weischet Transform"),
       Item(293, "Extrapolate Area Fractions of ls-g*(s) vs 1/sqrt(time)"),
       Item(648, "Compute With Multiple Threads"),
       Item(829, "Suppress Baseline Correlation in Max Ent")});
}

MenuItem LoadingOptionsAndTools() {
  return Popup("Loading Options and Tools",
               {Item(247, "Don't Load Spikes"),
                Item(868, "Flag Too Strong Gradients"),
                Item(590, "Set Radial Resolution"),
                Item(243, "Old Filename Convention"),
                Item(265, "Set n Columns"),
                Popup("Gravitational Sweep Tools",
                      {Item(947, "Create Speedsteps.txt File From Loaded Scans"),
                       Item(927, "Shift Scans to Undo Rotor Stretch"),
                       Item(928, "Convert speedsteps.txt And speedssteps.EQU")}),
                Item(902, "Check Recorded Elapsed Time Against File Timestamp"),
                Item(922, "Restore Time and w^2t Entries"),
                Item(550, "Add Constant Time and w^2t to Data"),
                Item(264, "Eliminate Jitter"),
                Item(459, "Add or Subtract Simulated Sedimentation Data"),
                Item(551, "Add Noise to Data or Multiply Signals"),
                Item(634, "Subtract Constant Value from Scan"),
                Item(549, "Correct Erroneous IF Radial Calibration"),
                Item(927, "Shift Scans to Undo Rotor Stretch"),
                Item(1109, "Track TI Noise Feature Across Scans"),
                Item(1110, "Remove Integral Fringe Jumps in All Scans at One Position"),
                Item(1111, "Remove Integral Fringe Jumps in Indiviual Scan"),
                Item(220, "Align All Scans Interference Offset at Radius"),
                Item(287, "Find Integral Fringe Jumps From Discontinuity"),
                Item(263, "Save Raw Data Set"),
                Item(231, "Save &Intensity Data as Absorbance Data"),
                Item(289, "Save Intensity as 2 Pseudo Absorbance data sets"),
                Item(581, "Exclude Region from Raw Data"),
                Item(591, "Exclude Worst Scan"),
                Item(535, "Invert Raw Data"),
                Item(886, "Mirror Image of Raw Data"),
                Item(219, "Set &Polynom Order for Initial Data")});
}

MenuItem DlsTools() {
  return Popup("DLS Tools",
               {Item(500, "Save Mean DLS Data in TALUVO Format"),
                Item(894, "Always Load Intensity Autocorrelation g(2)-1"),
                Item(898, "Toggle Intensity <-> Field Autocorrelation Fct"),
                Popup("Convert DLS Data To TALUVO Format",
                      {Item(897, "Dynamics 7"), Item(584, "Protein Solutions 99, version 6.2.05"),
                       Item(543, "Protein Solutions 99, version 5.26.38"),
                       Item(299, "Protein Solutions 99, version 5.20.05"),
                       Item(601, "Protein Solutions version 4"), Item(534, "ALV"),
                       Item(527, "BIC 9kdlsw32.exe ver. 3.19"), Item(544, "Old DOS BIC"),
                       Item(583, "PhotoCor"), Item(532, "2 Column ASCII data"),
                       Item(600, "2 Column ASCII g(2)-1 ")})});
}

MenuItem FluorescenceTools() {
  return Popup(
      "Fluorescence Tools",
      {Item(903, "Sort Fluorescence Data To Disk"), Item(904, "Serialize Fit by list.* File"),
       Item(923, "Serialize Fit With PELKO Monitoring"), Item(908, "Nonlinear Detection"),
       Item(907, "Signal Magnification Radial Gradient"),
       Item(910, "Signal Magnification Drift With Time"), Item(912, "Signal Radial Convolution"),
       Item(914, "Excitation Shadow at Bottom")});
}

MenuItem EquilibriumTools() {
  return Popup(
      "Equilibrium Tools",
      {Item(645, "Test Approach to Equilibrium"), Item(524, "Save 6-channel Raw Data in 3 Subsets"),
       Item(579, "Sort Eq Data to Disk \t^E"), Item(283, "Subtract Blank Scan"),
       Item(917, "Average Scans"), Item(875, "Estimate Equilibrium Rotor Speeds"),
       Item(874, "Minimize Time to Equilibrium"),
       Item(928, "Convert speedsteps.txt And speedssteps.EQU"),
       Item(896, "Transform Equilibrium Data and Calculate M*"), Item(918, "Copy Ln(c) Data"),
       Item(919, "Copy M* Data"), Item(920, "Copy Mavg Data")});
}

MenuItem Calculator() {
  return Popup(
      "Calculator",
      {Item(582, "Calculate s(20,w) from s(xp)"),
       Item(270, "Calculate Axial and Frictional Coefficient Ratios"),
       Item(547, "Calculate Ellipsoidal Dimensions from Frictional Ratio"),
       Item(276, "Calculate s(M) for Spherical Particle"),
       Item(606, "Calculate M(s) for Spherical or Asymmetric Particle"),
       Item(831, "Calculate Rh(s) for Spherical Particle"),
       Item(830, "Calculate s(Rh) for Spherical Particle"),
       Item(876, "Calculate Hydrodynamics With HYDROPRO"),
       Item(885, "Read s-Value Computed by BEST/BEMINE"),
       Item(272, "Calculate Variance Ratio (F-statistics)"),
       Item(530, "Simulate Non-Interacting Species with Faxen Approximation"),
       Item(462, "Calculate Weight-Average s by Second Moment Integration"),
       Item(545, "Calculate Weight-Average s by Differential Second Moment Integration"),
       Item(461, "Calculate Radial Dilution"), Item(463, "Calculate Pressure"),
       Item(578, "Calculate Hydrodynamic Friction Force"),
       Item(889, "Calculate Ratio Diffusional Spread / Differential Sedimentation"),
       Item(895, "Calculate vbar, dndc, and extinction@280 from Protein Sequence"),
       Item(1119, "calculate density and viscosity of water and heavy water at temperature")});
}

}  // namespace

MenuItem OptionsMenu() {
  return Popup("&Options", {Item(218, "Set &v*rho"), Item(542, "Inhomogeneous Solvent\talt-I"),
                            FittingOptions(), SizeDistributionOptions(), LoadingOptionsAndTools(),
                            DlsTools(), FluorescenceTools(), EquilibriumTools(), Calculator(),
                            Popup("Bitmaps + Colors",
                                  {Item(505, "Black and White"), Item(506, "Continuous Shading"),
                                   Item(609, "Scan Color Temperature From Time")}),
                            Item(594, "Sound")});
}
