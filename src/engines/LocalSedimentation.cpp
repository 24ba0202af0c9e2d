#include "engines/LocalSedimentation.h"

#include <algorithm>
#include <cmath>

#include "state/ModelSelection.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "engines/CosoluteSolver.h"
#include "engines/EngineRunReads.h"
#include "engines/InhomogeneousSolvent.h"
#include "lamm/VolumeFractionFactors.h"
#include "models/GlobalLammState.h"

AssociationParametersRecord AssociationParameters;
AssociationTableRecord AssociationTable;

namespace {

// 1 + k c at or below this is treated as a vanishing factor: s would be
// infinite (or change sign) and D would vanish, which no real solution does.
constexpr double kNonidealFloor = 1e-3;

double SignalPerConcentration() {
  const double v = ScanDataSet.SignalPerConcentration;
  return v > 0.0 ? v : 1.0;
}

// Non-ideal s and D at c; a vanishing factor 1 + k c is reported instead
// of divided through.
void KsKdAt(double c, double& s, double& D) {
  const AssociationParametersRecord& p = AssociationParameters;
  const double fs = 1.0 + p.Ks * c, fd = 1.0 + p.Kd * c;
  if (fs <= kNonidealFloor || fd <= kNonidealFloor) {
    GlobalLammRun.NonidealityError = 1;
    s = p.s1;
    D = p.D1;
    return;
  }
  s = p.s1 / fs;
  D = p.D1 * fd;
}

// Hindered settling at the local concentration c / (signal per mg/ml), with
// the species' f/f0 from s1 and D1 in the current buffer; ks is the volume
// correction factor and kd the Baxter temperature.
void HinderedAt(double c, double& s, double& D) {
  const AssociationParametersRecord& p = AssociationParameters;
  const SolventConditionsRecord& b = SolventConditions;
  const double x = c / SignalPerConcentration();
  s = p.s1 * SedFactorAtConcFromSD(x, p.Ks, p.Kd, p.s1, p.D1, b.VBAR, b.BufferDensity,
                                   b.BufferTemperature, b.RELVISCOSITY);
  D = p.D1 * DiffFactorAtConcFromSD(x, p.Ks, p.Kd, p.s1, p.D1, b.VBAR, b.BufferDensity,
                                    b.BufferTemperature, b.RELVISCOSITY);
}

void SeriesAt(double c, double& s, double& D) {
  const InhomogeneousSolventSettingsRecord& t = InhomogeneousSolventSettings;
  s = PolynomialOfC(t.CosoluteSCoefficients.data(), t.CosoluteSCoefficientCount, c);
  D = PolynomialOfC(t.CosoluteDCoefficients.data(), t.CosoluteDCoefficientCount, c);
}

// Reads the s(c) and D(c) series anew, whatever the co-solute's own CsCl
// choice (which belongs to the inhomogeneous solvent and stays as set). False
// when either series is missing: a run with s = D = 0 would show nothing
// but a flat line.
bool LoadSeries() {
  InhomogeneousSolventSettingsRecord& t = InhomogeneousSolventSettings;
  const bool cosoluteCsCl = t.CosoluteCsCl;
  t.CosoluteCsCl = false;
  LoadCosoluteNonidealTables();
  t.CosoluteCsCl = cosoluteCsCl;
  return t.CosoluteSCoefficientCount >= 1 && t.CosoluteDCoefficientCount >= 1;
}

// The law of a non-ideal or hindered species from the current options.
bool PrepareNonidealLaw(bool hindered) {
  AssociationParametersRecord& p = AssociationParameters;
  if (p.PolynomialOption) {
    p.Law = p.CsClOption ? NonidealLaw::CsCl : NonidealLaw::Polynomial;
    if (p.Law == NonidealLaw::CsCl || LoadSeries()) return true;
    GlobalLammRun.NonidealityError = 1;
    return false;
  }
  if (hindered) {
    p.Law = NonidealLaw::Hindered;
    p.Ks = std::fabs(p.EnteredKs);
    p.Kd = std::fabs(p.EnteredKd);
    return true;
  }
  p.Law = NonidealLaw::KsKd;
  const double sign = p.Repulsive ? 1.0 : -1.0;
  p.Ks = sign * std::pow(10.0, p.EnteredKs) / SignalPerConcentration();
  p.Kd = sign * std::pow(10.0, p.EnteredKd) / SignalPerConcentration();
  const double c1 = GlobalLammArrays.LammConcentration[1];
  if (p.Ks * c1 > 1.0) {
    GlobalLammRun.NonidealityError = 1;
    return false;
  }
  return true;
}

// Dimer-to-monomer weight ratio x = K c_monomer of the monomer-dimer
// equilibrium c = c1 + K c1^2 (the root of x^2 + x - K c = 0).
double DimerRatio(double c) {
  const double kc = AssociationParameters.K * std::max(c, 0.0);
  // 2 Kc / (1 + sqrt(1 + 4 Kc)) is the same root without cancellation.
  return 2.0 * kc / (1.0 + std::sqrt(1.0 + 4.0 * kc));
}

double DimerWeightS(double x) {
  const AssociationParametersRecord& p = AssociationParameters;
  return (p.s1 + x * p.s2) / (1.0 + x);
}

double DimerGradientD(double x) {
  const AssociationParametersRecord& p = AssociationParameters;
  return (p.D1 + 2.0 * x * p.D2) / (1.0 + 2.0 * x);
}

void TrimerAt(double c, double& s, double& D) {
  const AssociationParametersRecord& p = AssociationParameters;
  const double y = CubicRoot(std::max(c, 0.0));
  const double q = p.K * y * y;  // trimer-to-monomer weight ratio
  s = (p.s1 + q * p.s2) / (1.0 + q);
  D = (p.D1 + 3.0 * q * p.D2) / (1.0 + 3.0 * q);
}

bool Is124() {
  return ModelSelection.Kind == ModelKind::SelfAssociation124;
}

// Fills the nodes with the model at the given profile; with average set,
// each stored value v becomes (v + new)/2.
template <typename At>
void FillNodes(const double* c, bool average, At at) {
  const LocalSedimentationArrays w = LocalSedimentationWork();
  for (int i = 1; i <= GridSize(); ++i) {
    double s = 0.0, D = 0.0;
    at(c[i], s, D);
    if (average) {
      w.LocalSedimentation[i] = 0.5 * (w.LocalSedimentation[i] + s);
      w.LocalDiffusion[i] = 0.5 * (w.LocalDiffusion[i] + D);
    } else {
      w.LocalSedimentation[i] = s;
      w.LocalDiffusion[i] = D;
    }
  }
}

}  // namespace

LocalSedimentationArrays LocalSedimentationWork() {
  LocalSedimentationArrays w;
  w.OldTotalSignal = MainArray(3);
  w.TrialSignal = ConcDependentArray(0);
  w.LocalSedimentation = ConcDependentArray(1);
  w.LocalDiffusion = ConcDependentArray(2);
  return w;
}

bool PrepareLocalSedimentation() {
  AssociationParametersRecord& p = AssociationParameters;
  const ModelKind kind = ModelSelection.Kind;
  GlobalLammRun.NonidealityError = 0;
  switch (kind) {
    case ModelKind::NonidealSingleSpecies:
    case ModelKind::HinderedSingleSpecies:
      return PrepareNonidealLaw(kind == ModelKind::HinderedSingleSpecies);
    case ModelKind::MonomerDimer:
      p.K = std::pow(10.0, p.LogK);
      p.Ks = p.DimerNonideality ? std::pow(10.0, p.EnteredKs) : 0.0;
      return true;
    case ModelKind::MonomerTrimer:
      p.K = std::pow(10.0, p.LogK);
      p.K2 = p.K * p.K;
      p.K3 = p.K2 * p.K;
      return true;
    case ModelKind::SelfAssociation124:
    case ModelKind::SelfAssociation148:
      p.Ka = std::pow(10.0, p.LogKa);
      p.Kb = std::pow(10.0, p.LogKb);
      BuildAssociationTable();
      return true;
    default:
      return false;
  }
}

void ModelLocalSD() {
  switch (ModelSelection.Kind) {
    case ModelKind::MonomerDimer:
      MonomerDimerLocalSD();
      break;
    case ModelKind::MonomerTrimer:
      MonomerTrimerLocalSD();
      break;
    case ModelKind::SelfAssociation124:
    case ModelKind::SelfAssociation148:
      AssociationLocalSD();
      break;
    default:
      NonidealLocalSD();
      break;
  }
}

void ModelLocalSDAverage() {
  switch (ModelSelection.Kind) {
    case ModelKind::MonomerDimer:
      MonomerDimerLocalSDAverage();
      break;
    case ModelKind::MonomerTrimer:
      MonomerTrimerLocalSDAverage();
      break;
    case ModelKind::SelfAssociation124:
    case ModelKind::SelfAssociation148:
      AssociationLocalSDAverage();
      break;
    default:
      NonidealLocalSDAverage();
      break;
  }
}

void NonidealCoefficientsAt(double c, double& s, double& D) {
  switch (AssociationParameters.Law) {
    case NonidealLaw::CsCl:
      s = CsClSedCoeff(c);
      D = CsClDiffCoeff(c);
      return;
    case NonidealLaw::Polynomial:
      SeriesAt(c, s, D);
      return;
    case NonidealLaw::Hindered:
      HinderedAt(c, s, D);
      return;
    case NonidealLaw::KsKd:
      KsKdAt(c, s, D);
      return;
  }
}

void NonidealLocalSD() {
  FillNodes(LocalSedimentationWork().OldTotalSignal, false, NonidealCoefficientsAt);
}

void NonidealLocalSDAverage() {
  FillNodes(LocalSedimentationWork().TrialSignal, true, NonidealCoefficientsAt);
}

void MonomerDimerLocalSD() {
  const AssociationParametersRecord& p = AssociationParameters;
  FillNodes(LocalSedimentationWork().OldTotalSignal, false, [&](double c, double& s, double& D) {
    const double x = DimerRatio(c);
    s = DimerWeightS(x);
    if (p.DimerNonideality) s /= 1.0 + p.Ks * c;
    D = DimerGradientD(x);
  });
}

void MonomerDimerLocalSDAverage() {
  const AssociationParametersRecord& p = AssociationParameters;
  const LocalSedimentationArrays w = LocalSedimentationWork();
  for (int i = 1; i <= GridSize(); ++i) {
    const double trial = w.TrialSignal[i], old = w.OldTotalSignal[i];
    const double x = DimerRatio(trial);
    if (p.DimerNonideality) {
      // The hydrodynamic factor is applied once to the mean weight average,
      // at the mean concentration of the step.
      const double mean = 0.5 * (DimerWeightS(DimerRatio(old)) + DimerWeightS(x));
      w.LocalSedimentation[i] = mean / (1.0 + p.Ks * 0.5 * (old + trial));
    } else {
      w.LocalSedimentation[i] = 0.5 * (w.LocalSedimentation[i] + DimerWeightS(x));
    }
    w.LocalDiffusion[i] = 0.5 * (w.LocalDiffusion[i] + DimerGradientD(x));
  }
}

void MonomerTrimerLocalSD() {
  FillNodes(LocalSedimentationWork().OldTotalSignal, false, TrimerAt);
}

void MonomerTrimerLocalSDAverage() {
  FillNodes(LocalSedimentationWork().TrialSignal, true, TrimerAt);
}

double CubicRoot(double c) {
  const double K = AssociationParameters.K;
  if (c <= 0.0) return 0.0;
  if (!(K > 0.0)) return c;
  // Cardano: y = a - b with a^3 = c/(2K) + w, b^3 = -c/(2K) + w; written as
  // (a^3 - b^3)/(a^2 + ab + b^2) = (c/K)/(a^2 + ab + b^2), the difference of
  // two nearly equal cube roots at small K c^2 cancels no digits.
  const double h = c / (2.0 * K);
  const double w = std::sqrt(1.0 / (27.0 * K * K * K) + h * h);
  const double a = std::cbrt(h + w), b = std::cbrt(w - h);
  double y = (c / K) / (a * a + a * b + b * b);
  // One Newton step on K y^3 + y - c polishes the last digits.
  y -= (K * y * y * y + y - c) / (3.0 * K * y * y + 1.0);
  return y;
}

double AssociationTotal(double x) {
  const AssociationParametersRecord& p = AssociationParameters;
  if (Is124()) return x + p.Ka * x * x + p.Kb * std::pow(x, 4);
  return x + p.Ka * std::pow(x, 4) + p.Kb * std::pow(x, 8);
}

double AssociationWeightedS(double x) {
  const AssociationParametersRecord& p = AssociationParameters;
  const double* s = p.OligomerS;
  const double a = Is124() ? p.Ka * x : p.Ka * std::pow(x, 3);
  const double b = Is124() ? p.Kb * std::pow(x, 3) : p.Kb * std::pow(x, 7);
  return (s[1] + a * s[2] + b * s[3]) / (1.0 + a + b);
}

double AssociationGradientD(double x) {
  const AssociationParametersRecord& p = AssociationParameters;
  const double* D = p.OligomerD;
  const double na = Is124() ? 2.0 : 4.0, nb = Is124() ? 4.0 : 8.0;
  const double a = Is124() ? p.Ka * x : p.Ka * std::pow(x, 3);
  const double b = Is124() ? p.Kb * std::pow(x, 3) : p.Kb * std::pow(x, 7);
  return (D[1] + na * a * D[2] + nb * b * D[3]) / (1.0 + na * a + nb * b);
}

void BuildAssociationTable() {
  AssociationTableRecord& t = AssociationTable;
  const int n = t.Rows;
  t.Table.Resize(1, n, 1, 4);
  const double ratio = std::pow(t.XMax / t.XMin, 1.0 / (n - 1));
  double x = t.XMin;
  for (int i = 1; i <= n; ++i) {
    if (i > 1) x *= ratio;
    t.Table[i][1] = x;
    t.Table[i][2] = AssociationTotal(x);
    t.Table[i][3] = AssociationWeightedS(x);
    t.Table[i][4] = AssociationGradientD(x);
  }
  t.SearchStart = 1;
  t.Built = true;
}

void AssociationTableLookup(double c, double& s, double& D) {
  AssociationTableRecord& t = AssociationTable;
  const OneBasedMatrix<double>& m = t.Table;
  const int n = t.Rows;
  if (c <= m[1][2]) {
    s = m[1][3];
    D = m[1][4];
    return;
  }
  int j = 1;
  if (t.SearchStart > 10 && t.SearchStart <= n && c > m[t.SearchStart - 10][2])
    j = t.SearchStart - 10;
  while (j <= n && c > m[j][2]) ++j;
  if (j > n) {
    s = m[n][3];
    D = m[n][4];
    return;
  }
  t.SearchStart = j;
  if (j == n || c == m[j][2]) {
    s = m[j][3];
    D = m[j][4];
    return;
  }
  const double f = (c - m[j - 1][2]) / (m[j][2] - m[j - 1][2]);
  s = m[j - 1][3] + f * (m[j][3] - m[j - 1][3]);
  D = m[j - 1][4] + f * (m[j][4] - m[j - 1][4]);
}

void AssociationLocalSD() {
  FillNodes(LocalSedimentationWork().OldTotalSignal, false, AssociationTableLookup);
}

void AssociationLocalSDAverage() {
  FillNodes(LocalSedimentationWork().TrialSignal, true, AssociationTableLookup);
}

void FreeAssociationTable() {
  AssociationTable.Table = OneBasedMatrix<double>();
  AssociationTable.Built = false;
  AssociationTable.SearchStart = 1;
}
