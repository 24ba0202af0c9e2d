#include "tools/DlsKernels.h"

#include <cassert>
#include <cmath>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DlsLoading.h"
#include "data/ScanDataSet.h"
#include "models/GlobalLammState.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/PhysicalConstants.h"
#include "ui/Boxes.h"

namespace {

// m^-2 -> cm^-2
constexpr double kSquareMetresPerSquareCentimetre = 1e-4;

// The decay of one scan: Q = q^2 in cm^-2, and the form of the decay.
struct Decay {
  double Q = 0.0;
  double D = 0.0;
  double Amplitude = 1.0;
  bool Cumulant = false;
  double MeanD = 0.0, Mu2 = 0.0, Mu3 = 0.0;

  double Plain(double tau) const { return Amplitude * std::exp(-D * Q * tau); }
  // The cumulant expansion of the mean of exp(-D Q tau) over a narrow D
  // distribution, to its third moment.
  double At(double tau) const {
    if (!Cumulant) return Plain(tau);
    const double qt = Q * tau;
    return Amplitude * std::exp(-MeanD * qt) *
           (1.0 + 0.5 * Mu2 * qt * qt - Mu3 * qt * qt * qt / 6.0);
  }
};

Decay DecayOfScan(const DlsKernelInputs& in, int scan, bool cumulant) {
  // The refractive index, the scattering angle (degrees) and the wavelength
  // (m) are the fourth, sixth and seventh numbers of the file's parameter line.
  const DlsRecord& r = DlsRecords[scan];
  const double q = DlsScatteringVector(r.DlsSetting4, r.DlsSetting6, r.DlsSetting7);
  Decay d;
  d.Q = kSquareMetresPerSquareCentimetre * q * q;
  d.D = in.D;
  d.Amplitude = in.Amplitude;
  d.Cumulant = cumulant;
  d.MeanD = in.MeanD;
  d.Mu2 = in.Mu2;
  d.Mu3 = in.Mu3;
  return d;
}

double LagOf(float log10Lag) {
  return std::pow(10.0, static_cast<double>(log10Lag));
}

// A column on the common grid, or at a scan's own lags; plain or cumulant.
void WriteColumn(const Decay& decay, int n, const float* lags, float* out, bool anyD) {
  if (decay.D <= 0.0 && !anyD) {
    // No decay to resolve: all of the amplitude sits at the shortest lag.
    for (int j = 1; j <= n; ++j) out[j] = 0.0f;
    if (n >= 1) out[1] = static_cast<float>(decay.Amplitude);
    return;
  }
  for (int j = 1; j <= n; ++j) out[j] = static_cast<float>(decay.At(LagOf(lags[j])));
}

// The continuous branch of one scan; false (after the message) when the
// scan does not hold field autocorrelations.
bool WriteKernelColumn(const DlsKernelInputs& in, int scan, bool atScanRadii) {
  if (!DlsRecords[scan].HoldsFieldAcf) {
    ErrorBox("no field ACF in DLS distribution model");
    return false;
  }
  assert(in.Kernel && in.GridPoint >= 1);
  const auto& data = ScanDataSet;
  const int n = atScanRadii ? data.ScanPointCount[scan] : CommonRadialGrid.CommonGridSize;
  const float* lags = atScanRadii ? data.ScanRadius[scan].data() : CommonRadialGrid.CommonGrid;
  assert(n <= in.PointCapacity);
  WriteColumn(DecayOfScan(in, scan, false), n, lags, in.Kernel[in.GridPoint][scan], atScanRadii);
  return true;
}

// The discrete branch of one scan.
void WriteSpeciesSignal(const DlsKernelInputs& in, int scan, bool cumulant) {
  const Decay decay = DecayOfScan(in, scan, cumulant);
  auto& data = ScanDataSet;
  if (ModelParameters.LinearConcentrations || FitControl.TINoiseFitted) {
    const int n = CommonRadialGrid.CommonGridSize;
    ScanArray& basis = SpeciesSignals.SpeciesBasis[GlobalLammRun.CurrentSpecies][scan];
    assert(basis.size() >= n);
    WriteColumn(decay, n, CommonRadialGrid.CommonGrid, basis.data(), false);
    return;
  }
  const int n = data.ScanPointCount[scan];
  ScanArray& model = data.ScanModel[scan];
  if (in.D <= 0.0) {
    if (n >= 1) model[1] += static_cast<float>(in.Amplitude);
    return;
  }
  for (int j = 1; j <= n; ++j)
    model[j] += static_cast<float>(decay.At(LagOf(data.ScanRadius[scan][j])));
}

}  // namespace

double DlsScatteringVector(float refractiveIndex, float angleDegrees, float wavelength) {
  const double pi = static_cast<double>(PhysicalConstantsRecord::Pi);
  const double theta = static_cast<double>(angleDegrees) * 2.0 * pi / 360.0;
  return 4.0 * pi * refractiveIndex * std::sin(theta / 2.0) / static_cast<double>(wavelength);
}

bool DLSKernel(const DlsKernelInputs& in) {
  const ModelKind kind = ModelSelection.Kind;
  const bool continuous = kind == ModelKind::DlsIRh || kind == ModelKind::DlsID;
  const bool cumulant = kind == ModelKind::CumulantAnalysis;
  for (int position = 1; position <= ScanDataSet.NFILES; ++position) {
    const int scan = ScanDataSet.ScanTimeOrder[position];
    if (!continuous) {
      WriteSpeciesSignal(in, scan, cumulant);
    } else if (!WriteKernelColumn(in, scan, in.AtScanRadii)) {
      return false;
    }
  }
  return true;
}

bool DLSKernelColumn(const DlsKernelInputs& in) {
  assert(in.FirstScan >= 1 && in.LastScan <= ScanDataSet.NFILES);
  for (int position = in.FirstScan; position <= in.LastScan; ++position) {
    if (KeyPressed()) ComputationAbort = true;
    if (!WriteKernelColumn(in, ScanDataSet.ScanTimeOrder[position], false)) return false;
  }
  return true;
}
