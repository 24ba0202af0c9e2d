// The non-ideal c(s) model: its mean field (time grid, data trajectories,
// the field from the fitted profiles, the change of data), the CTOT frames
// and files, and a c(s) of data made by a concentration-dependent solution
// that recovers the species and its ks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "state/ProgramPaths.h"
#include "distributions/ContiNonid.h"
#include "distributions/ContiRunSedFixture.h"
#include "distributions/CtotMovie.h"
#include "distributions/SyntheticVelocityData.h"
#include "lamm/CLammIdeal.h"
#include "models/SimulationArrays.h"
#include "models/TempParameterFile.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Boxes.h"

namespace {

namespace sv = synthetic_velocity;

// ---- The time grid of the field --------------------------------------------

TEST(CtotTimeGrid, StepsOfTwentyThenOfAHundredSeconds) {
  pCtotMovie.reset();
  const struct {
    double tLast;
    std::vector<double> times;
  } cases[] = {
      {150.0, {0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200}},
      {200.0, {0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200}},
      {450.0, {0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 300, 400, 500}},
  };
  for (const auto& c : cases) {
    CContiNonid field;
    field.MakeCtotTimeGrid(c.tLast);
    ASSERT_EQ(field.CtotTimeCount, static_cast<int>(c.times.size())) << c.tLast;
    for (int i = 1; i <= field.CtotTimeCount; ++i)
      EXPECT_DOUBLE_EQ(field.CtotTimes[i], c.times[static_cast<std::size_t>(i - 1)]);
  }
}

// ---- CTOT frames and files --------------------------------------------------

class CtotMovieTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    CtotMovieLinks = NoCtotField();
  }
  void TearDown() override {
    DeleteCtotMovie();
    HeadlessTest::TearDown();
  }
  // Two frames over three stored radii (five with the extensions), in
  // signal units of 2 per mg/ml.
  static void Fill(CCtotMovie& m) {
    OneBasedArray<float> radii(1, 5);
    OneBasedArray<double> times(1, 2);
    OneBasedMatrix<float> field(1, 2, 1, 5);
    for (int j = 1; j <= 5; ++j) radii[j] = 5.5f + 0.3f * j;
    times[1] = 100.0;
    times[2] = 250.5;
    for (int k = 1; k <= 2; ++k)
      for (int l = 1; l <= 5; ++l) field[k][l] = 0.123457f * k + 0.5f * l;
    m.SetFrames(2, 3, radii.data(), times.data(), field.get(), 5.9f, 7.2f, 2.0, 48000.0f);
  }
  ScratchFolder scratch;
};

TEST_F(CtotMovieTest, FileRoundTripToSixDecimals) {
  CCtotMovie m;
  Fill(m);
  ASSERT_TRUE(m.Loaded);
  EXPECT_EQ(m.RadiusCount, 5);
  EXPECT_FLOAT_EQ(m.Frames[2][3], (0.123457f * 2 + 1.5f) / 2.0f);  // mg/ml
  const std::string path = scratch.File("field.ctot");
  ASSERT_EQ(m.SaveAs(path), 1);
  CCtotMovie r;
  ASSERT_EQ(r.Read(path), 1);
  EXPECT_EQ(r.FrameCount, 2);
  EXPECT_EQ(r.RadiusCount, 5);
  EXPECT_NEAR(r.FrameMeniscus, 5.9f, 1e-6);
  EXPECT_NEAR(r.FrameBottom, 7.2f, 1e-6);
  EXPECT_NEAR(r.Scale, 1.0f, 1e-6);
  EXPECT_NEAR(r.FrameRotorSpeed, 48000.0f, 1e-6);
  for (int i = 1; i <= 2; ++i) EXPECT_NEAR(r.Times[i], m.Times[i], 1e-6);
  for (int j = 1; j <= 5; ++j) EXPECT_NEAR(r.Radii[j], m.Radii[j], 1e-6);
  for (int k = 1; k <= 2; ++k)
    for (int l = 1; l <= 5; ++l) EXPECT_NEAR(r.Frames[k][l], m.Frames[k][l], 1e-6);
}

TEST_F(CtotMovieTest, AMissingValueFailsTheWholeRead) {
  const struct {
    const char* name;
    const char* text;
  } cases[] = {
      {"last frame short", "2 3 5.9 7.2 1 48000\n1 2\n6 6.5 7\n1 2 3\n4 5\n"},
      {"header short", "2 3 5.9 7.2 1\n"},
      {"no times", "2 3 5.9 7.2 1 48000\n"},
      // A header that claims far more than the file holds allocates nothing.
      {"huge counts", "2000000000 2000000000 5.9 7.2 1 48000\n1 2\n6 6.5 7\n1 2 3\n"},
      {"zero frames", "0 3 5.9 7.2 1 48000\n\n6 6.5 7\n"},
  };
  for (const auto& c : cases) {
    CCtotMovie m;
    Fill(m);
    EXPECT_EQ(m.Read(scratch.Write("bad.ctot", c.text)), 0) << c.name;
    EXPECT_FALSE(m.Loaded) << c.name;
    EXPECT_EQ(m.FrameCount, 0) << c.name;
  }
  CCtotMovie ok;
  EXPECT_EQ(ok.Read(scratch.Write("ok.ctot", "2 3 5.9 7.2 1 48000\n1 2\n6 6.5 7\n1 2 3\n4\n5 6\n")),
            1);
  EXPECT_FLOAT_EQ(ok.Frames[2][3], 6.0f);
}

// The frames travel beside a parameter file; only frames actually read
// switch the model to the external mean field.
TEST_F(CtotMovieTest, FramesBesideTheParameterFile) {
  const std::string params = scratch.File("~tmppars");
  EnsureCtotMovie();
  Fill(*pCtotMovie);
  SaveCtotBesideParameters(params);
  const std::string companion = CtotCompanionPath(params);
  ASSERT_EQ(companion, params + ".ctot");
  const struct {
    const char* name;
    bool broken, yes, external;
  } cases[] = {{"read", false, true, true},
               {"declined", false, false, false},
               {"unreadable", true, true, false}};
  for (const auto& c : cases) {
    if (c.broken) scratch.Write("~tmppars.ctot", "2 3 5.9 7.2 1 48000\n1 2\n");
    DeleteCtotMovie();
    CorrectionOptions.Ctot = CtotSettingsRecord{};
    backend().ScriptBoxAnswer(c.yes ? platform::BoxAnswer::Yes : platform::BoxAnswer::No);
    LoadCtotBesideParameters(nullptr, params);
    ASSERT_TRUE(pCtotMovie) << c.name;
    EXPECT_EQ(pCtotMovie->Loaded, c.external) << c.name;
    EXPECT_EQ(CorrectionOptions.Ctot.UseExternalCtot, c.external) << c.name;
    EXPECT_EQ(CorrectionOptions.Ctot.CtotFromDataOnly, !c.external) << c.name;
    EXPECT_EQ(LogLinesWith("sorry loading CTOT DATA file failed").size(), c.broken ? 1u : 0u)
        << c.name;
  }
  // Without a companion file nothing is asked.
  DeleteCtotMovie();
  LoadCtotBesideParameters(nullptr, scratch.File("other"));
  EXPECT_FALSE(pCtotMovie);
  CorrectionOptions.Ctot = CtotSettingsRecord{};
}

TEST_F(CtotMovieTest, CopyToFieldShiftsToTheCurrentMeniscus) {
  CCtotMovie m;
  Fill(m);
  const struct {
    float meniscusNow;
    float shift;
    bool returnsFrameLimits;
  } cases[] = {{5.900005f, 0.0f, false}, {6.0f, 0.1f, false}, {0.0f, 0.0f, true}};
  for (const auto& c : cases) {
    int frames = 0, radial = 0;
    OneBasedArray<float> radii;
    OneBasedArray<double> times;
    OneBasedMatrix<float> field;
    float men = -1.0f, bot = -1.0f;
    ASSERT_TRUE(m.CopyToField(frames, radial, radii, times, field, men, bot, c.meniscusNow, 2.0));
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(radial, 3);
    for (int j = 1; j <= 5; ++j) EXPECT_NEAR(radii[j], m.Radii[j] + c.shift, 1e-5) << j;
    EXPECT_NEAR(field[2][3], 0.123457f * 2 + 1.5f, 1e-5);  // back in signal units
    EXPECT_EQ(men, c.returnsFrameLimits ? 5.9f : -1.0f);
    EXPECT_EQ(bot, c.returnsFrameLimits ? 7.2f : -1.0f);
  }
}

TEST_F(CtotMovieTest, FramesMustCoverTheScans) {
  CCtotMovie m;
  Fill(m);
  ScanHeader h;
  h.Rpm = 48000.0f;
  h.Time = 250.0;
  EXPECT_TRUE(m.CoversData(h, "a.ip1"));
  h.Rpm = 48001.0f;
  EXPECT_FALSE(m.CoversData(h, "a.ip1"));
  EXPECT_FALSE(LogLinesWith("wrong rotor speed").empty());
  h.Rpm = 48000.0f;
  h.Time = 300.0;
  EXPECT_FALSE(m.CoversData(h, "a.ip1"));
  EXPECT_FALSE(LogLinesWith("does not cover experimental time").empty());
  EXPECT_FALSE(LogLinesWith("please reload scans not exceeding a.ip1").empty());
}

// ---- The model on data ---------------------------------------------------------

// One species whose s and D follow the total concentration, solved as one
// concentration-dependent Lamm equation, with Gaussian noise: linear
// (s = s0 (1 − ks c), D = D0; paramS = log10 ks) or hindered hard spheres
// (paramS = the volume correction factor).
sv::Data NonidealData(const sv::Experiment& e, double s, double D, double c0, double paramS,
                      bool hardSpheres = false) {
  sv::Data d;
  sv::MakeHeaders(e, d);
  OneBasedMatrix<float> out(1, e.Scans, 1, e.Points);
  CLammIdeal solver;
  solver.SetIdealModel();
  solver.SetParameters(s, D, e.Meniscus, e.Bottom, c0, static_cast<float>(e.FirstRadius),
                       d.Radii[e.Points]);
  solver.SetOutput(nullptr, nullptr, d.Headers.data(), out.get(), d.Radii.data(), e.Points,
                   nullptr, nullptr, 0, nullptr, e.Scans, 1, 0, 1, 0, 2.43f, 0, 0.008f, 0);
  solver.SetNumerics(500, 4000, 10.0f, 0, 1e-4, 1, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0,
                     0.1, 0.3, 0.2, 2000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  solver.SetSolvent(20.0, 0.73, 1.0, 1.0);
  solver.SetSelfAssociation(0, 1, 1, 0, 0, 0, nullptr, nullptr, nullptr, nullptr,
                            static_cast<float>(paramS), hardSpheres ? 0.0f : -8.0f, 1, 1, 1.0,
                            hardSpheres ? 1 : 0, 0, s, D, c0);
  EXPECT_EQ(solver.Solve(), 0);
  d.Signal.Resize(1, e.Scans, 1, e.Points);
  std::mt19937 random(e.Seed);
  std::normal_distribution<double> gauss(0.0, e.NoiseSd);
  for (int j = 1; j <= e.Scans; ++j)
    for (int k = 1; k <= e.Points; ++k) d.Signal[j][k] = out[j][k] + gauss(random);
  d.TI.Resize(1, e.Points);
  d.RI.Resize(1, e.Scans);
  return d;
}

class NonidealCsTest : public ContiRunSedTest {
 protected:
  void SetUp() override {
    ContiRunSedTest::SetUp();
    // Simulation arrays that an earlier analysis left for other scans.
    FreeSimulationArrays();
    GridServices.PrepareNonidealMeanField = PrepareNonidealMeanField;
    ContiKernelServices.RunNonidcofsSedList = RunNonidcofsSedList;
    CorrectionOptions.Ctot = CtotSettingsRecord{};
    CorrectionOptions.Ctot.CtotFromDataOnly = false;
    CorrectionOptions.Ctot.MovienGrid = 300;
  }
  void TearDown() override {
    DeleteContiNonidSim();
    DeleteCtotMovie();
    CorrectionOptions.Ctot = CtotSettingsRecord{};
    SpeciesEngineParameters = SpeciesEngineParametersRecord{};
    ContiRunSedTest::TearDown();
  }

  void Load(double logKs, ModelKind kind = ModelKind::NonidealCS) {
    e_.Scans = 10;
    e_.Points = 161;
    e_.RadialStep = 0.008;
    e_.FirstTime = 1000.0;
    e_.Interval = 500.0;
    e_.NoiseSd = 0.003;
    D_ = DFromMass(CalculateM(5.0f), 20.0f);
    const bool hindered = kind == ModelKind::HinderedCS;
    data_ = NonidealData(e_, 5.0, D_, kC0, hindered ? logKs : std::log10(kKs), hindered);
    LoadExperiment(e_, data_);
    // The fit range keeps clear of the pile-up at the bottom, as an
    // analysis does: the signal levels of the mean field span the plateau.
    ScanDataSet.FitRightLim = 6.9f;
    SetLastFitIndex();
    ParameterVector[20] = static_cast<float>(logKs);
    ParameterVector[21] = hindered ? 0.0f : -8.0f;
    SetModel(kind, 1.0f, 10.0f, 40.0f);
    SelectRegularization(DistributionSettings.RegularizationType,
                         RegularizationChoice::SecondDerivative);
  }

  static constexpr double kKs = 0.03;  // ml/mg
  static constexpr double kC0 = 2.0;   // mg/ml, one signal unit each
  sv::Experiment e_;
  sv::Data data_;
  double D_ = 0.0;
};

// The first run solves in the data trajectories and then in the field of
// pass 1; the c(s) peak is the species' s at infinite dilution.
TEST_F(NonidealCsTest, RecoversThePeakWithKnownKs) {
  Load(std::log10(kKs));
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  ASSERT_TRUE(pCContiNonidSim);
  EXPECT_TRUE(pCContiNonidSim->FieldValid);
  EXPECT_GT(pCContiNonidSim->BestChi2, 0.0);
  // A second run keeps the field: one list in it.
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_FALSE(pCContiNonidSim->UseDataExtrapolation);
  EXPECT_NEAR(PeakBetween(2.0, 20.0).position, 5.0, 0.02 * 5.0);
  EXPECT_NEAR(PeakBetween(2.0, 20.0).area, kC0, 0.05 * kC0);
  EXPECT_LT(Rmsd(), 1.5 * e_.NoiseSd);
}

// The hindered variant runs the same mean field with the hard-sphere
// factors: on data made with them (volume correction factor 4, about 7 %
// slower at the plateau) it finds the species at infinite dilution, where
// a c(s) blind to the hindrance puts it lower.
TEST_F(NonidealCsTest, HinderedVariantRecoversThePeakOfHardSpheres) {
  Load(4.0, ModelKind::HinderedCS);
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  ASSERT_TRUE(pCContiNonidSim);
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  const double hindered = PeakBetween(2.0, 20.0).position;
  EXPECT_NEAR(hindered, 5.0, 0.02 * 5.0);
  EXPECT_NEAR(PeakBetween(2.0, 20.0).area, kC0, 0.05 * kC0);
  EXPECT_LT(Rmsd(), 1.5 * e_.NoiseSd);
  // The same data read with a vanishing hindrance.
  ParameterVector[20] = 0.0f;
  SpeciesEngineParameters.LogKs = 0.0f;
  DeleteContiNonidSim();
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_LT(PeakBetween(2.0, 20.0).position, hindered - 0.1);
}

// The rmsd over log10 ks has its minimum within 0.1 of the true value.
TEST_F(NonidealCsTest, RmsdPointsToTheTrueKs) {
  const double truth = std::log10(kKs);
  Load(truth);
  std::vector<double> xs, ys;
  for (double dx : {-0.4, -0.2, 0.0, 0.2, 0.4}) {
    SpeciesEngineParameters.LogKs = static_cast<float>(truth + dx);
    ParameterVector[20] = SpeciesEngineParameters.LogKs;
    // Each value from its own data trajectories, as a fresh analysis.
    DeleteContiNonidSim();
    ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
    ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
    xs.push_back(truth + dx);
    ys.push_back(Rmsd());
  }
  // Vertex of the parabola through the lowest point and its neighbours.
  std::size_t k = 1;
  for (std::size_t i = 1; i + 1 < ys.size(); ++i)
    if (ys[i] < ys[k]) k = i;
  const double h = 0.2, a = ys[k - 1], b = ys[k], c = ys[k + 1];
  const double vertex = xs[k] + h * (a - c) / (2.0 * (a - 2.0 * b + c));
  EXPECT_NEAR(vertex, truth, 0.1);
}

// A change of the loaded scans that keeps the object goes back to the data.
TEST_F(NonidealCsTest, ChangedDataSwitchBackToDataExtrapolation) {
  Load(std::log10(kKs));
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  ASSERT_TRUE(PrepareNonidealMeanField());
  EXPECT_FALSE(pCContiNonidSim->UseDataExtrapolation);
  EXPECT_TRUE(LogLinesWith("data appear to have changed").empty());
  ScanDataSet.ScanHeaders[1].Temperature += 1.0f;
  ASSERT_TRUE(PrepareNonidealMeanField());
  EXPECT_FALSE(LogLinesWith("data appear to have changed - switching back to data extrapolation "
                            "mode")
                   .empty());
  EXPECT_TRUE(pCContiNonidSim->UseDataExtrapolation);
  EXPECT_DOUBLE_EQ(pCContiNonidSim->BestChi2, -1.0);
}

// "create debug files": every stage of the mean field leaves one scan file
// per grid time in the debug folder; without the switch nothing is written.
TEST_F(NonidealCsTest, DebugFilesOfEveryStage) {
  Load(std::log10(kKs));
  const std::string keptTemp = ProgramPaths.TempFolder;
  ProgramPaths.TempFolder = scratch.path().string() + "/";
  CorrectionOptions.Ctot.CreateDebugFiles = true;
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  const int frames = pCContiNonidSim->CtotTimeCount;
  ASSERT_GE(frames, 2);
  const std::string folder = CtotDebugFolder();
  for (const char* stem : {"rawmovieframe", "consmovieframe", "adj1simradmovieframe",
                           "movieframe", "simradmovieframe"}) {
    SCOPED_TRACE(stem);
    EXPECT_TRUE(FileExists(folder + stem + std::to_string(frames) + ".ip0"));
    EXPECT_FALSE(FileExists(folder + stem + std::to_string(frames + 1) + ".ip0"));
  }
  const std::string last = ReadWholeFile(folder + "movieframe" + std::to_string(frames) + ".ip0");
  char description[64];
  std::snprintf(description, sizeof description, "ctotvec t=%.0f",
                pCContiNonidSim->CtotTimes[frames]);
  EXPECT_NE(last.substr(0, last.find('\n')).find(description), std::string::npos)
      << last.substr(0, 40);
  std::filesystem::remove_all(folder);
  CorrectionOptions.Ctot.CreateDebugFiles = false;
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_FALSE(std::filesystem::exists(folder));
  ProgramPaths.TempFolder = keptTemp;
}

// The Wiener skew of the optics is part of the non-ideal kernel when it is
// switched on.
TEST_F(NonidealCsTest, WienerSkewReachesTheKernel) {
  Load(std::log10(kKs));
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  const double plain = Rmsd();
  DeleteContiNonidSim();
  CorrectionOptions.WienerSkewing = {true, 3e-4f, 1.0f, 0};
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  const double skewed = Rmsd();
  CorrectionOptions.WienerSkewing = WienerSkewingRecord{};
  EXPECT_GT(skewed, 1.1 * plain);
}

// "load external" without frames says so and goes on with the data.
TEST_F(NonidealCsTest, ExternalFieldWithoutFrames) {
  Load(std::log10(kKs));
  CorrectionOptions.Ctot.UseExternalCtot = true;
  ASSERT_TRUE(PrepareNonidealMeanField());
  EXPECT_FALSE(LogLinesWith("use external mean field: not loaded").empty());
  EXPECT_TRUE(pCContiNonidSim->UseDataExtrapolation);
}

// Frames of the fitted field written and read back serve as the external
// mean field of the same data.
TEST_F(NonidealCsTest, FittedFieldAsExternalFrames) {
  Load(std::log10(kKs));
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  pCContiNonidSim->FillCtotMovie();
  ASSERT_TRUE(pCtotMovie && pCtotMovie->Loaded);
  EXPECT_EQ(pCtotMovie->RadiusCount, pCContiNonidSim->CtotRadialPoints + 2);
  const std::string path = scratch.File("field.ctot");
  ASSERT_EQ(pCtotMovie->SaveAs(path), 1);
  DeleteContiNonidSim();
  DeleteCtotMovie();
  EnsureCtotMovie();
  ASSERT_EQ(pCtotMovie->Read(path), 1);
  CorrectionOptions.Ctot.UseExternalCtot = true;
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_TRUE(LogLinesWith("use external mean field").empty());
  EXPECT_NEAR(PeakBetween(2.0, 20.0).position, 5.0, 0.02 * 5.0);
}

}  // namespace
