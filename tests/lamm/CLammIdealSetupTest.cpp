// The solver object before a run: constructor defaults, the set-up operations
// in the callers' order, the work arrays and the diagnostics file.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <type_traits>
#include <vector>

#include "state/ProgramPaths.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "support/TestSupport.h"

namespace {

class CLammIdealSetupTest : public HeadlessTest {
 protected:
  std::vector<std::string> Boxes() { return LogLinesWith("box ["); }
  LammSetupFixture data;
};

TEST_F(CLammIdealSetupTest, ConstructorDefaultsMatchTheSettingsTables) {
  const CLammIdeal l;
  // Physical parameters: nothing valid until SetParameters.
  EXPECT_EQ(l.LoadingConcentration, 0);
  EXPECT_EQ(l.Meniscus, 0);
  EXPECT_EQ(l.Bottom, 0);
  EXPECT_EQ(l.SedimentationCoeff, 0);
  EXPECT_EQ(l.DiffusionCoeff, 0);
  EXPECT_EQ(l.RightFitLimit, 6.0f);
  EXPECT_EQ(l.LeftFitLimit, 7.0f);
  EXPECT_EQ(l.ParametersValid, 0);
  EXPECT_EQ(l.FitLimitsInside, 0);
  EXPECT_EQ(l.ParameterError, 0);
  // Output binding.
  EXPECT_EQ(l.MainWindow, nullptr);
  EXPECT_EQ(l.LivePlot, nullptr);
  EXPECT_EQ(l.ScanHeaders, nullptr);
  EXPECT_EQ(l.ScanList, nullptr);
  EXPECT_EQ(l.Output, nullptr);
  EXPECT_EQ(l.AddBuffer, nullptr);
  EXPECT_EQ(l.OutputRadius, nullptr);
  EXPECT_EQ(l.ScanRadiusTable, nullptr);
  EXPECT_EQ(l.ScanPointCounts, nullptr);
  EXPECT_EQ(l.ScanCount, 0);
  EXPECT_EQ(l.OwnsScanList, 0);
  EXPECT_EQ(l.EquationIndex, 1);
  EXPECT_EQ(l.ThreadNumber, 0);
  EXPECT_EQ(l.AddBufferColumns + l.AddBufferRows + l.OutputPointCount, 0);
  EXPECT_EQ(l.PerScanRadii + l.AddToOutput + l.ShowProgress + l.OutputValid, 0);
  EXPECT_EQ(l.FitInProgress, 1);
  EXPECT_EQ(l.DisplaySuppressed, 1);
  // Numerical settings.
  EXPECT_EQ(l.MinGridSize, 100);
  EXPECT_EQ(l.MaxGridSize, 2000);
  EXPECT_EQ(l.PointsPerSigma, 5.0f);
  EXPECT_EQ(l.ForceBackDiffusionCut, 0);
  EXPECT_EQ(l.BackDiffusionLevel, 1e-4);
  EXPECT_EQ(l.BackDiffusionShutOff, 1);
  EXPECT_EQ(l.OptimizeGridSpacing, 1);
  EXPECT_EQ(l.AutoGridSize, 1);
  EXPECT_EQ(l.FrictionalRatio, 1.0f);
  EXPECT_EQ(l.SimulateAcceleration, 1);
  EXPECT_EQ(l.FixedTimeStep, 0);
  EXPECT_EQ(l.ReportTotalAmount, 0);
  EXPECT_EQ(l.SteadyStateRate, 1e-6);
  EXPECT_EQ(l.AutoSGridValue, 1.0);
  EXPECT_EQ(l.AutoSGrid, 1);
  EXPECT_EQ(l.RunBeyondLastScan, 0);
  EXPECT_EQ(l.AutomaticAlgorithm, 1);
  EXPECT_EQ(l.StepControl, 1.0);
  EXPECT_EQ(l.StepControlLow, 0.1);
  EXPECT_EQ(l.StepControlHigh, 0.3);
  EXPECT_EQ(l.MaxChangePerStep, 1.0);
  EXPECT_EQ(l.DefaultGridSize, 1000);
  EXPECT_EQ(l.AllocatedGridSize, 0);
  EXPECT_EQ(l.MovingFrame, 0);
  EXPECT_EQ(l.FixedGrid, 1);
  EXPECT_EQ(l.FixedGridTolerance, 1e-4f);
  EXPECT_EQ(l.TruncationThreshold, 1e-6);
  EXPECT_EQ(l.DynamicTruncation, 1);
  EXPECT_EQ(l.StepRelaxation, 1.0);
  EXPECT_EQ(l.StepChangeFactor, 2.0);
  EXPECT_EQ(l.SwitchThreshold, 5.0);
  EXPECT_EQ(l.SwitchThresholdOptimized, 60.0);
  EXPECT_EQ(l.NumericsLoaded + l.RetryMode, 0);
  // Model switches.
  EXPECT_EQ(l.ConcDependentModel + l.IdealModel + l.MonomerDimerModel + l.TetramerOctamerModel +
                l.DimerTetramerModel + l.MonomerTrimerModel + l.NonidealSingleSpecies +
                l.NonidealMeanField + l.IsNonIdealSolver + l.ModelSet + l.SelfAssociationOn +
                l.NonIdealityOn + l.MultiSpecies + l.HardSphereNonideality,
            0);
  EXPECT_EQ(l.SelfAssociationValid, 1);
  EXPECT_EQ(l.NonIdealityValid, 1);
  EXPECT_EQ(l.SpeciesCount, 0);
  EXPECT_EQ(l.SpeciesLoadings.size(), 0);
  EXPECT_EQ(l.MonomerS + l.OligomerS + l.MonomerD + l.OligomerD + l.LogAssociationK, 0);
  EXPECT_EQ(l.NonidealityParamS, -8.0f);
  EXPECT_EQ(l.NonidealityParamD, -8.0f);
  EXPECT_EQ(l.KsValue, 1e-8f);
  EXPECT_EQ(l.KdValue, 1e-8f);
  EXPECT_EQ(l.KsPositive, 1);
  EXPECT_EQ(l.KdPositive, 1);
  EXPECT_EQ(l.NonidealityScale, 3.3);
  // Loading.
  EXPECT_EQ(l.BandLoading + l.BandInverted + l.TwoLevelLoading + l.InitialProfileOn, 0);
  EXPECT_EQ(l.BandWidth, 0.1f);
  EXPECT_EQ(l.TwoLevelFactor, 0.0f);
  EXPECT_EQ(l.InitialProfileCount, 0);
  // Solvent.
  EXPECT_EQ(l.Temperature, 20.0f);
  EXPECT_EQ(l.RelativeViscosity, 1.0f);
  EXPECT_EQ(l.SolventDensity, 1.0f);
  EXPECT_EQ(l.Vbar, 0.73f);
  EXPECT_EQ(l.VbarRho, 0.73f);
  // Inhomogeneous solvent.
  EXPECT_EQ(l.InhomogeneousSolvent + l.CompressibleSolvent + l.LinearSolventProfile +
                l.SolventFactorsEachStep + l.AddWaterCompressibility + l.CosoluteOn +
                l.CosoluteSmoothing + l.NonidealCosolute + l.CsClBuiltIn,
            0);
  EXPECT_EQ(l.SolvatedVbar, 0.73f);
  EXPECT_EQ(l.DensityAt1Atm, 0.99823f);
  EXPECT_EQ(l.ViscosityAt1Atm, 1.0f);
  EXPECT_EQ(l.MeniscusDensity, 1.0);
  EXPECT_EQ(l.BottomViscosity, 1.0);
  EXPECT_EQ(l.SaveCosolute, 1);
  EXPECT_EQ(l.PlotCosolute, 1);
  EXPECT_TRUE(l.CosoluteFileName.empty());
  EXPECT_EQ(l.CosoluteArraysAllocated + l.CosoluteAllocatedSize + l.CosoluteGridSize, 0);
  // Time and rotor.
  EXPECT_EQ(l.StartTime, 0.0);
  EXPECT_EQ(l.InitialTimeStep, 1.0);
  EXPECT_EQ(l.MaxTimeStepSet, 0);
  EXPECT_EQ(l.MaxTimeStepValue, 0.0);
  EXPECT_EQ(l.CheckAcceleration, 1);
  EXPECT_EQ(l.Accelerating, 0);
  EXPECT_EQ(l.AccelerationMaxStep, 0.0);
  EXPECT_EQ(l.AccelerationEnd, 0.0);
  EXPECT_EQ(l.FinalRpm, 10000.0);
  EXPECT_EQ(l.CurrentRpm, 0.0);
  EXPECT_EQ(l.SpeedScheduleOn + l.ScheduleAtSpeed + l.ScheduleDone, 0);
  EXPECT_EQ(l.ScheduleStep, 1);
  EXPECT_EQ(l.ScheduleStepCount, 0);
  // Optics, fluorescence, photobleaching.
  EXPECT_EQ(l.ScanTimeOffset, 0.0);
  EXPECT_FALSE(l.Fluorophore.has_value());
  EXPECT_EQ(l.PhotoChangeLimit, 1.0);
  EXPECT_EQ(l.ConeConvolutionWidth, 2.0);
  EXPECT_EQ(l.ConeGridKind, -1);
  EXPECT_EQ(l.ScanVelocity, 2.43f);
  EXPECT_EQ(l.RadialResolutionRange, 0.008f);
  EXPECT_EQ(l.TimeResolutionOn + l.RadialResolutionOn + l.AbsorbanceOptics + l.WienerSkewingOn +
                l.WienerConflict + l.SignalDriftOn + l.ConeConvolutionOn + l.ExcitationShadowOn,
            0);
  EXPECT_EQ(l.PhotophysicsOn + l.PhotophysicsProfileOn + l.BeamOn + l.DarkStateFrozen, 0);
  EXPECT_EQ(l.BeamMaxTimeStep, 10.0);
  EXPECT_EQ(l.DarkResetTime, -1.0);
  // Profile output, diagnostics, run state, work arrays.
  EXPECT_EQ(l.ProfileOutputOn, 0);
  EXPECT_EQ(l.ProfileRows, nullptr);
  EXPECT_EQ(l.NoKeyPoll, 0);
  EXPECT_EQ(l.GridSize, 0);
  EXPECT_EQ(l.WorkArraysAllocated, 0);
  EXPECT_EQ(l.Concentration, nullptr);
  EXPECT_EQ(l.Radius, nullptr);
  EXPECT_EQ(l.BlowUpError + l.TridagError + l.ConcDependenceError, 0);
}

TEST_F(CLammIdealSetupTest, NewSolversTakeTheDiagnosticsSwitch) {
  LammDiagnosticsOn = true;
  const CLammIdeal on;
  LammDiagnosticsOn = false;
  const CLammIdeal off;
  EXPECT_EQ(on.DebugLogOn, 1);
  EXPECT_EQ(off.DebugLogOn, 0);
}

TEST_F(CLammIdealSetupTest, SetParametersOrdersLimitsAndGradesErrors) {
  struct Case {
    double meniscus, bottom, c0, D;
    float left, right;
    float storedLeft, storedRight;
    int valid, inside, error;
  };
  const Case cases[] = {
      {6.0, 7.2, 1, 1e-7, 7.0f, 6.2f, 6.2f, 7.0f, 1, 1, 0},   // limits swapped
      {6.0, 7.2, 1, 1e-7, 5.9f, 7.0f, 5.9f, 7.0f, 0, 1, 0},   // inner limit outside the cell
      {6.0, 7.2, 1, 1e-7, 6.1f, 7.3f, 6.1f, 7.3f, 0, 0, 0},   // outer limit beyond the bottom
      {0.0, 7.2, 1, -1e-7, 6.1f, 7.0f, 6.1f, 7.0f, 0, 1, 3},  // D < 0 overrides meniscus 0
      {0.0, 7.2, 1, 1e-7, 6.1f, 7.0f, 6.1f, 7.0f, 0, 1, 1},
      {6.0, 7.2, -1, 1e-7, 6.1f, 7.0f, 6.1f, 7.0f, 0, 1, 2},
      {6.0, 7.2, 1, 0.0, 6.1f, 7.0f, 6.1f, 7.0f, 1, 1, 0},  // D = 0 is valid
  };
  for (const Case& c : cases) {
    CLammIdeal l;
    l.SetParameters(-3.0, c.D, c.meniscus, c.bottom, c.c0, c.left, c.right);
    SCOPED_TRACE(testing::Message() << "meniscus " << c.meniscus << " left " << c.left);
    EXPECT_EQ(l.LeftFitLimit, c.storedLeft);
    EXPECT_EQ(l.RightFitLimit, c.storedRight);
    EXPECT_EQ(l.ParametersValid, c.valid);
    EXPECT_EQ(l.FitLimitsInside, c.inside);
    EXPECT_EQ(l.ParameterError, c.error);
    EXPECT_EQ(l.SedimentationCoeff, -3.0);
  }
}

TEST_F(CLammIdealSetupTest, SetOutputBindsCommonRadiiAndMakesAnIdentityScanOrder) {
  data.MakeScans(4, 50000);
  CLammIdeal l;
  l.SetOutput(nullptr, nullptr, data.Headers.data(), data.Output.get(), data.Radii.data(),
              data.PointCount(), nullptr, nullptr, 1, nullptr, 4, 2, 0, 0, 1, 3.0f, 1, 0.0f, 1);
  EXPECT_EQ(l.OutputValid, 1);
  EXPECT_EQ(l.PerScanRadii, 0);
  EXPECT_EQ(l.OwnsScanList, 1);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(l.ScanList[i], i);
  EXPECT_EQ(l.AddBuffer, nullptr);  // only with AddToOutput
  EXPECT_EQ(l.EquationIndex, 2);
  EXPECT_EQ(l.ScanVelocity, 3.0f);
  EXPECT_EQ(l.TimeResolutionOn, 1);
  EXPECT_EQ(l.RadialResolutionOn, 0);          // range 0 switches it off
  EXPECT_EQ(l.RadialResolutionRange, 0.008f);  // and keeps the stored range

  l.SetAddToOutput(1);
  ASSERT_NE(l.AddBuffer, nullptr);
  EXPECT_EQ(l.AddBufferRows, 4);
  EXPECT_EQ(l.AddBufferColumns, data.PointCount());
  l.AddBuffer[4][data.PointCount()] = 1.0f;  // the last element exists

  // Absorbance optics off clears both resolution switches.
  l.SetOutput(nullptr, nullptr, data.Headers.data(), data.Output.get(), data.Radii.data(),
              data.PointCount(), nullptr, nullptr, 1, nullptr, 4, 1, 0, 0, 1, 3.0f, 1, 0.01f, 0);
  EXPECT_EQ(l.TimeResolutionOn + l.RadialResolutionOn, 0);
  // No rows: not usable.
  l.SetOutput(nullptr, nullptr, data.Headers.data(), nullptr, data.Radii.data(), data.PointCount(),
              nullptr, nullptr, 1, nullptr, 4, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(l.OutputValid, 0);
}

TEST_F(CLammIdealSetupTest, PerScanRadiiGetAnAddBufferAsWideAsTheLongestScan) {
  data.MakeScans(3, 50000);
  std::int32_t counts[] = {0, 40, 70, 55};
  OneBasedMatrix<float> radii(1, 3, 1, 70);
  int order[] = {0, 3, 1, 2};
  CLammIdeal l;
  l.SetAddToOutput(1);
  l.SetOutput(nullptr, nullptr, data.Headers.data(), data.Output.get(), nullptr, 0, radii.get(),
              counts, 0, order, 3, 1, 1, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(l.PerScanRadii, 1);
  EXPECT_EQ(l.OwnsScanList, 0);
  EXPECT_EQ(l.ScanList, order);
  EXPECT_EQ(l.AddBufferRows, 3);
  EXPECT_EQ(l.AddBufferColumns, 70);
  EXPECT_EQ(l.OutputValid, 1);
  l.SetAddToOutput(0);  // ignored with per-scan radii
  EXPECT_EQ(l.AddToOutput, 1);
  // Without the per-scan point counts the output is not usable.
  l.SetOutput(nullptr, nullptr, data.Headers.data(), data.Output.get(), nullptr, 0, radii.get(),
              nullptr, 0, order, 3, 1, 1, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(l.OutputValid, 0);
}

TEST_F(CLammIdealSetupTest, SetNumericsKeepsPositiveLimitsAndOneAlgorithm) {
  CLammIdeal l;
  l.SetParameters(4.5, 6e-7, 5.8, 7.2, 1, 5.9f, 7.15f);
  l.SetNumerics(0, -5, 0.0f, 0, 0.0, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3, 1.0,
                1000, 0, 1, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  EXPECT_EQ(l.MinGridSize, 100);
  EXPECT_EQ(l.MaxGridSize, 2000);
  EXPECT_EQ(l.PointsPerSigma, 5.0f);
  EXPECT_EQ(l.BackDiffusionLevel, 1e-4);
  EXPECT_EQ(l.FixedGrid, 1);
  EXPECT_EQ(l.MovingFrame, 0);
  EXPECT_EQ(l.NumericsLoaded, 1);

  // A frictional ratio of 0 is unusable only for a diffusing species.
  l.SetNumerics(50, 500, 4.0f, 0, 1e-3, 1, 1, 1, 0.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3,
                1.0, 1000, 0, 1, 0, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  EXPECT_EQ(l.NumericsLoaded, 0);
  EXPECT_EQ(l.MinGridSize, 50);
  EXPECT_EQ(l.MovingFrame, 1);
  l.SetParameters(4.5, 0.0, 5.8, 7.2, 1, 5.9f, 7.15f);
  l.SetNumerics(50, 500, 4.0f, 0, 1e-3, 1, 1, 1, 0.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3,
                1.0, 1000, 0, 1, 0, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  EXPECT_EQ(l.NumericsLoaded, 1);
}

TEST_F(CLammIdealSetupTest, FloatingSpeciesWithNegligibleBackDiffusionSimulateTheRamp) {
  data.MakeScans(3, 3000);
  for (const double D : {1e-8, 1e-5}) {
    CLammIdeal l;
    l.SetIdealModel();
    l.SetParameters(-200.0, D, data.Meniscus, data.Bottom, 1, data.LeftFitLimit,
                    data.RightFitLimit);
    l.SetOutput(nullptr, nullptr, data.Headers.data(), data.Output.get(), data.Radii.data(),
                data.PointCount(), nullptr, nullptr, 0, nullptr, 3, 1, 0, 1, 0, 0, 0, 0, 0);
    l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1,
                  0.3, 1.0, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    // sigma = s w^2/D is huge for the slow diffuser, small for the fast one.
    EXPECT_EQ(l.SimulateAcceleration, D < 1e-6 ? 1 : 0) << "D " << D;
  }
}

TEST_F(CLammIdealSetupTest, SetSolventGivesTheFrictionalRatioOfStokesEinstein) {
  struct Case {
    double s, D, vbar, density, viscosity, temperature;
  };
  const Case cases[] = {{4.5, 6e-7, 0.73, 1.0, 1.0, 20.0},
                        {100.0, 2e-8, 0.70, 1.02, 1.1, 4.0},
                        {1.0, 1e-6, 0.75, 0.998, 1.0, 37.0}};
  for (const Case& c : cases) {
    CLammIdeal l;
    l.SetParameters(c.s, c.D, 5.8, 7.2, 1, 5.9f, 7.15f);
    l.SetSolvent(c.temperature, c.vbar, c.density, c.viscosity);
    // f = kT/D (Einstein) against f0 = 6 pi eta R0 of the anhydrous sphere of
    // the Svedberg mass, all in cgs units.
    const double R = 8.31451e7, NA = 1 / 1.6605392767355127e-24;
    const double T = c.temperature + 273.15;
    const double M = c.s * 1e-13 * R * T / (c.D * (1 - static_cast<float>(c.vbar * c.density)));
    const double R0 = std::cbrt(3 * M * c.vbar / (4 * std::numbers::pi * NA));
    const double f0 = 6 * std::numbers::pi * 0.01002 * c.viscosity * R0;
    EXPECT_NEAR(l.FrictionalRatio, (R * T / NA / c.D) / f0, 2e-6 * l.FrictionalRatio)
        << "s " << c.s;
    EXPECT_EQ(l.VbarRho, static_cast<float>(c.vbar * c.density));
  }
  CLammIdeal noDiffusion;
  noDiffusion.SetParameters(4.5, 0, 5.8, 7.2, 1, 5.9f, 7.15f);
  noDiffusion.SetSolvent(20, 0.73, 1, 1);
  EXPECT_EQ(noDiffusion.FrictionalRatio, 0.0f);
  CLammIdeal floating;
  floating.SetParameters(-4.5, 6e-7, 5.8, 7.2, 1, 5.9f, 7.15f);
  floating.SetSolvent(20, 0.73, 1, 1);
  EXPECT_EQ(floating.FrictionalRatio, 0.0f);  // negative mass: no sphere
}

TEST_F(CLammIdealSetupTest, ConcentrationDependentSettersGradeTheirParameters) {
  CLammIdeal dimer;
  dimer.SetConcentrationDependence(1, 0, 1, 0, 0, 0, 4, 6, 6e-7, 5e-7, 5, 1, 0, 0, 0, 1, 1, 3.3, 0,
                                   0, 4, 0, 0, 6e-7, 0, 0, 0, 0);
  EXPECT_EQ(dimer.SelfAssociationOn, 1);
  EXPECT_EQ(dimer.SelfAssociationValid, 1);
  EXPECT_EQ(dimer.AutoGridSize + dimer.OptimizeGridSpacing, 0);
  // The tabulated monomer constants replace the closed-form ones: a missing
  // one makes the set-up incomplete.
  CLammIdeal missing;
  missing.SetConcentrationDependence(1, 0, 1, 0, 0, 0, 4, 6, 6e-7, 5e-7, 5, 1, 0, 0, 0, 1, 1, 3.3,
                                     0, 0, 0, 0, 0, 6e-7, 0, 0, 0, 0);
  EXPECT_EQ(missing.MonomerS, 0.0f);
  EXPECT_EQ(missing.SelfAssociationValid, 0);
  CLammIdeal inhomogeneous;
  inhomogeneous.SetDensityGradient(1, 0, 0, 0, 0, 0.73f, 1, 1, 0.73f, 0.73f, 1, 0, 1, 0, 1, 1, 1,
                                   1);
  inhomogeneous.SetConcentrationDependence(1, 0, 1, 0, 0, 0, 4, 6, 6e-7, 5e-7, 5, 1, 0, 0, 0, 1, 1,
                                           3.3, 0, 0, 4, 0, 0, 6e-7, 0, 0, 0, 0);
  EXPECT_EQ(inhomogeneous.SelfAssociationValid, 0);
  EXPECT_EQ(inhomogeneous.ModelSet, 0);

  // Several species: trailing empty species are dropped; weights default 1.
  const double c0s[] = {0, 1.0, 0.5, 0.0}, ss[] = {0, 4, 6, 8}, Ds[] = {0, 6e-7, 5e-7, 4e-7};
  CLammIdeal species;
  species.SetSelfAssociation(0, 0, 1, 0, 1, 3, c0s, ss, Ds, nullptr, -2, -2, 1, 1, 3.3, 0, 0, 4.0,
                             6e-7, 1.5);
  EXPECT_EQ(species.SpeciesCount, 2);
  EXPECT_EQ(species.SpeciesS[2], 6.0);
  EXPECT_EQ(species.SpeciesWeights[1], 1.0);
  EXPECT_EQ(species.NonIdealityValid, 1);
  EXPECT_EQ(species.ForceBackDiffusionCut, 1);
  CLammIdeal incomplete;
  incomplete.SetSelfAssociation(0, 0, 1, 0, 1, 3, c0s, nullptr, Ds, nullptr, -2, -2, 1, 1, 3.3, 0,
                                0, 4.0, 6e-7, 1.5);
  EXPECT_EQ(incomplete.NonIdealityValid, 0);
}

TEST_F(CLammIdealSetupTest, InitialProfilesMustSpanTheCellWithEnoughPoints) {
  CLammIdeal l;
  l.SetParameters(4.5, 6e-7, 6.0, 7.2, 1, 6.1f, 7.1f);
  const float radii[] = {0, 5.9f, 6.2f, 6.5f, 6.8f, 7.0f, 7.3f};
  const float values[] = {0, 1, 1.1f, 1.2f, 1.3f, 1.4f, 1.5f};
  EXPECT_TRUE(l.SetInitialProfile(6, radii, values));
  EXPECT_EQ(l.InitialProfileOn, 1);
  EXPECT_EQ(l.InitialProfileCount, 6);
  EXPECT_DOUBLE_EQ(l.InitialProfileValue[6], 1.5f);
  EXPECT_DOUBLE_EQ(l.InitialProfileRadius[1], 5.9f);

  EXPECT_FALSE(l.SetInitialProfile(5, radii + 1, values + 1));  // starts inside the cell
  EXPECT_EQ(l.InitialProfileOn, 0);
  const float shortRadii[] = {0, 5.9f, 6.5f, 7.3f};
  EXPECT_FALSE(l.SetInitialProfile(3, shortRadii, values));  // too few points to resample
  EXPECT_EQ(l.InitialProfileOn, 0);
  EXPECT_FALSE(l.SetInitialProfile(6, nullptr, values));
}

TEST_F(CLammIdealSetupTest, BandProfileChoosesTwoLevelsOrAnEmptyBand) {
  CLammIdeal twoLevel, empty;
  twoLevel.SetBandProfile(0.05f, 3.0f);
  EXPECT_EQ(twoLevel.TwoLevelLoading, 1);
  EXPECT_EQ(twoLevel.BandLoading, 0);
  empty.SetBandProfile(0.05f, 0.0f);
  EXPECT_EQ(empty.TwoLevelLoading, 0);
  EXPECT_EQ(empty.BandLoading, 1);
  EXPECT_EQ(empty.BandInverted, 1);
  EXPECT_EQ(empty.BandWidth, 0.05f);
}

TEST_F(CLammIdealSetupTest, CallerOrderLeavesEveryValidityFlagSet) {
  data.MakeScans(5, 50000);
  CLammIdeal l;
  data.Configure(l, 4.5, 6e-7);
  l.SetSolvent(20, 0.73, 0.99823, 1.0);
  l.SetStartTime(12.0);
  EXPECT_EQ(l.ModelSet, 1);
  EXPECT_EQ(l.ParametersValid, 1);
  EXPECT_EQ(l.OutputValid, 1);
  EXPECT_EQ(l.NumericsLoaded, 1);
  EXPECT_EQ(l.SelfAssociationValid, 1);
  EXPECT_EQ(l.NonIdealityValid, 1);
  EXPECT_GT(l.FrictionalRatio, 1.0f);
  EXPECT_EQ(l.StartTime, 12.0);
  // A solver configured in the callers' order runs without a message.
  EXPECT_EQ(l.Solve(), 0);
  EXPECT_TRUE(LogLinesWith("box").empty());
}

TEST_F(CLammIdealSetupTest, WorkArraysFollowTheGridSizeAndTheMethod) {
  CLammIdeal l;
  l.SetParameters(4.5, 6e-7, 6.0, 7.0, 1, 6.1f, 6.9f);
  EXPECT_EQ(l.AllocWorkArrays(), 0);  // no grid size yet
  l.GridSize = 101;
  ASSERT_EQ(l.AllocWorkArrays(), 1);
  EXPECT_EQ(l.AllocatedGridSize, 101);
  EXPECT_EQ(l.Radius[1], 6.0);
  EXPECT_NEAR(l.Radius[51], 6.5, 1e-12);
  EXPECT_EQ(l.Radius[101], 7.0);
  EXPECT_EQ(l.Concentration[101], 0.0);
  EXPECT_EQ(l.FrameGrid, nullptr);
  EXPECT_EQ(l.DarkState, nullptr);
  EXPECT_EQ(l.NodeSedimentation, nullptr);

  // A new size or another method gets arrays of its own.
  l.GridSize = 300;
  l.MovingFrame = 1;
  l.PhotophysicsOn = 1;
  ASSERT_EQ(l.AllocWorkArrays(), 1);
  EXPECT_EQ(l.AllocatedGridSize, 300);
  l.Concentration[300] = 1.0;
  l.IntervalRatios[300] = 1.0;
  l.DarkStateOld[300] = 1.0;
  EXPECT_EQ(l.NewOperatorLower, l.ImplicitLower);
  EXPECT_EQ(l.NewOperatorUpper, l.ImplicitUpper);

  EXPECT_EQ(l.ResizeWorkArrays(120), 1);
  EXPECT_EQ(l.GridSize, 120);
  EXPECT_EQ(l.Concentration[120], 0.0);
  l.FreeWorkArrays();
  EXPECT_EQ(l.WorkArraysAllocated, 0);
  EXPECT_EQ(l.Concentration, nullptr);
  EXPECT_EQ(l.IntervalRatios, nullptr);
  EXPECT_EQ(l.ResizeWorkArrays(150), 0);  // nothing to resize
}

TEST_F(CLammIdealSetupTest, SeveralSpeciesGetTheirMatricesWithTheWorkArrays) {
  const double c0s[] = {0, 1.0, 0.5}, ss[] = {0, 4, 6}, Ds[] = {0, 6e-7, 5e-7};
  CLammIdeal l;
  l.SetParameters(4.5, 6e-7, 6.0, 7.0, 1, 6.1f, 6.9f);
  l.SetSelfAssociation(0, 0, 1, 0, 1, 2, c0s, ss, Ds, nullptr, -2, -2, 1, 1, 3.3, 0, 0, 4.0, 6e-7,
                       1.5);
  l.GridSize = 80;
  ASSERT_EQ(l.AllocWorkArrays(), 1);
  ASSERT_NE(l.TotalConcentration, nullptr);
  l.TotalConcentration[80] = 1;
  l.ElementIntegralArrays[13][80] = 1;
  EXPECT_EQ(l.SpeciesProfiles.rows(), 2);
  EXPECT_EQ(l.WeightedOld.cols(), 80);
}

TEST_F(CLammIdealSetupTest, CosoluteArraysCarryTheirOwnUniformGrid) {
  CLammIdeal l;
  l.SetParameters(4.5, 6e-7, 6.0, 7.0, 1, 6.1f, 6.9f);
  l.CosoluteOn = 1;
  l.CosoluteGridSize = 11;
  ASSERT_TRUE(l.AllocCosoluteArrays());
  EXPECT_EQ(l.CosoluteAllocatedSize, 11);
  EXPECT_NEAR(l.CosoluteRadius[6], 6.5, 1e-12);
  EXPECT_EQ(l.CosoluteRadius[11], 7.0);
  EXPECT_EQ(l.CosoluteIntegralArrays[0], nullptr);
  l.NonidealCosolute = 1;
  l.CosoluteGridSize = 21;
  ASSERT_TRUE(l.AllocCosoluteArrays());
  EXPECT_EQ(l.CosoluteAllocatedSize, 21);
  l.CosoluteIntegralArrays[13][21] = 1.0;
  l.CosoluteScratch[21] = 1.0;
  l.Release();
  EXPECT_EQ(l.CosoluteArraysAllocated, 0);
  EXPECT_EQ(l.CosoluteRadius, nullptr);
}

// A derived solver with state of its own, as the concentration-dependent
// solver is: deleting it through the base must release that state too.
class DerivedSolver : public CLammIdeal {
 public:
  std::vector<double> OwnState = std::vector<double>(1000, 1.0);
};

TEST_F(CLammIdealSetupTest, DerivedSolversAreDestroyedThroughTheBase) {
  static_assert(std::has_virtual_destructor_v<CLammIdeal>);
  std::unique_ptr<CLammIdeal> solver = std::make_unique<DerivedSolver>();
  solver->GridSize = 50;
  ASSERT_EQ(solver->AllocWorkArrays(), 1);
  solver.reset();  // the leak checker sees OwnState if the derived part is skipped
}

TEST_F(CLammIdealSetupTest, DiagnosticsGoToTheProgramTempFolder) {
  ScratchFolder folder;
  const std::string previous = ProgramPaths.TempFolder;
  ProgramPaths.TempFolder = folder.path().string() + "/";
  CLammIdeal l;
  l.DebugLogOn = 1;
  l.ThreadNumber = 3;
  l.SetParameters(4.5, 6e-7, 6.0, 7.0, 1, 6.1f, 6.9f);
  l.DebugLog(nullptr);
  l.DebugLog("\nstep 1");
  const std::string text = ReadWholeFile(folder.File("debug_t3.txt"));
  EXPECT_EQ(text,
            "starting new debugging session for Lamm equation s = 4.5000 S, D = 6.000 F\nstep 1");

  // A new solver starts its thread's file anew.
  CLammIdeal next;
  next.DebugLogOn = 1;
  next.ThreadNumber = 3;
  next.DebugLog("ignored until the session starts");
  EXPECT_EQ(ReadWholeFile(folder.File("debug_t3.txt")).rfind("starting new", 0), 0u);

  ProgramPaths.TempFolder = folder.File("missing") + "/";
  CLammIdeal lost;
  lost.DebugLogOn = 1;
  lost.DebugLog(nullptr);
  EXPECT_EQ(LogLinesWith("to write debugging info").size(), 1u);
  ProgramPaths.TempFolder = previous;
}

}  // namespace
