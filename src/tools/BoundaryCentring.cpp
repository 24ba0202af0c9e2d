#include "tools/BoundaryCentring.h"

#include "state/FitControl.h"
#include "state/ModelParameters.h"

CentringMode CurrentCentringMode() {
  const bool ti = FitControl.TINoiseFitted, ri = ModelParameters.RINoiseFitted;
  if (ti && ri) return CentringMode::TIAndRI;
  if (ti) return CentringMode::TI;
  if (ri) return CentringMode::RI;
  if (ModelParameters.SystematicNoiseOn) return CentringMode::Baseline;
  return CentringMode::None;
}

void Centre(Rows& rows, CentringMode mode) {
  const int scans = static_cast<int>(rows.size());
  if (mode == CentringMode::None || scans == 0) return;
  const int R = static_cast<int>(rows[0].size()) - 1;
  if (R < 1) return;
  std::vector<double> scanMean(scans, 0.0), radiusMean(R + 1, 0.0);
  double grand = 0.0;
  for (int j = 0; j < scans; ++j)
    for (int k = 1; k <= R; ++k) {
      scanMean[j] += rows[j][k] / R;
      radiusMean[k] += rows[j][k] / scans;
      grand += rows[j][k];
    }
  grand /= static_cast<double>(scans) * R;
  for (int j = 0; j < scans; ++j)
    for (int k = 1; k <= R; ++k) {
      double& v = rows[j][k];
      switch (mode) {
        case CentringMode::TIAndRI:
          v += grand - scanMean[j] - radiusMean[k];
          break;
        case CentringMode::TI:
          v -= radiusMean[k];
          break;
        case CentringMode::RI:
          v -= scanMean[j];
          break;
        case CentringMode::Baseline:
          v -= grand;
          break;
        case CentringMode::None:
          break;
      }
    }
}
