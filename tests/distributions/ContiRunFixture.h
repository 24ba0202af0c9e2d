#pragma once
// Fixture of the grid and run tests: every test starts from the program-wide
// records at their defaults, with an sdist file in a scratch folder, and can
// load a set of scans built in memory (same radii in every scan, so the
// common radial grid is the scans' own).

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "models/ModelsTestSupport.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "distributions/CtotMovie.h"
#include "distributions/DistributionArrays.h"
#include "distributions/MonteCarlo.h"
#include "distributions/SyntheticVelocityData.h"
#include "state/ContiNonidSimLink.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/SimulationErrors.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "support/TestSupport.h"

// The non-ideal model's field as the frames see it while no fit holds one:
// not in use, nothing to fill them from, not frozen.
inline CtotMovieLinksRecord NoCtotField() {
  CtotMovieLinksRecord r;
  r.FieldInUse = [] { return false; };
  r.FillFromField = [] {};
  r.FreezeCtot = [] { return false; };
  return r;
}

// The records of the data set and the models and the stand-ins of the
// layers above them (as the data and model tests reset them), then the
// distribution's own records.
inline void ResetDistributionRecords() {
  ResetDataRecords();
  ResetModelRecords();
  DistributionSettings = DistributionSettingsRecord{};
  DistributionRunFlags = DistributionRunFlagsRecord{};
  DistributionResult = DistributionResultRecord{};
  DistributionGrid = DistributionGridRecord{};
  GridBuildMemory = GridBuildMemoryRecord{};
  GridServices = GridServicesRecord{};
  ParameterVector.fill(0.0f);
  ParameterFitted.fill(0);
  FreeKernelArray();
  FreeNormalEqArrays();
  CtotMovieLinks = NoCtotField();
  // No distribution plot: the Monte Carlo limit curves are not drawn.
  MonteCarloDisplayLinks.AddLimitCurves = [](float*, float*, int) {};
  MonteCarloDisplayLinks.RemoveLimitCurves = [] {};
}

// One scan of the in-memory data set.
struct SyntheticScan {
  double Time = 0.0;  // s
  float Rpm = 50000.0f;
};

class ContiRunTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ResetDistributionRecords();
    DataFileLocation.SdistFilePath = scratch.File("sdist.dat");
  }
  void TearDown() override {
    ResetDistributionRecords();
    DataFileLocation = DataFileLocationRecord{};
    HeadlessTest::TearDown();
  }

  // Loads scans at the given times with radii r0, r0 + dr, ... (count
  // points) and signal(scan index, radius) as the data; meniscus and bottom
  // as given, the fit limits unset.
  void LoadScans(const std::vector<SyntheticScan>& scans, int count, double r0, double dr,
                 float meniscus, float bottom,
                 const std::function<float(int, double)>& signal = {}) {
    auto& d = ScanDataSet;
    const int n = static_cast<int>(scans.size());
    AllocScanSlots(n);
    d.NFILES = n;
    for (int i = 1; i <= n; ++i) {
      const SyntheticScan& s = scans[static_cast<std::size_t>(i - 1)];
      for (auto* a : {&d.ScanRadius[i], &d.ScanSignal[i], &d.ScanModel[i], &d.ScanNoise[i],
                      &d.ScanResiduals[i]})
        a->Resize(1, count);
      for (int k = 1; k <= count; ++k) {
        const double r = r0 + (k - 1) * dr;
        d.ScanRadius[i][k] = static_cast<float>(r);
        d.ScanSignal[i][k] = signal ? signal(i, r) : 0.0f;
      }
      ScanHeader& h = d.ScanHeaders[i];
      h.Rpm = s.Rpm;
      h.Time = s.Time;
      h.RecordedTime = s.Time;
      const double omega = s.Rpm * 3.14159265358979323846 / 30.0;
      h.Omega2t = omega * omega * s.Time;
      h.Temperature = 20.0f;
      h.RampAcceleration = 1e6;  // no ramp worth simulating
      h.PointCount = count;
      d.ScanPointCount[i] = count;
      d.ScanTimeOrder[i] = i;
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = count;
      d.ScanFilePaths[i] = "scan" + std::to_string(i) + ".ip1";
    }
    ModelParameters.Meniscus = meniscus;
    ModelParameters.Bottom = bottom;
    SolventConditions.BufferTemperature = 293.15f;
    SetupCommonRadialGrid();
  }

  // Loads a synthetic experiment's scans in the experiment's cell, with the
  // fit range over all of its radii.
  void LoadExperiment(const synthetic_velocity::Experiment& e,
                      const synthetic_velocity::Data& data) {
    std::vector<SyntheticScan> scans;
    for (int j = 1; j <= e.Scans; ++j) scans.push_back({data.Headers[j].Time, e.Rpm});
    LoadScans(scans, e.Points, e.FirstRadius, e.RadialStep, static_cast<float>(e.Meniscus),
              static_cast<float>(e.Bottom), [&](int j, double r) {
                const int k = static_cast<int>(std::lround((r - e.FirstRadius) / e.RadialStep)) + 1;
                return static_cast<float>(data.Signal[j][k]);
              });
    ScanDataSet.FitLeftLim = static_cast<float>(e.FirstRadius);
    ScanDataSet.FitRightLim = static_cast<float>(e.FirstRadius + (e.Points - 1) * e.RadialStep);
    SetFirstFitIndex();
    SetLastFitIndex();
  }

  static void FitTimeAndRadialInvariantNoise() {
    FitControl.TINoiseFitted = true;
    ModelParameters.RINoiseFitted = true;
    ModelParameters.SystematicNoiseOn = true;
  }

  ScratchFolder scratch;
};
