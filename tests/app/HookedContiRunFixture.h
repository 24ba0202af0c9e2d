#pragma once
// Continuous-distribution runs with the program's hooks installed (those of
// its window, and the kernels of light scattering, equilibrium and the
// engines), and the set-ups those tests share: a model as its dialog leaves
// it, DLS measurements, and data made from a model signal with seeded noise.

#include <random>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "data/DlsLoading.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/DistributionTimeCourse.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "models/ParameterPacking.h"
#include "models/SimulationRoads.h"
#include "tools/DlsKernels.h"

class HookedContiRunTest : public ContiRunTest {
 protected:
  static constexpr float kCelsius = 20.0f;

  void SetUp() override {
    ContiRunTest::SetUp();
    WireAsTheProgramStartDoes(window);
  }
  void TearDown() override {
    ContiKernelServices = ContiKernelServicesRecord{};
    SimulationRoads = SimulationRoadsRecord{};
    StoredDistributionServices = savedServices_;
    DlsRecords = OneBasedArray<DlsRecord>();
    TimeCourse = TimeCourseRecord{};
    ContiRunTest::TearDown();
  }

  // The slots of a continuous model as its dialog leaves them, unpacked:
  // grid from lo to hi with n points, confidence level 0.68, vbar 0.73,
  // density 1, water viscosity, slot 11 (f/f0, or the time-course window)
  // as given.
  static void SetModelSlots(ModelKind kind, float lo, float hi, float n, float meniscus,
                            float bottom, float slot11) {
    ModelSelection.Kind = kind;
    ParameterVector[1] = lo;
    ParameterVector[2] = 0.68f;
    ParameterVector[3] = 0.73f;
    ParameterVector[5] = hi;
    ParameterVector[7] = 1.0f;
    ParameterVector[9] = n;
    ParameterVector[11] = slot11;
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = meniscus;
    ParameterVector[14] = bottom;
    UnpackParameterVector();
  }

  // The current model signal becomes the data, with seeded Gaussian noise.
  static void ModelBecomesData(double noise, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, noise);
    auto& d = ScanDataSet;
    for (int j = 1; j <= d.NFILES; ++j)
      for (int k = 1; k <= d.ScanPointCount[j]; ++k) {
        d.ScanSignal[j][k] = static_cast<float>(d.ScanModel[j][k] + gauss(random));
        d.ScanModel[j][k] = 0.0f;
      }
  }

  // DLS measurements at the given times (s) at 90 degrees and 632.8 nm in
  // water, log10 lags from 1 microsecond to 0.3 s; scan `intensityScan`
  // (0: none) holds g(2) - 1, the others field autocorrelations.
  void LoadDlsMeasurements(const std::vector<double>& times, int intensityScan = 0) {
    std::vector<SyntheticScan> scans;
    for (double t : times) scans.push_back({t});
    LoadScans(scans, 111, -6.0, 0.05, -6.0f, -0.5f);
    const int n = static_cast<int>(times.size());
    DlsRecords.Resize(1, n);
    for (int i = 1; i <= n; ++i) {
      DlsRecord& r = DlsRecords[i];
      r.DlsSetting4 = 1.333f;
      r.DlsSetting6 = 90.0f;
      r.DlsSetting7 = 632.8e-9f;
      r.DlsTemperature = kCelsius;
      r.HoldsFieldAcf = i != intensityScan;
      r.DlsTime = times[static_cast<std::size_t>(i - 1)];
    }
    DlsDataMode = true;
    SolventConditions.BufferTemperature = 273.15f + kCelsius;
  }

  // Data of one species of diffusion coefficient D (cm^2/s) and amplitude
  // 0.8, written by the decay kernel into the model of a discrete species.
  static void DlsSpecies(double D, unsigned seed) {
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    DlsKernelInputs in;
    in.D = D;
    in.Amplitude = 0.8;
    ASSERT_TRUE(DLSKernel(in));
    ModelBecomesData(1e-3, seed);
  }

  // Never shown: the runs reach the window through its hooks only.
  TXLAWindow window{"Sedimentation Analysis"};

 private:
  StoredDistributionServicesRecord savedServices_ = StoredDistributionServices;
};
