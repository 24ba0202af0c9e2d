#pragma once
// Small corrections of the loaded scans in memory: a radial region cut out,
// signals multiplied or inverted, a wrong radial calibration corrected,
// recorded times shifted, the simulated model added or subtracted, the
// radial axis mirrored, signals scaled with noise added, a blank scan
// subtracted; and one correction written straight to a file, an equilibrium
// scan with the fitted time-invariant noise taken out. The callers re-render
// the data and offer to save the edited set.
//
// Light-scattering data are refused by the edits that make no sense for
// them ("not implemented for DLS data"). Every edit of the loaded scans sets
// DataChanged, also when it changes nothing; all but AddConstantTime do
// nothing without scans.

#include <string>

#include "platform/Platform.h"

// Removes the points with r_from <= radius <= r_to from every scan; the
// region must lie within scan 1.
void ExcludeRadialRegion(float rFrom, float rTo);
// signal := factor * signal.
void InvertRawData(float factor);
// radius := a * radius + b.
void CorrectIFRadialCalibration(float a, float b);
// Recorded time += dt (s) and omega^2 t += dw per scan; the working times stay.
void AddConstantTime(double dt, double dw);
// signal := signal + factor * model.
void AddSimulatedData(float factor);
// radius := r1 + r2 - radius (and signal := -signal when upsideDown); every
// point array of a scan is reversed together so the radii rise again.
void MirrorRawData(float r1, float r2, bool upsideDown);
// signal := factor * signal + a normal deviate of standard deviation sigma;
// nothing for a negative sigma.
void AddNoiseOrScale(float sigma, float factor);
// Subtracts the blank's signal, interpolated onto each scan's radii.
bool SubtractBlankScan(const std::string& blankPath);
// Writes the scan at scanPath over the grid's fit range with the whole TI
// noise of the fit taken out; only while TI noise is fitted. The loaded
// data stay as they are.
bool SubtractNoiseFromEqData(platform::WindowHandle window, const std::string& scanPath,
                             const std::string& outputPath);
