// The mean field of the non-ideal c(s) model: data trajectories of signal
// levels, the time grid, the ctot field from the fitted profiles, its
// resampling onto the solver's grid, and the external frames.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "state/ProgramPaths.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "distributions/ContiNonid.h"
#include "distributions/CtotMovie.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/MatrixFiles.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

const ScanHeader& HeaderAt(int position) {
  const auto& d = ScanDataSet;
  return d.ScanHeaders[d.ScanTimeOrder[position]];
}

// The signal of scan `scan` on the common grid with the fitted systematic
// noise taken away; the loaded data stay as they are.
std::vector<double> SignalWithoutNoise(int scan) {
  const auto& g = CommonRadialGrid;
  const int R = g.CommonGridSize;
  std::vector<double> y(static_cast<std::size_t>(R) + 1, 0.0);
  const bool ti = FitControl.TINoiseFitted && g.TINoise.size() >= R;
  const bool ri = ModelParameters.RINoiseFitted && g.RINoise.size() >= ScanDataSet.NFILES;
  const float baseline =
      !ti && !ri && ModelParameters.SystematicNoiseOn ? ModelParameters.Baseline : 0.0f;
  for (int r = 1; r <= R; ++r) {
    double v = g.ResampledSignals[scan][r];
    if (ti) v -= g.TINoise[r];
    if (ri) v -= g.RINoise[scan];
    y[static_cast<std::size_t>(r)] = v - baseline;
  }
  return y;
}

void EqualRadii(OneBasedArray<float>& radii, int n, float a, float b) {
  radii = OneBasedArray<float>(1, n);
  for (int i = 1; i <= n; ++i)
    radii[i] = n > 1 ? a + (b - a) * static_cast<float>(i - 1) / static_cast<float>(n - 1) : a;
}

}  // namespace

void CContiNonid::AllocateLevelArrays() {
  const int scans = ScanDataSet.NFILES;
  const int grid = LammSolverSettings.LammGridSize;
  LevelCount = grid > 1 ? std::min(LevelsRequested, grid) : LevelsRequested;
  LevelRadiusPerScan = OneBasedMatrix<double>(1, std::max(scans, 1), 1, LevelCount);
  LevelTrajectory = OneBasedMatrix<double>(1, ExtrapolationTimeCount, 1, LevelCount);
  ExtrapolationTimes = OneBasedArray<double>(1, ExtrapolationTimeCount);
  LevelValues = OneBasedArray<double>(1, LevelCount);
  LevelArraysAllocated = true;
}

void CContiNonid::ExtrapolateLevelTrajectories() {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  if (d.NFILES < 1 || g.CommonGridSize < 1) return;
  if (!LevelArraysAllocated || LevelRadiusPerScan.rows() < d.NFILES) AllocateLevelArrays();
  const float men = ModelParameters.Meniscus, bot = ModelParameters.Bottom;
  const int first = std::max(1, g.GridFirstFitIndex), last = std::min(g.CommonGridSize, g.GridLastFitIndex);
  std::vector<std::vector<double>> signals(static_cast<std::size_t>(d.NFILES) + 1);
  for (int p = 1; p <= d.NFILES; ++p)
    signals[static_cast<std::size_t>(p)] = SignalWithoutNoise(d.ScanTimeOrder[p]);

  if (UseDataExtrapolation) {
    double M = 0.0;
    for (int p = 1; p <= d.NFILES; ++p)
      for (int r = first; r <= last; ++r) M = std::max(M, signals[static_cast<std::size_t>(p)][static_cast<std::size_t>(r)]);
    LowestLevel = 0.001 * M;
    HighestLevel = M - 0.001 * (M - LowestLevel);
    LevelStep = LevelCount > 1 ? (HighestLevel - LowestLevel) / (LevelCount - 1) : 0.0;
    for (int i = 1; i <= LevelCount; ++i) LevelValues[i] = LowestLevel + (i - 1) * LevelStep;
  }

  // The radius at which each scan first reaches each level.
  for (int p = 1; p <= d.NFILES; ++p) {
    const auto& y = signals[static_cast<std::size_t>(p)];
    std::vector<bool> set(static_cast<std::size_t>(LevelCount) + 1, false);
    for (int i = 1; i <= LevelCount; ++i)
      if (LevelValues[i] < y[static_cast<std::size_t>(first)]) {
        LevelRadiusPerScan[p][i] = men;
        set[static_cast<std::size_t>(i)] = true;
      }
    for (int r = first; r <= last; ++r)
      for (int i = 1; i <= LevelCount; ++i)
        if (!set[static_cast<std::size_t>(i)] && LevelValues[i] <= y[static_cast<std::size_t>(r)]) {
          LevelRadiusPerScan[p][i] = g.CommonGrid[r];
          set[static_cast<std::size_t>(i)] = true;
        }
    for (int i = 1; i <= LevelCount; ++i)
      if (!set[static_cast<std::size_t>(i)]) LevelRadiusPerScan[p][i] = bot;
  }
  if (!ProgramPaths.BoundaryFractsFile.empty())
    WriteDMatrixFile(LevelRadiusPerScan.get(), 1, d.NFILES, 1, LevelCount,
                     ProgramPaths.BoundaryFractsFile);

  LastScanTime = HeaderAt(d.NFILES).Time;
  FirstScanTime = HeaderAt(1).Time;
  TimeStep = LastScanTime / ExtrapolationTimeCount;
  for (int v = 1; v <= ExtrapolationTimeCount; ++v)
    ExtrapolationTimes[v] = v * LastScanTime / ExtrapolationTimeCount;

  for (int i = 1; i <= LevelCount; ++i) {
    const auto early = [&](double t) -> double {
      if (!(LevelRadiusPerScan[1][i] > men)) return men;
      double Sxt = 0, Stt = 0, Sxtt = 0, Sttt = 0, Stttt = 0, displacement = 0;
      int collected = 0, accepted = 0;
      double lastX = 0, previousX = 0;
      for (int p = 1; p <= d.NFILES; ++p) {
        const double tp = HeaderAt(p).Time;
        if (tp > (1.0 + EarlyTimeFactor) * FirstScanTime) break;
        const double x = LevelRadiusPerScan[p][i] - men;
        ++collected;
        displacement += x;
        const bool ok = x > 1e-10 && x + men < bot - 1e-10 && (accepted == 0 || x > lastX) &&
                        (accepted < 2 || x - lastX < 2.0 * (lastX - previousX));
        if (!ok) continue;
        Sxt += x * tp;
        Stt += tp * tp;
        Sxtt += x * tp * tp;
        Sttt += tp * tp * tp;
        Stttt += tp * tp * tp * tp;
        previousX = lastX;
        lastX = x;
        ++accepted;
      }
      if (accepted >= 6) {
        const double D = Stt * Stttt - Sttt * Sttt;
        const double a = D != 0 ? (Sxt * Stttt - Sxtt * Sttt) / D : 0.0;
        const double b = D != 0 ? (Sxtt * Stt - Sxt * Sttt) / D : 0.0;
        if (b == 0 || -a / (2 * b) >= 0) return men + Sxt / Stt * t;
        return men + a * t + b * t * t;
      }
      if (accepted >= 2) return men + Sxt / Stt * t;
      const double mean = collected > 0 ? displacement / collected : 0.0;
      return mean < 0.5 * (bot - men) ? men : bot;
    };
    for (int v = 1; v <= ExtrapolationTimeCount; ++v) {
      const double t = ExtrapolationTimes[v];
      if (t <= FirstScanTime) {
        LevelTrajectory[v][i] = early(t);
        continue;
      }
      int q = 2;
      while (q < d.NFILES && !(HeaderAt(q).Time > t)) ++q;
      q = std::min(q, d.NFILES);
      if (q < 2) {
        LevelTrajectory[v][i] = LevelRadiusPerScan[1][i];
        continue;
      }
      const double t0 = HeaderAt(q - 1).Time, t1 = HeaderAt(q).Time;
      const double r0 = LevelRadiusPerScan[q - 1][i], r1 = LevelRadiusPerScan[q][i];
      LevelTrajectory[v][i] = t1 != t0 ? r0 + (r1 - r0) * (t - t0) / (t1 - t0) : r1;
    }
  }
  if (!ProgramPaths.NonIdCtotTable.empty())
    WriteDMatrixFile(LevelTrajectory.get(), 1, ExtrapolationTimeCount, 1, LevelCount,
                     ProgramPaths.NonIdCtotTable);
}

void CContiNonid::MakeCtotTimeGrid(double tLast) {
  if (pCtotMovie && pCtotMovie->Loaded) {
    CtotTimeCount = pCtotMovie->FrameCount;
    CtotTimes = OneBasedArray<double>(1, CtotTimeCount);
    for (int i = 1; i <= CtotTimeCount; ++i) CtotTimes[i] = pCtotMovie->Times[i];
    HasTimeGrid = true;
    return;
  }
  std::vector<double> t;
  for (int k = 0; k <= 9; ++k) t.push_back(20.0 * k);
  // 200, 300, ... up to the first time not below tLast; a limit on the
  // count keeps a nonsense time from allocating without bound.
  double next = 200.0;
  t.push_back(next);
  while (next < tLast && t.size() < 100000) {
    next += 100.0;
    t.push_back(next);
  }
  CtotTimeCount = static_cast<int>(t.size());
  CtotTimes = OneBasedArray<double>(1, CtotTimeCount);
  for (int i = 1; i <= CtotTimeCount; ++i) CtotTimes[i] = t[static_cast<std::size_t>(i - 1)];
  HasTimeGrid = true;
}

bool CContiNonid::AllocateProfileStore(int equations) {
  const int P = CtotRadialPoints;
  if (equations < 1 || CtotTimeCount < 1 || P < 1) return false;
  const std::size_t rowLength = static_cast<std::size_t>(P) + 1;
  const std::size_t rows = static_cast<std::size_t>(equations) * CtotTimeCount;
  ProfileBlock.assign(rows * rowLength, 0.0f);
  ProfileRows.assign(rows + static_cast<std::size_t>(equations) + 1, nullptr);
  ProfileEquations.assign(static_cast<std::size_t>(equations) + 1, nullptr);
  // Equation e, time i (both from 1): row ((e − 1)·T + i − 1); the row
  // pointers of equation e are addressed from 1.
  for (int e = 1; e <= equations; ++e) {
    float** base = ProfileRows.data() + static_cast<std::size_t>(e - 1) * (CtotTimeCount + 1);
    for (int i = 1; i <= CtotTimeCount; ++i)
      base[i] = ProfileBlock.data() +
                (static_cast<std::size_t>(e - 1) * CtotTimeCount + (i - 1)) * rowLength;
    ProfileEquations[static_cast<std::size_t>(e)] = base;
  }
  EqualRadii(StoredRadii, P, ModelParameters.Meniscus, ModelParameters.Bottom);
  StoredEquationCount = equations;
  ProfileStoreAllocated = true;
  return true;
}

void CContiNonid::AllocCtotField() {
  const int P = CtotRadialPoints;
  PaddedRadii = OneBasedArray<float>(1, P + 2);
  PaddedRadii[1] = StoredRadii[1] - 0.5f;
  for (int j = 1; j <= P; ++j) PaddedRadii[j + 1] = StoredRadii[j];
  PaddedRadii[P + 2] = StoredRadii[P] + 0.5f;
  Ctot = OneBasedMatrix<float>(1, CtotTimeCount, 1, P + 2);
  ResampledSize = SolverGridSize;
  ResampledMeniscus = ModelParameters.Meniscus;
  ResampledBottom = ModelParameters.Bottom;
  EqualRadii(ResampledRadii, ResampledSize, ResampledMeniscus, ResampledBottom);
  ResampledCtot = OneBasedMatrix<float>(1, CtotTimeCount, 1, ResampledSize);
  FieldAllocated = true;
}

void CContiNonid::FreeCtotField() {
  PaddedRadii = OneBasedArray<float>{};
  Ctot = OneBasedMatrix<float>{};
  ResampledRadii = OneBasedArray<float>{};
  ResampledCtot = OneBasedMatrix<float>{};
  FieldAllocated = false;
  FieldValid = false;
}

void CContiNonid::BuildCtotFromSolutions(const double* c, int first, int last) {
  if (!ProfileStoreAllocated) return;
  AllocCtotField();
  const int P = CtotRadialPoints;
  float*** store = ProfileStore();
  last = std::min(last, StoredEquationCount);
  // Each profile is the solution at unit loading, so the sum weighted by the
  // amplitudes is the total signal of the fitted distribution.
  for (int a = first; a <= last; ++a) {
    const double ca = c[a];
    if (ca == 0.0) continue;
    for (int i = 1; i <= CtotTimeCount; ++i) {
      const float* p = store[a][i];
      float* row = Ctot[i];
      row[1] += static_cast<float>(ca * p[1]);
      for (int j = 1; j <= P; ++j) row[j + 1] += static_cast<float>(ca * p[j]);
      row[P + 2] += static_cast<float>(ca * p[P]);
    }
  }
  if (StoredEquationCount >= 1)
    WriteDebugFrames("rawmovieframe", P, StoredRadii.data(), [&](int i) { return store[1][i]; });
  WriteFieldDebugFrames("consmovieframe", "");
  ResampleCtot(ModelParameters.Meniscus, ModelParameters.Bottom, SolverGridSize, true);
  StoreFingerprint();
  FieldValid = true;
}

void CContiNonid::ResampleCtot(float meniscus, float bottom, int n, bool force) {
  if (!FieldAllocated) return;
  const bool exist = ResampledCtot.rows() >= CtotTimeCount && ResampledRadii.size() >= 1;
  if (!force && meniscus == ResampledMeniscus && bottom == ResampledBottom && n == ResampledSize &&
      exist)
    return;
  if (n != ResampledSize) {
    ErrorBox("inconsistent MovienGrid -- should not happen");
    ResampledSize = n;
    EqualRadii(ResampledRadii, n, ResampledMeniscus, ResampledBottom);
    ResampledCtot = OneBasedMatrix<float>(1, CtotTimeCount, 1, n);
  } else if (!exist) {
    EqualRadii(ResampledRadii, n, ResampledMeniscus, ResampledBottom);
    ResampledCtot = OneBasedMatrix<float>(1, CtotTimeCount, 1, n);
  }
  ++ResampleCounter;
  const int padded = PaddedRadii.size();
  for (int i = 1; i <= CtotTimeCount; ++i)
    ResampleCurve(ResampledSize, ResampledRadii.data(), ResampledCtot[i], padded,
                  PaddedRadii.data(), Ctot[i]);
  WriteFieldDebugFrames("", "adj" + std::to_string(ResampleCounter) + "simradmovieframe");
}

void CContiNonid::LoadExternalCtot() {
  if (!pCtotMovie || !pCtotMovie->Loaded) return;
  FreeCtotField();
  HasTimeGrid = false;
  int frames = 0, radial = 0;
  OneBasedArray<float> radii;
  OneBasedArray<double> times;
  OneBasedMatrix<float> field;
  float men = ResampledMeniscus, bot = ResampledBottom;
  if (!pCtotMovie->CopyToField(frames, radial, radii, times, field, men, bot, ResampledMeniscus,
                               ScanDataSet.SignalPerConcentration))
    return;
  if (ResampledMeniscus == 0.0f) {
    ResampledMeniscus = men;
    ResampledBottom = bot;
  }
  CtotTimeCount = frames;
  CtotRadialPoints = radial;
  CtotTimes = std::move(times);
  PaddedRadii = std::move(radii);
  Ctot = std::move(field);
  HasTimeGrid = true;
  FieldAllocated = true;
  ResampledSize = SolverGridSize;
  EqualRadii(ResampledRadii, ResampledSize, ResampledMeniscus, ResampledBottom);
  ResampledCtot = OneBasedMatrix<float>(1, CtotTimeCount, 1, ResampledSize);
  ResampleCtot(ModelParameters.Meniscus, ModelParameters.Bottom, SolverGridSize, true);
  StoreFingerprint();
  FieldValid = true;
  BestChi2 = -1.0;
}

void CContiNonid::FillCtotMovie() {
  if (!FieldAllocated || !HasTimeGrid) return;
  EnsureCtotMovie();
  const auto& d = ScanDataSet;
  const float rpm = d.NFILES > 0 ? HeaderAt(d.NFILES).Rpm : 0.0f;
  pCtotMovie->SetFrames(CtotTimeCount, CtotRadialPoints, PaddedRadii.data(), CtotTimes.data(),
                        Ctot.get(), ResampledMeniscus, ResampledBottom, d.SignalPerConcentration,
                        rpm);
}

void CContiNonid::StoreFingerprint() {
  const auto& d = ScanDataSet;
  if (d.NFILES < 1) return;
  Fingerprint.Store(d.NFILES, d.ScanHeaders, d.ScanPointCount, d.ScanSignal);
}

bool CContiNonid::FingerprintMatches() const {
  const auto& d = ScanDataSet;
  return Fingerprint.Matches(d.NFILES, d.ScanHeaders, &d.ScanPointCount, nullptr);
}
