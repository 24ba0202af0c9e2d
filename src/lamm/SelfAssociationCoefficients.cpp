// A protein in rapid monomer-oligomer equilibrium sediments as one
// constituent whose s is the weight-average and whose D is the
// gradient-average of the equilibrium mixture at the local total
// concentration (the mass-action law fixes the composition at every point).
// Monomer-dimer and monomer-trimer are solved in closed form; the two
// three-state schemes (1-2-4 and 1-4-8) are tabulated over the monomer
// concentration and interpolated in the total concentration.

#include <algorithm>
#include <cmath>

#include "lamm/CLammIdeal.h"
#include "lamm/VolumeFractionFactors.h"

namespace {

// Oligomer sizes of the two tabulated schemes: first and second oligomer.
struct TableScheme {
  int a, b;
};

TableScheme SchemeOf(const CLammIdeal& l) {
  return l.TetramerOctamerModel ? TableScheme{4, 8} : TableScheme{2, 4};
}

}  // namespace

void CLammIdeal::PrepareAssociation() {
  if (MonomerDimerModel || MonomerTrimerModel) {
    AssociationK = std::pow(10.0, static_cast<double>(LogAssociationK));
    AssociationKSquared = AssociationK * AssociationK;
    AssociationKCubed = AssociationKSquared * AssociationK;
  }
  if (DimerTetramerModel || TetramerOctamerModel) {
    AssociationTableOn = 1;
    TableKA = std::pow(10.0, static_cast<double>(LogTableKA));
    TableKB = std::pow(10.0, static_cast<double>(LogTableKB));
    BuildAssociationTable();
  }
}

void CLammIdeal::AssociationNonidealFactors(double c, double& fs, double& fd) {
  fs = fd = 1.0;
  if (!NonIdealityOn) return;
  if (HardSphereNonideality) {
    const double x = c / NonidealityScale;
    fs = SedFactorAtConcFromSD(x, KsValue, KdValue, MonomerS, MonomerD, Vbar, SolventDensity,
                               Temperature, RelativeViscosity);
    fd = DiffFactorAtConcFromSD(x, KsValue, KdValue, MonomerS, MonomerD, Vbar, SolventDensity,
                                Temperature, RelativeViscosity);
    return;
  }
  LinearFactors(c, fs, fd);
}

// --- Closed-form schemes ---

void CLammIdeal::MonomerDimerSD(double c, double& s, double& D) const {
  // x = c2/c1 from K c1^2 = c2 and c1 + c2 = c.
  const double x = (std::sqrt(4 * AssociationK * c + 1) - 1) / 2;
  s = (x * OligomerS + MonomerS) / (x + 1);
  D = (2 * x * OligomerD + MonomerD) / (2 * x + 1);
}

double CLammIdeal::MonomerTrimerFreeMonomer(double c) const {
  // Cardano's root of K c1^3 + c1 - c = 0 (the only real one).
  const double K = AssociationK;
  const double h = c / (2 * K);
  const double q = std::sqrt(c * c / (4 * AssociationKSquared) + 1 / (27 * AssociationKCubed));
  return std::cbrt(h + q) - std::cbrt(q - h);
}

void CLammIdeal::MonomerTrimerSD(double c, double& s, double& D) const {
  const double c1 = MonomerTrimerFreeMonomer(c);
  const double y = AssociationK * c1 * c1;  // c3/c1
  s = (y * OligomerS + MonomerS) / (y + 1);
  D = (3 * y * OligomerD + MonomerD) / (3 * y + 1);
}

namespace {

// The node coefficients of a closed-form scheme from the old level, or
// averaged with those at the predicted level; the non-ideality factors at the
// old level, or at the mean of both levels.
template <class SchemeSD>
void ClosedFormCoefficients(CLammIdeal& l, bool averaged, SchemeSD sd) {
  for (int i = 1; i <= l.GridSize; ++i) {
    const double co = l.PreviousConcentration[i];
    double s, D;
    sd(co, s, D);
    double c = co;
    if (averaged) {
      const double cp = l.PredictedConcentration[i];
      double sp, Dp;
      sd(cp, sp, Dp);
      s = (sp + s) / 2;
      D = (Dp + D) / 2;
      c = (co + cp) / 2;
    }
    double fs, fd;
    l.AssociationNonidealFactors(c, fs, fd);
    if (l.ConcDependenceError) return;
    l.NodeSedimentation[i] = s * fs;
    l.NodeDiffusion[i] = D * fd;
  }
}

}  // namespace

void CLammIdeal::MonomerDimerCoefficients() {
  ClosedFormCoefficients(*this, false,
                         [this](double c, double& s, double& D) { MonomerDimerSD(c, s, D); });
}

void CLammIdeal::MonomerDimerCoefficientsAveraged() {
  ClosedFormCoefficients(*this, true,
                         [this](double c, double& s, double& D) { MonomerDimerSD(c, s, D); });
}

void CLammIdeal::MonomerTrimerCoefficients() {
  ClosedFormCoefficients(*this, false,
                         [this](double c, double& s, double& D) { MonomerTrimerSD(c, s, D); });
}

void CLammIdeal::MonomerTrimerCoefficientsAveraged() {
  ClosedFormCoefficients(*this, true,
                         [this](double c, double& s, double& D) { MonomerTrimerSD(c, s, D); });
}

// --- Tabulated schemes ---

double CLammIdeal::AssociationTotalConcentration(double c1) const {
  const TableScheme m = SchemeOf(*this);
  return c1 + TableKA * std::pow(c1, m.a) + TableKB * std::pow(c1, m.b);
}

double CLammIdeal::AssociationWeightAverageS(double c1) const {
  const TableScheme m = SchemeOf(*this);
  const double a = TableKA * std::pow(c1, m.a - 1), b = TableKB * std::pow(c1, m.b - 1);
  return (TableS1 + a * TableSA + b * TableSB) / (1 + a + b);
}

double CLammIdeal::AssociationGradientAverageD(double c1) const {
  const TableScheme m = SchemeOf(*this);
  const double a = TableKA * std::pow(c1, m.a - 1), b = TableKB * std::pow(c1, m.b - 1);
  return (TableD1 + m.a * a * TableDA + m.b * b * TableDB) / (1 + m.a * a + m.b * b);
}

void CLammIdeal::BuildAssociationTable() {
  const int n = std::max(AssociationTableSize, 2);
  AssociationTable.Resize(1, n, 1, 4);
  TableRatio = std::pow(TableMaxMonomer / TableMinMonomer, 1.0 / (n - 1));
  double c1 = TableMinMonomer;
  for (int i = 1; i <= n; ++i) {
    if (i > 1) c1 *= TableRatio;
    double* row = AssociationTable[i];
    row[1] = c1;
    row[2] = AssociationTotalConcentration(c1);
    row[3] = AssociationWeightAverageS(c1);
    row[4] = AssociationGradientAverageD(c1);
    if (NonIdealityOn && i > 1) {
      double fs = 1.0, fd = 1.0;
      if (HardSphereNonideality) {
        const double x = row[2] / NonidealityScale;
        const double s1 = AssociationTable[1][3], D1 = AssociationTable[1][4];
        fs = SedFactorAtConcFromSD(x, KsValue, KdValue, s1, D1, Vbar, SolventDensity, Temperature,
                                   RelativeViscosity);
        fd = DiffFactorAtConcFromSD(x, KsValue, KdValue, s1, D1, Vbar, SolventDensity, Temperature,
                                    RelativeViscosity);
      } else {
        // Rows beyond the linear model's range are never reached by a
        // valid run; the table keeps their unclamped values.
        fs = 1 - KsValue * row[2];
        fd = 1 + KdValue * row[2];
      }
      row[3] *= fs;
      row[4] *= fd;
    }
  }
  TableCursor = 1;
}

void CLammIdeal::FreeAssociationTable() {
  AssociationTable = OneBasedMatrix<double>();
  AssociationTableOn = 0;
}

void CLammIdeal::LookupAssociationTable(double c) {
  const int n = AssociationTable.rows();
  const auto take = [&](int row) {
    LookupS = AssociationTable[row][3];
    LookupD = AssociationTable[row][4];
  };
  if (n < 1) return;
  if (c <= AssociationTable[1][2]) {
    take(1);
    return;
  }
  // Consecutive look-ups come from neighbouring nodes: when the
  // concentration lies beyond the row ten before the last one found, the
  // search starts just after that row (never past the first row that
  // brackets c, which a start at the last row itself could miss).
  int start = 1;
  if (TableCursor >= 11 && TableCursor <= n && c > AssociationTable[TableCursor - 10][2])
    start = TableCursor - 9;
  int b = start;
  while (b < n && AssociationTable[b][2] < c) ++b;
  TableCursor = b;
  if (b == n || c > AssociationTable[n][2]) {
    take(n);
    return;
  }
  const double* hi = AssociationTable[b];
  if (c == hi[2]) {
    take(b);
    return;
  }
  const double* lo = AssociationTable[b - 1];
  const double f = (c - lo[2]) / (hi[2] - lo[2]);
  LookupS = lo[3] + f * (hi[3] - lo[3]);
  LookupD = lo[4] + f * (hi[4] - lo[4]);
}

void CLammIdeal::TableNodeCoefficients() {
  for (int i = 1; i <= GridSize; ++i) {
    LookupAssociationTable(PreviousConcentration[i]);
    NodeSedimentation[i] = LookupS;
    NodeDiffusion[i] = LookupD;
  }
}

void CLammIdeal::TableNodeCoefficientsAveraged() {
  for (int i = 1; i <= GridSize; ++i) {
    LookupAssociationTable(PredictedConcentration[i]);
    NodeSedimentation[i] = (NodeSedimentation[i] + LookupS) / 2;
    NodeDiffusion[i] = (NodeDiffusion[i] + LookupD) / 2;
  }
}
